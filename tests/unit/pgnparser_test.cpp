// The PGN reader on whole games: tags and player names, moves, comments,
// NAGs, variations, the error log, and recovery from broken input.
#include "core/pgnparser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/game.h"
#include "long_text.h"
#include "pgn_test_support.h"
#include "position_state.h"
#include "sample_positions.h"
#include "test_paths.h"

namespace {

// The SAN-free text of the main line: "from-to" squares of each move.
std::vector<std::string> mainLine(Game& g) {
    std::vector<std::string> out;
    g.MoveToPly(0);
    while (moveT* m = g.GetCurrentMove()) {
        const simpleMoveT& sm = m->moveData;
        std::string s;
        s += char('a' + square_Fyle(sm.from));
        s += char('1' + square_Rank(sm.from));
        s += char('a' + square_Fyle(sm.to));
        s += char('1' + square_Rank(sm.to));
        out.push_back(s);
        g.MoveForward();
    }
    return out;
}

uint32_t mainLinePlies(Game& g) {
    return static_cast<uint32_t>(mainLine(g).size());
}

std::string fixture(const char* name) {
    return readFile(fixturePath(std::string("pgn/") + name));
}

// Reads one tag line into a fresh game; returns the tag's result code.
errorT tag(Game& g, PgnReader& r, const std::string& line) {
    return r.parser().ExtractPgnTag(line.c_str(), &g);
}

}  // namespace

TEST(PgnPlayerNames, AreNormalised) {
    char out[100];
    const std::pair<const char*, const char*> cases[] = {
        {"Player,A.", "Player, A"},
        {"  Smith ,  John. ", "Smith , John"},
        {"Kasparov, G.\t", "Kasparov, G"},
        {"van Wely, L", "Van Wely, L"},
        {"van der Sterren", "Van der Sterren"},
        {"Van Den Doel", "Van den Doel"},
        {"Van De Oudeweetering", "Van de Oudeweetering"},
        {"Trailing,", "Trailing,"},
        {"...", ""},
    };
    for (const auto& [in, expected] : cases) {
        standardPlayerName(out, sizeof out, in);
        EXPECT_STREQ(out, expected) << in;
    }
    char tiny[5];
    standardPlayerName(tiny, sizeof tiny, "A,B,C,D");
    EXPECT_STREQ(tiny, "A, B");
}

TEST(PgnTags, PlayersAndTheirRatings) {
    PgnReader r("");
    Game g;
    EXPECT_EQ(tag(g, r, "[White \"Player,A.\"]"), OK);
    EXPECT_STREQ(g.GetWhiteStr(), "Player, A");
    EXPECT_EQ(g.GetWhiteElo(), 0);

    EXPECT_EQ(tag(g, r, "[Black \"Rival (2450)\"]"), OK);
    EXPECT_STREQ(g.GetBlackStr(), "Rival");
    EXPECT_EQ(g.GetBlackElo(), 2450);
    EXPECT_EQ(g.GetBlackRatingType(), RATING_Elo);
    // The player has an Elo now: a BlackElo tag is dropped, since the written
    // header would hold BlackElo twice (and a repeated tag starts a game); a
    // rating of another kind stays an extra tag.
    EXPECT_EQ(tag(g, r, "[BlackElo \"2500\"]"), OK);
    EXPECT_EQ(g.GetBlackElo(), 2450);
    EXPECT_EQ(g.GetNumExtraTags(), 0u);
    EXPECT_EQ(tag(g, r, "[BlackUSCF \"2300\"]"), OK);
    ASSERT_EQ(g.GetNumExtraTags(), 1u);
    EXPECT_STREQ(g.GetExtraTags()[0].tag, "BlackUSCF");

    EXPECT_EQ(tag(g, r, "[White \"Strong (5000)\"]"), OK);
    EXPECT_STREQ(g.GetWhiteStr(), "Strong");
    EXPECT_EQ(g.GetWhiteElo(), 4000);
    EXPECT_EQ(r.log(), "test.pgn:0: Warning: rating too large: Strong (5000)\n");

    // Too short for a rating, or not four digits: the name stays whole.
    EXPECT_EQ(tag(g, r, "[White \" (2450)\"]"), OK);
    EXPECT_STREQ(g.GetWhiteStr(), "(2450)");
    EXPECT_EQ(tag(g, r, "[White \"Rival (245)\"]"), OK);
    EXPECT_STREQ(g.GetWhiteStr(), "Rival (245)");

    Game h;
    EXPECT_EQ(tag(h, r, "[WhiteUSCF \"2100\"]"), OK);
    EXPECT_EQ(h.GetWhiteElo(), 2100);
    EXPECT_EQ(h.GetWhiteRatingType(), RATING_USCF);
    EXPECT_EQ(tag(h, r, "[BlackElo \"9999\"]"), OK);
    EXPECT_EQ(h.GetBlackElo(), 4000);
    EXPECT_EQ(tag(h, r, "[WhiteFIDE \"2200\"]"), OK);
    EXPECT_EQ(h.GetNumExtraTags(), 1u);
}

TEST(PgnTags, StandardValues) {
    PgnReader r("");
    Game g;
    EXPECT_EQ(tag(g, r, "[Event \"London \"Immortal\"\"]"), OK);
    EXPECT_STREQ(g.GetEventStr(), "London \"Immortal\"");
    EXPECT_EQ(tag(g, r, "  [ Site  \"Here\" ] trailing"), OK);
    EXPECT_STREQ(g.GetSiteStr(), "Here");
    EXPECT_EQ(tag(g, r, "[Round \"3.1\"]"), OK);
    EXPECT_STREQ(g.GetRoundStr(), "3.1");
    EXPECT_EQ(tag(g, r, "[Date \"2004.01.15\"]"), OK);
    EXPECT_EQ(g.GetDate(), date_Make(2004, 1, 15));
    EXPECT_EQ(tag(g, r, "[EventDate \"1999.??.??\"]"), OK);
    EXPECT_EQ(g.GetEventDate(), date_Make(1999, 0, 0));
    EXPECT_EQ(tag(g, r, "[ECO \"B12c3\"]"), OK);
    EXPECT_EQ(g.GetEco(), 14687);
    EXPECT_EQ(tag(g, r, "[BrelFlags \"0123456789abcdefghij\"]"), OK);
    EXPECT_STREQ(g.GetBrelFlags(), "0123456789abcde");

    const std::pair<const char*, resultT> results[] = {
        {"1-0", RESULT_White},       {"0-1", RESULT_Black}, {"1/2-1/2", RESULT_Draw},
        {"1/2", RESULT_Draw},        {"*", RESULT_None},    {"draw", RESULT_None},
        {"1-0 (time)", RESULT_White}};
    for (const auto& [value, code] : results) {
        EXPECT_EQ(tag(g, r, std::string("[Result \"") + value + "\"]"), OK);
        EXPECT_EQ(g.GetResult(), code) << value;
    }
    EXPECT_EQ(g.GetNumExtraTags(), 0u);
    EXPECT_EQ(r.parser().ErrorCount(), 0u);
}

TEST(PgnTags, NamesNearAKnownOneAreExtraTags) {
    // Each differs from a tag kept in the game's own fields by case, length
    // or one letter, and keeps its value as written.
    const char* const names[] = {"white",     "Whites",   "Blac",     "EVENT",    "Sites",
                                 "Rounds",    "Result1",  "Dates",    "EventDat", "EventDates",
                                 "Eco",       "ECO1",     "BrelFlag", "Fen",      "WhiteEl",
                                 "BlackEloo", "WhiteElo2"};
    PgnReader r("");
    Game g;
    for (const char* name : names) {
        EXPECT_EQ(tag(g, r, std::string("[") + name + " \"1-0\"]"), OK) << name;
    }
    ASSERT_EQ(g.GetNumExtraTags(), std::size(names));
    for (size_t i = 0; i < std::size(names); ++i) {
        EXPECT_STREQ(g.GetExtraTags()[i].tag, names[i]);
        EXPECT_STREQ(g.GetExtraTags()[i].value, "1-0");
    }
    EXPECT_STREQ(g.GetWhiteStr(), "?");
    EXPECT_EQ(g.GetResult(), RESULT_None);
    EXPECT_EQ(g.GetDate(), ZERO_DATE);
    EXPECT_EQ(g.GetWhiteElo(), 0);
    EXPECT_EQ(r.parser().ErrorCount(), 0u);

    // Names of the same length and first letter are different tags: only
    // the exact repeat ends the header.
    PgnReader h("[Event \"a\"]\n[Evens \"b\"]\n[EVENT \"c\"]\n[Eve \"d\"]\n[Event \"e\"]\n\n*\n");
    EXPECT_EQ(h.next(g), OK);
    EXPECT_EQ(g.GetNumExtraTags(), 3u);
    EXPECT_EQ(h.log(),
              "test.pgn:5: Warning: Game without moves ended by the next game's tag: "
              "[Event \"e\"]\n");
    EXPECT_EQ(h.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "e");
}

TEST(PgnTags, MalformedTagsAreRefused) {
    PgnReader r("");
    Game g;
    const std::string longName(255, 'N');
    const std::string longValue(255, 'v');
    for (const std::string& line :
         {std::string("Event \"x\"]"), std::string("[Event"), std::string("[Event x]"),
          std::string("[Event \"x]"), "[" + longName + " \"x\"]",
          "[Annotator \"" + longValue + "\"]",
          // The limit counts the whole rest of the line, closing quote or not.
          "[Annotator \"x\"]" + longValue}) {
        EXPECT_EQ(tag(g, r, line), ERROR_PGNTag) << line;
    }
    const std::string name(MAX_TAG_FIELD, 'N');
    const std::string value(MAX_TAG_FIELD - 2, 'v');  // with its quote and "]"
    EXPECT_EQ(tag(g, r, "[" + name + " \"" + value + "\"]"), OK);
    EXPECT_EQ(g.GetExtraTags()[0].value, value);
    EXPECT_EQ(std::string(g.GetExtraTags()[0].tag).size(), MAX_TAG_LEN);
}

TEST(PgnTags, ExtraTagsStopAtFortyAndARepeatedOneStartsTheNextGame) {
    std::string text;
    for (int i = 0; i < 42; ++i) text += "[Extra" + std::to_string(i) + " \"v\"]\n";
    text += "[Extra3 \"again\"]\n\n*\n";
    PgnReader r(text);
    Game g;
    EXPECT_EQ(r.next(g), OK);
    ASSERT_EQ(g.GetNumExtraTags(), MAX_TAGS);
    EXPECT_STREQ(g.GetExtraTags()[3].value, "v");
    EXPECT_STREQ(g.GetExtraTags()[39].tag, "Extra39");
    EXPECT_EQ(r.log(),
              "test.pgn:41: Error reading tag: [Extra40 \"v\"]\n"
              "test.pgn:42: Error reading tag: [Extra41 \"v\"]\n"
              "test.pgn:43: Warning: Game without moves ended by the next game's tag: "
              "[Extra3 \"again\"]\n");
    EXPECT_EQ(r.next(g), OK);
    ASSERT_EQ(g.GetNumExtraTags(), 1u);
    EXPECT_STREQ(g.GetExtraTags()[0].value, "again");
    EXPECT_EQ(r.next(g), ERROR_NotFound);
}

// Tag lines after a header's first are mostly read in place from the input;
// these are the lines that must still come out as the tokenizer reads them:
// blanks and dots before them, line ends of every kind, a zero byte, lines
// too long for a tag, bad tags and a repeated one.
TEST(PgnTags, OddLinesWithinAHeader) {
    const std::string tooLong = "[Annotator \"" + std::string(1100, 'v') + "\"]";
    const std::pair<std::string, std::string> cases[] = {
        {"[Round \"1\"]\n", "Round=1 |"},
        {"  ..\t[Round \"1\"]\n", "Round=1 |"},
        {"[Round \"1\"]\r\n[Site \"S\"]\r\n", "Round=1 Site=S |"},
        // A lone carriage return ends the line, and the rest is move text.
        {"[Round \"a\rb\"]\n",
         "| 1: Error reading tag: [Round \"a\n1: Error: Unexpected symbol: "
         "b\"\n1: Error: Unexpected symbol: ]\n"},
        {"[Round \"1\"]\r[Site \"S\"]\n", "Round=1 Site=S |"},
        {"[Round \"1\"]\r\n\r\n[Bad\n", "Round=1 | 4: Error reading tag: [Bad\n"},
        {std::string("[Round \"a\0b\"]\n", 13), "| 2: Error reading tag: [Round \"a\n"},
        {"[Round]\n[Round\n[   \n[\n",
         "| 2: Error reading tag: [Round]\n3: Error reading tag: [Round\n"
         "4: Error reading tag: [   \n5: Error reading tag: [\n"},
        {"[ Round  \"x\" ] [Site \"y\"]\n", "Round=x\" ] [Site \"y |"},
        {"[\xA0Round \"1\"]\n", "Round=1 |"},
        {tooLong + "\n[Round \"2\"]\n", "Round=2 | 2: Error reading tag: " + tooLong + "\n"},
        {"[Extra \"1\"]\n% a line comment\n[Other \"2\"]\n", "Extra=1 Other=2 |"},
        {"[Extra \"1\"]\n[Extra \"2\"]\n",
         "Extra=1 | 3: Warning: Game without moves ended by the "
         "next game's tag: [Extra \"2\"]\n"},
    };
    for (const auto& [lines, expected] : cases) {
        PgnReader r("[Event \"E\"]\n" + lines + "\n1. e4 *\n");
        Game g;
        r.next(g);
        std::string got;
        if (std::string(g.GetRoundStr()) != "?")
            got += "Round=" + std::string(g.GetRoundStr()) + " ";
        if (std::string(g.GetSiteStr()) != "?") got += "Site=" + std::string(g.GetSiteStr()) + " ";
        for (uint32_t i = 0; i < g.GetNumExtraTags(); ++i)
            got += std::string(g.GetExtraTags()[i].tag) + "=" + g.GetExtraTags()[i].value + " ";
        got += "|";
        std::string log = r.log();
        for (size_t at = 0; (at = log.find("test.pgn:", at)) != std::string::npos;)
            log.erase(at, 9);
        if (!log.empty()) got += " " + log;
        EXPECT_EQ(got, expected) << lines;
    }
}

TEST(PgnGame, SimpleGameAndResultMismatch) {
    PgnReader r("[Event \"x\"]\n\n1. e4 e5 2. Nf3 Nc6 *\n\n[Result \"0-1\"]\n\n1.e4 e5 1-0\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "x");
    EXPECT_EQ(mainLine(g), (std::vector<std::string>{"e2e4", "e7e5", "g1f3", "b8c6"}));
    EXPECT_EQ(g.GetResult(), RESULT_None);
    EXPECT_EQ(r.log(), "");

    EXPECT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "?");
    EXPECT_EQ(mainLinePlies(g), 2u);
    EXPECT_EQ(g.GetResult(), RESULT_White);
    EXPECT_EQ(r.log(), "test.pgn:6: Warning: Result did not match the header result\n");
    EXPECT_EQ(r.next(g), ERROR_NotFound);
    EXPECT_EQ(r.next(g), ERROR_NotFound);
}

TEST(PgnGame, CastlingWithLettersOrZeros) {
    PgnReader r(fixture("castling_with_zeros.pgn"));
    Game g;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(r.next(g), OK);
        std::vector<std::string> moves = mainLine(g);
        ASSERT_EQ(moves.size(), 8u);
        EXPECT_EQ(moves[6], "e1g1");
        EXPECT_EQ(g.GetCurrentPos()->GetPiece(F1), WR);
    }
    ASSERT_EQ(r.next(g), OK);
    std::vector<std::string> moves = mainLine(g);
    ASSERT_EQ(moves.size(), 10u);
    EXPECT_EQ(moves[8], "e1c1");
    EXPECT_EQ(moves[9], "e8c8");
    EXPECT_EQ(g.GetCurrentPos()->GetPiece(D8), BR);
    EXPECT_EQ(r.log(), "");
    EXPECT_EQ(r.next(g), ERROR_NotFound);
}

TEST(PgnGame, IllegalCastlingIsPlayedWithAWarning) {
    PgnReader r(
        "[White \"A\"]\n[Black \"B\"]\n[Date \"1999.01.01\"]\n"
        "[FEN \"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1\"]\n\n1. O-O O-O-O *\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLine(g), (std::vector<std::string>{"e1g1", "e8c8"}));
    EXPECT_EQ(r.log(),
              "test.pgn:5: Warning: illegal castling (O-O) in game A - B, 1999\n"
              "test.pgn:5: Warning: illegal castling (O-O-O) in game A - B, 1999\n");
}

TEST(PgnGame, EnPassantSuffixAndCoordinateMoves) {
    PgnReader ep(fixture("ep_suffix.pgn"));
    Game g;
    ASSERT_EQ(ep.next(g), OK);
    std::vector<std::string> moves = mainLine(g);
    ASSERT_EQ(moves.size(), 12u);
    EXPECT_EQ(moves[4], "e5d6");
    EXPECT_EQ(moves[10], "d5c6");
    EXPECT_EQ(g.GetCurrentPos()->GetPiece(C5), EMPTY);  // taken en passant
    EXPECT_EQ(ep.log(), "");

    PgnReader coord(fixture("coordinate_moves.pgn"));
    ASSERT_EQ(coord.next(g), OK);
    EXPECT_EQ(mainLine(g), (std::vector<std::string>{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4"}));
    EXPECT_EQ(coord.log(), "");
}

TEST(PgnGame, BadMoveFreezesTheMoveList) {
    PgnReader r(fixture("bad_move_freezes.pgn"));
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLine(g), (std::vector<std::string>{"e2e4", "e7e5"}));
    EXPECT_EQ(g.GetResult(), RESULT_White);
    g.MoveToPly(2);
    EXPECT_STREQ(g.GetMoveComment(), "Error reading move: Qh7");
    EXPECT_EQ(g.GetCurrentMove(), nullptr);
    g.MoveBackup();
    EXPECT_EQ(g.GetCurrentMove()->nagCount, 0);  // the $1 after the bad move is dropped
    EXPECT_EQ(r.log(), "test.pgn:6: Error reading move in game Player - Rival, 1990: Qh7\n");

    // The next game is read as usual.
    EXPECT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "Next game");
    EXPECT_EQ(mainLinePlies(g), 1u);
}

TEST(PgnGame, TagInsideAGameStartsTheNextGame) {
    PgnReader r(fixture("tag_inside_game.pgn"));
    Game g;
    EXPECT_EQ(r.next(g), ERROR_Game);
    EXPECT_STREQ(g.GetWhiteStr(), "First");
    EXPECT_EQ(mainLinePlies(g), 3u);
    EXPECT_EQ(r.log(), "test.pgn:4: Error: PGN Header tag seen inside a game\n");
    EXPECT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "Second");
    EXPECT_STREQ(g.GetWhiteStr(), "Next");
    EXPECT_EQ(g.GetResult(), RESULT_Draw);
    EXPECT_EQ(mainLinePlies(g), 2u);
    EXPECT_EQ(r.next(g), ERROR_NotFound);
}

TEST(PgnGame, AHeaderWithoutMovesIsAGameOfItsOwn) {
    // A tag the header already has starts the next game: A is not lost, and
    // B does not carry A's rating.
    PgnReader r(
        "[Event \"A\"]\n[White \"X\"]\n[WhiteElo \"1802\"]\n\n"
        "[Event \"B\"]\n[White \"P\"]\n[WhiteElo \"1792\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n");
    Game g;
    ASSERT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "A");
    EXPECT_STREQ(g.GetWhiteStr(), "X");
    EXPECT_EQ(g.GetWhiteElo(), 1802);
    EXPECT_EQ(mainLinePlies(g), 0u);
    EXPECT_EQ(g.GetResult(), RESULT_None);
    ASSERT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "B");
    EXPECT_STREQ(g.GetWhiteStr(), "P");
    EXPECT_EQ(g.GetWhiteElo(), 1792);
    EXPECT_EQ(g.GetNumExtraTags(), 0u);
    EXPECT_EQ(mainLinePlies(g), 2u);
    EXPECT_EQ(g.GetResult(), RESULT_White);
    EXPECT_EQ(r.next(g), ERROR_NotFound);

    // Headers in a row, the last one at the end of the input; distinct tags
    // across a blank line still make one header.
    PgnReader rows("[Event \"1\"]\n[Site \"s\"]\n[Event \"2\"]\n\n[Site \"t\"]\n\n[Event \"3\"]\n");
    rows.parser().SetEndOfInputWarnings(false);
    std::vector<std::string> seen;
    while (rows.next(g) != ERROR_NotFound)
        seen.push_back(std::string(g.GetEventStr()) + "/" + g.GetSiteStr());
    EXPECT_EQ(seen, (std::vector<std::string>{"1/s", "2/t", "3/?"}));
}

TEST(PgnGame, AResultRightBeforeTheNextTag) {
    PgnReader r(
        "[Event \"A\"]\n\n1. e4 e5 1/2-1/2[Event \"Open\"]\n[Site \"X\"]\n\n1. d4 0-1[Event "
        "\"C\"]\n"
        "\n1. c4 *[Event \"D\"]\n\n1. b3 1-0\n");
    Game g;
    ASSERT_EQ(r.next(g), OK);
    EXPECT_EQ(g.GetResult(), RESULT_Draw);
    EXPECT_EQ(mainLinePlies(g), 2u);
    g.MoveToPly(2);
    EXPECT_EQ(g.GetMoveComment(), nullptr);
    ASSERT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "Open");
    EXPECT_STREQ(g.GetSiteStr(), "X");
    EXPECT_EQ(g.GetResult(), RESULT_Black);
    ASSERT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "C");
    EXPECT_EQ(g.GetResult(), RESULT_None);
    ASSERT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "D");
    EXPECT_EQ(g.GetResult(), RESULT_White);
    EXPECT_EQ(r.next(g), ERROR_NotFound);
    // Only the results that differ from the (absent) Result tags are noted.
    EXPECT_EQ(r.log().find("Error"), std::string::npos) << r.log();
}

TEST(PgnGame, TextBeforeAGameBecomesItsOpeningComment) {
    PgnReader r(fixture("pregame_text.pgn"));
    Game g;
    EXPECT_EQ(r.next(g), OK);
    g.MoveToPly(0);
    EXPECT_STREQ(g.GetMoveComment(), "Collected games\n  with a preface\n");
    EXPECT_EQ(r.next(g), OK);
    g.MoveToPly(0);
    // The comment before the first move replaces the text between the games.
    EXPECT_STREQ(g.GetMoveComment(), "The game's own comment");

    PgnReader between("[Event \"1\"]\n\n1. e4 *\n\n\n  Between \n\n[Event \"2\"]\n\n1. d4 *\n");
    EXPECT_EQ(between.next(g), OK);
    EXPECT_EQ(between.next(g), OK);
    g.MoveToPly(0);
    EXPECT_STREQ(g.GetMoveComment(), "  Between \n");

    PgnReader off("Words\n[Event \"1\"]\n\n1. e4 *\n");
    off.parser().SetPreGameText(false);
    EXPECT_EQ(off.next(g), OK);
    g.MoveToPly(0);
    EXPECT_EQ(g.GetMoveComment(), nullptr);

    // Move text without tags is never a game.
    PgnReader noTags("1. e4 e5 *\n");
    EXPECT_EQ(noTags.next(g), ERROR_NotFound);
}

TEST(PgnGame, EndOfInputInTheHeaderOrInAGame) {
    Game g;
    PgnReader header(fixture("eof_in_header.pgn"));
    EXPECT_EQ(header.next(g), ERROR_Game);
    EXPECT_STREQ(g.GetBlackStr(), "B");
    EXPECT_EQ(header.log(), "test.pgn:2: Warning: End of input in PGN header tags section\n");
    EXPECT_EQ(header.next(g), ERROR_NotFound);

    PgnReader quiet(fixture("eof_in_header.pgn"));
    quiet.parser().SetEndOfInputWarnings(false);
    EXPECT_EQ(quiet.next(g), OK);
    EXPECT_EQ(quiet.log(), "");

    PgnReader game(fixture("eof_in_game.pgn"));
    EXPECT_EQ(game.next(g), ERROR_Game);
    EXPECT_EQ(mainLinePlies(g), 3u);
    EXPECT_EQ(game.log(), "test.pgn:4: Warning: End of input reached in a game\n");
    EXPECT_EQ(game.next(g), ERROR_NotFound);

    PgnReader quietGame(fixture("eof_in_game.pgn"));
    quietGame.parser().SetEndOfInputWarnings(false);
    EXPECT_EQ(quietGame.next(g), OK);
}

TEST(PgnGame, CommentsAreCollapsedAndTheLastOneWins) {
    PgnReader r(
        "[Event \"x\"]\n\n{ opening\n  comment } 1. e4 {first} {  second \n  line } e5 "
        "( {var start} 1... c5 {in var}) *\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    g.MoveToPly(0);
    EXPECT_STREQ(g.GetMoveComment(), "opening comment");
    g.MoveForward();
    EXPECT_STREQ(g.GetMoveComment(), "second line");
    ASSERT_EQ(g.MoveIntoVariation(0), OK);
    EXPECT_STREQ(g.GetMoveComment(), "var start");
    g.MoveForward();
    EXPECT_STREQ(g.GetMoveComment(), "in var");
    EXPECT_EQ(r.log(), "");
}

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

TEST(PgnGame, LongCommentsAreKeptWhole) {
    const std::string start = words(200000, 1, true);
    const std::string onMove = words(200000, 2, false);
    const std::string inVar = words(200000, 3, true);
    PgnReader r("[Event \"x\"]\n\n{" + start + "} 1. e4 {" + onMove + "} e5 (1... c5 {" + inVar +
                "}) 2. Nf3 {short} *\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLinePlies(g), 3u);
    g.MoveToPly(0);
    EXPECT_TRUE(sameText(g.GetMoveComment(), oneLine(start)));
    g.MoveForward();
    EXPECT_TRUE(sameText(g.GetMoveComment(), onMove));
    ASSERT_EQ(g.MoveIntoVariation(0), OK);
    g.MoveForward();
    EXPECT_TRUE(sameText(g.GetMoveComment(), oneLine(inVar)));
    g.MoveExitVariation();
    g.MoveForward();
    g.MoveForward();
    EXPECT_STREQ(g.GetMoveComment(), "short");
    EXPECT_EQ(r.log(), "");
}

// A file is read through a buffer of MFile::BUFFER_SIZE bytes: a comment
// that runs across its end, with the "}" just before, on or after it, and one
// that is never closed, keep their text and the line count.
TEST(PgnGame, CommentsAcrossTheFileBuffer) {
    const std::string head = "[Event \"x\"]\n\n1. e4 {";
    const std::string dir = scratchDir();
    for (long offset : {-1L, 0L, 1L}) {
        SCOPED_TRACE(offset);
        const std::string text = words(MFile::BUFFER_SIZE + offset - head.size(), 4, true);
        const std::string pgn = head + text + "} e5 *\n[Event \"y\"]\n\n1. d4 {" + text;
        const std::string path = dir + "/across.pgn";
        writeFile(path, pgn);
        MFile file;
        ASSERT_EQ(file.Open(path.c_str(), FMODE_ReadOnly), OK);
        PgnParser parser(&file);
        Game g;
        EXPECT_EQ(parser.ParseGame(&g), OK);
        EXPECT_EQ(mainLinePlies(g), 2u);
        g.MoveToPly(1);
        EXPECT_TRUE(sameText(g.GetMoveComment(), oneLine(text)));
        const uint32_t textLines = uint32_t(std::count(text.begin(), text.end(), '\n'));
        EXPECT_EQ(parser.GetLineNumber(), 2 + textLines);

        EXPECT_EQ(parser.ParseGame(&g), ERROR_Game);
        g.MoveToPly(1);
        EXPECT_TRUE(sameText(g.GetMoveComment(), oneLine(text)));
        EXPECT_EQ(parser.BytesUsed(), pgn.size());
        EXPECT_EQ(std::string(parser.ErrorMessages()),
                  path + ":" + std::to_string(5 + 2 * textLines) +
                      ": Error: Open Comment at end of input started on line " +
                      std::to_string(5 + textLines) + "\n" + path + ":" +
                      std::to_string(5 + 2 * textLines) +
                      ": Warning: End of input reached in a game\n");
    }
}

TEST(PgnGame, NagsAndSuffixes) {
    PgnReader r("[Event \"x\"]\n\n1. e4! $14 e5?? +- 2. Nf3 N {c} Nc6 =x $0 *\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    g.MoveToPly(1);
    g.MoveBackup();
    const std::vector<std::vector<byte>> expected = {{1, 14}, {4, 18}, {146}, {}};
    for (const auto& nags : expected) {
        moveT* m = g.GetCurrentMove();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(std::vector<byte>(m->nags, m->nags + m->nagCount), nags);
        EXPECT_EQ(m->nags[m->nagCount], 0);
        g.MoveForward();
    }
    EXPECT_EQ(r.log(), "test.pgn:2: Warning: Invalid annotation symbol: =x\n");
}

TEST(PgnGame, NestedVariations) {
    PgnReader r(fixture("nested_variations.pgn"));
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLine(g), (std::vector<std::string>{"e2e4", "e7e5", "g1f3", "b8c6"}));
    g.MoveToPly(0);
    EXPECT_STREQ(g.GetCurrentMove()->comment, "main");
    ASSERT_EQ(g.GetNumVariations(), 2u);
    ASSERT_EQ(g.MoveIntoVariation(0), OK);  // 1. d4 d5 (1... Nf6 2. c4 (2. Nf3 g6))
    EXPECT_EQ(g.GetVarLevel(), 1u);
    g.MoveForward();
    ASSERT_EQ(g.GetNumVariations(), 1u);
    ASSERT_EQ(g.MoveIntoVariation(0), OK);  // 1... Nf6 2. c4 (2. Nf3 g6)
    g.MoveForward();
    ASSERT_EQ(g.GetNumVariations(), 1u);
    ASSERT_EQ(g.MoveIntoVariation(0), OK);  // 2. Nf3 g6
    EXPECT_EQ(g.GetVarLevel(), 3u);
    g.MoveForward();
    g.MoveForward();
    EXPECT_TRUE(g.AtVarEnd());
    EXPECT_EQ(g.GetCurrentPly(), 4u);
    EXPECT_EQ(g.GetCurrentPos()->GetPiece(G6), BP);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(g.MoveExitVariation(), OK);
    EXPECT_EQ(g.GetVarLevel(), 0u);
    EXPECT_EQ(g.GetCurrentPly(), 0u);
    ASSERT_EQ(g.MoveIntoVariation(1), OK);  // 1. c4
    EXPECT_EQ(g.GetCurrentMove()->moveData.to, C4);
    g.MoveExitVariation();
    g.MoveForward();
    g.MoveForward();
    ASSERT_EQ(g.GetNumVariations(), 1u);  // 2. f4 exf4 instead of 2. Nf3
    EXPECT_EQ(r.log(), "");
}

TEST(PgnGame, StrayBracketsAndCommentsAfterMoves) {
    Game g;
    PgnReader close("[Event \"x\"]\n\n1. e4 ) e5 } 2. Nf3 } *\n");
    EXPECT_EQ(close.next(g), OK);
    EXPECT_EQ(mainLinePlies(g), 3u);
    EXPECT_EQ(close.log(),
              "test.pgn:2: Warning: close-brace character \"}\" seen outside a comment.\n");

    PgnReader open("[Event \"x\"]\n\n( 1. e4 ) *\n[Event \"y\"]\n\n1. d4 *\n");
    EXPECT_EQ(open.next(g), ERROR_Game);
    EXPECT_EQ(open.log(), "test.pgn:2: Error: Unable to add variation\n");
    EXPECT_EQ(open.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "y");

    PgnReader glued(fixture("move_then_comment.pgn"));
    EXPECT_EQ(glued.next(g), OK);
    EXPECT_EQ(mainLinePlies(g), 8u);
    g.MoveToPly(6);
    EXPECT_STREQ(g.GetMoveComment(), "This opening is called the Ruy Lopez.");
    EXPECT_EQ(g.GetNumVariations(), 1u);
    EXPECT_EQ(glued.log(), "");
}

TEST(PgnGame, NullMovesAndLineComments) {
    PgnReader r(
        "[Event \"x\"]\n\n1. e4 -- 2. d4 null ; a line comment 3. c4\n% escaped\n3... e5 "
        "@@ *\n");
    Game g;
    EXPECT_EQ(r.next(g), OK);
    std::vector<std::string> moves = mainLine(g);
    ASSERT_EQ(moves.size(), 5u);
    EXPECT_EQ(moves[1], "e8e8");
    EXPECT_EQ(moves[3], "e8e8");
    EXPECT_EQ(moves[4], "e4e5");  // "3. c4" was part of the line comment
    EXPECT_EQ(r.log(), "test.pgn:4: Error: Unexpected symbol: @@\n");
}

TEST(PgnGame, DeepNestingIsCappedAndSkipped) {
    const uint32_t depth = MAX_VARIATION_DEPTH + 50;
    std::string text = "[Event \"deep\"]\n\n1. e4 e5 ";
    for (uint32_t i = 0; i < depth; ++i) text += "( 1... c5 {x} ";
    text += "2. Nf3";
    for (uint32_t i = 0; i < depth; ++i) text += " )";
    text += " 2. Nf3 Nc6 *\n[Event \"after\"]\n\n1. d4 *\n";
    PgnReader r(text);
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLinePlies(g), 4u);
    g.MoveToPly(1);
    uint32_t level = 0;
    while (g.GetNumVariations() > 0) {
        ASSERT_EQ(g.MoveIntoVariation(0), OK);
        ++level;
    }
    EXPECT_EQ(level, MAX_VARIATION_DEPTH);
    EXPECT_EQ(r.log(),
              "test.pgn:2: Error: Variation nested too deeply (over 200 levels); skipped\n");
    EXPECT_EQ(r.next(g), OK);
    EXPECT_STREQ(g.GetEventStr(), "after");
}

TEST(PgnGame, TooManyVariationsOfOneMoveAreSkipped) {
    std::string text = "[Event \"wide\"]\n\n1. e4 ";
    for (int i = 0; i < 300; ++i) text += "(1. d4 {d}) ";
    text += "e5 *\n";
    PgnReader r(text);
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(mainLinePlies(g), 2u);
    g.MoveToPly(0);
    EXPECT_EQ(g.GetNumVariations(), 255u);
    EXPECT_EQ(g.MoveIntoVariation(254), OK);
    EXPECT_EQ(r.parser().ErrorCount(), 45u);
}

TEST(PgnGame, ErrorLogStaysBounded) {
    std::string text = "[Event \"noise\"]\n\n";
    for (int i = 0; i < 40000; ++i) text += "zz ";
    text += "*\n";
    PgnReader r(text);
    Game g;
    EXPECT_EQ(r.next(g), OK);
    EXPECT_EQ(r.parser().ErrorCount(), 40000u);
    EXPECT_GT(r.parser().ErrorsDropped(), 0u);
    EXPECT_LT(r.log().size(), size_t(MAX_ERROR_LOG) + 100);
}

TEST(PgnGame, ErrorFileReceivesTheMessagesInstead) {
    std::string path = scratchDir() + "/errors.txt";
    FILE* fp = fopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    PgnReader r("[Event \"x\"]\n\n1. e4 zz *\n");
    r.parser().SetErrorFile(fp);
    Game g;
    EXPECT_EQ(r.next(g), OK);
    fclose(fp);
    EXPECT_EQ(readFile(path), "test.pgn:2: Error: Unexpected symbol: zz\n");
    EXPECT_EQ(r.log(), "");
}

TEST(PgnGame, ReadsFromAFile) {
    MFile file;
    std::string path = fixturePath("pgn/castling_with_zeros.pgn");
    ASSERT_EQ(file.Open(path.c_str(), FMODE_ReadOnly), OK);
    PgnParser parser(&file);
    Game g;
    int games = 0;
    while (parser.ParseGame(&g) != ERROR_NotFound) ++games;
    EXPECT_EQ(games, 3);
    EXPECT_EQ(parser.ErrorCount(), 0u);
    EXPECT_EQ(parser.BytesUsed(), readFile(path).size());
}

// The reader reads plain piece and pawn moves while it finds their ends, and
// resolves them from that reading; ReadMove reads the same text on its own.
// From positions of the sample set, every legal move is written in each form
// the fast reader takes (bare, with the origin's fyle, rank or both, or
// another fyle or rank, with and without the capture sign) and with a piece
// letter the move is not for, one game each: the parser's move, or its refusal, must be ReadMove's.
TEST(PgnGame, MovesReadInPlaceResolveAsReadMoveDoes) {
    int visited = 0;
    forEachSamplePosition([&](const Position& sample, const std::string& where) {
        if (visited++ % 8 != 0) return;
        char fen[128];
        sample.PrintFEN(fen, FEN_ALL_FIELDS);
        Position pos;
        pos.CopyFrom(sample);
        MoveList legal;
        pos.GenerateMoves(&legal);
        std::vector<std::pair<std::string, tokenT>> texts;
        for (const simpleMoveT& m : legal) {
            const std::string to = {square_FyleChar(m.to), square_RankChar(m.to)};
            const char fyle = square_FyleChar(m.from), rank = square_RankChar(m.from);
            // An origin the move does not come from.
            const char otherFyle = char('a' + (fyle - 'a' + 3) % 8);
            const char otherRank = char('1' + (rank - '1' + 5) % 8);
            const pieceT type = piece_Type(m.movingPiece);
            if (type == PAWN) {
                if (m.promote != EMPTY) continue;
                texts.push_back(
                    {fyle == to[0] ? to : std::string{fyle, 'x'} + to, TOKEN_Move_Pawn});
                texts.push_back({std::string{fyle} + to, TOKEN_Move_Pawn});
                continue;
            }
            for (char letter : std::string{piece_Char(type), 'Q', 'N'}) {
                for (const std::string& from :
                     {std::string(), std::string{fyle}, std::string{rank}, std::string{fyle, rank},
                      std::string{otherFyle}, std::string{otherRank}}) {
                    texts.push_back({letter + from + to, TOKEN_Move_Piece});
                    texts.push_back({letter + from + "x" + to, TOKEN_Move_Piece});
                }
            }
        }
        std::string pgn;
        for (const auto& [text, token] : texts)
            pgn += "[SetUp \"1\"]\n[FEN \"" + std::string(fen) + "\"]\n\n{ before } " + text +
                   " { after } *\n\n";
        PgnReader reader(pgn);
        Game game;
        for (const auto& [text, token] : texts) {
            ASSERT_NE(reader.next(game), ERROR_NotFound) << text << " in " << where;
            game.MoveToPly(0);
            const moveT* read = game.GetCurrentMove();
            simpleMoveT expected{};
            Position fresh;
            fresh.CopyFrom(sample);
            if (fresh.ReadMove(&expected, text.c_str(), token) != OK) {
                EXPECT_EQ(read, nullptr) << text << " in " << where;
            } else {
                ASSERT_NE(read, nullptr) << text << " in " << where;
                EXPECT_EQ(coordinates(read->moveData), coordinates(expected))
                    << text << " in " << where;
            }
        }
    });
}
