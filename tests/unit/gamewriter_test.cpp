#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/textbuf.h"
#include "pgn_test_support.h"
#include "query/util.h"
#include "test_paths.h"

namespace {

// What util::printgame writes for one game.
std::string record(Game& game) {
    char* data = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    EXPECT_NE(stream, nullptr);
    TextBuffer buffer;
    EXPECT_TRUE(util::printgame(stream, &game, buffer));
    fclose(stream);
    std::string text(data, size);
    free(data);
    return text;
}

// Every game of the text, numbered from firstNumber and written the way the
// scan writes matching games: "\n\n" between two records.
std::string writeAll(const std::string& pgn, uint32_t firstNumber) {
    PgnReader reader(pgn);
    Game game;
    std::string out;
    for (uint32_t n = firstNumber; reader.next(game) != ERROR_NotFound; n++) {
        game.SetNumber(n);
        game.MoveToPly(0);
        if (!out.empty()) out += "\n\n";
        out += record(game);
    }
    return out;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// No line reaches the 80th column unless it is one word that long by itself.
void expectWrapped(const std::string& text) {
    for (const std::string& line : splitLines(text)) {
        if (line.size() <= 79 || line[0] == '[') continue;
        std::string word = line.substr(0, line.find_last_not_of(' ') + 1);
        // A "[%...]" command is never broken: it counts as one word.
        word = std::regex_replace(word, std::regex(R"(\[%[^\]]*\])"), "[%]");
        EXPECT_EQ(word.find(' '), std::string::npos) << "line too long: " << line;
    }
}

struct GoldenCase {
    const char* input;
    const char* expected;
    uint32_t firstNumber;
};

class GoldenRecordTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenRecordTest, MatchesTheHandWrittenRecord) {
    const GoldenCase& c = GetParam();
    std::string input = readFile(fixturePath(std::string("pgn/") + c.input));
    std::string expected = readFile(fixturePath(std::string("golden/") + c.expected));
    ASSERT_FALSE(input.empty());
    ASSERT_FALSE(expected.empty());
    std::string written = writeAll(input, c.firstNumber);
    EXPECT_EQ(written, expected);
    expectWrapped(written);
}

INSTANTIATE_TEST_SUITE_P(
    Writer, GoldenRecordTest,
    ::testing::Values(
        // Tag order: seven standard tags, ratings with their type names, the
        // extended ECO code, EventDate, extra tags as stored.
        GoldenCase{"writer_optional_tags.pgn", "optional_tags.pgn", 1},
        // Seven tag lines only; a comment forces the next black move's number;
        // a game with no moves; "\n\n" between records.
        GoldenCase{"writer_plain_games.pgn", "plain_games.pgn", 5},
        // Start comment in the first line; NAGs; two variations on one move,
        // one with its own opening comment; nested variations; wrapping.
        GoldenCase{"writer_numbers_nags_variations.pgn", "numbers_nags_variations.pgn", 5},
        // FEN last, after the extra tags; move numbers from the FEN, black first.
        GoldenCase{"writer_fen_setup.pgn", "fen_setup.pgn", 1},
        // A long tag stays on its line; a word longer than a line stands alone.
        GoldenCase{"writer_long_lines.pgn", "long_lines.pgn", 1},
        // Names and comments keep the bytes they came in, in either encoding.
        GoldenCase{"writer_utf8.pgn", "utf8.pgn", 1},
        GoldenCase{"writer_latin1.pgn", "latin1.pgn", 1}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) {
        std::string name = info.param.expected;
        name = name.substr(0, name.find('.'));
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

// The move text of a record: its lines after the "Original game" line.
std::string moveText(const std::string& written) {
    size_t start = written.find("{Original game:");
    start = written.find('\n', start) + 1;
    return written.substr(start);
}

TEST(NagText, PlainSymbolsAndLatex) {
    char text[20];
    game_printNag(0, text, false, PGN_FORMAT_Plain);
    EXPECT_STREQ(text, "");
    game_printNag(1, text, false, PGN_FORMAT_Plain);
    EXPECT_STREQ(text, "$1");
    game_printNag(14, text, false, PGN_FORMAT_LaTeX);
    EXPECT_STREQ(text, "\\$14");
    const char* const symbols[][2] = {
        {"1", "!"},   {"2", "?"},   {"3", "!!"},  {"4", "??"},  {"5", "!?"},   {"6", "?!"},
        {"10", "="},  {"13", "~"},  {"14", "+="}, {"15", "=+"}, {"16", "+/-"}, {"17", "-/+"},
        {"18", "+-"}, {"21", "-+"}, {"146", "N"}, {"201", "D"}, {"7", "$7"},   {"255", "$255"}};
    for (const auto& [nag, symbol] : symbols) {
        game_printNag(byte(atoi(nag)), text, true, PGN_FORMAT_Plain);
        EXPECT_STREQ(text, symbol) << "NAG " << nag;
    }
}

TEST(MoveTextLayout, NagSpacingInBothStyles) {
    std::string pgn = "[Event \"x\"]\n\n1. e4 ! $14 $150 e5 ?! 2. Nf3 $7 *\n";
    EXPECT_EQ(moveText(writeAll(pgn, 1)), "1.e4 $1 $14 $150 e5 $6 2.Nf3 $7 *\n");

    PgnReader reader(pgn);
    Game game;
    ASSERT_NE(reader.next(game), ERROR_NotFound);
    game.SetPgnStyle(PGN_STYLE_TAGS | PGN_STYLE_COMMENTS | PGN_STYLE_VARS | PGN_STYLE_SYMBOLS);
    EXPECT_EQ(moveText(record(game)), "1.e4! += $150 e5?! 2.Nf3 $7 *\n");
}

TEST(MoveTextLayout, StyleBitsLeaveOutCommentsNagsAndVariations) {
    std::string pgn = "[Event \"x\"]\n\n{start} 1. e4 $1 {good} (1. d4 {also}) e5 *\n";
    PgnReader reader(pgn);
    Game game;
    ASSERT_NE(reader.next(game), ERROR_NotFound);
    game.SetNumber(1);
    game.SetPgnStyle(PGN_STYLE_TAGS);
    EXPECT_EQ(moveText(record(game)), "1.e4 e5 *\n");
    game.SetPgnStyle(PGN_STYLE_TAGS | PGN_STYLE_VARS);
    EXPECT_EQ(moveText(record(game)), "1.e4 ( 1.d4 ) 1...e5 *\n");
}

TEST(MoveTextLayout, ABraceInsideACommentCannotCloseItEarly) {
    // Text between games becomes the next game's start comment as it stands,
    // braces included.
    std::string pgn = "Next: {the famous one}\n[Event \"x\"]\n\n1. e4 *\n";
    std::string written = writeAll(pgn, 1);
    EXPECT_NE(written.find("{Original game: 1 Next: {the famous one)}\n"), std::string::npos)
        << written;
    PgnReader back(written);
    Game game;
    ASSERT_NE(back.next(game), ERROR_NotFound);
    EXPECT_EQ(back.parser().ErrorCount(), 0u) << back.log();
}

TEST(MoveTextLayout, WritingLeavesTheCursorWhereItWas) {
    std::string pgn = "[Event \"x\"]\n\n1. e4 e5 (1... c5 2. Nf3 d6) 2. Nf3 Nc6 *\n";
    PgnReader reader(pgn);
    Game game;
    ASSERT_NE(reader.next(game), ERROR_NotFound);
    game.MoveToPly(1);
    ASSERT_EQ(game.MoveIntoVariation(0), OK);
    ASSERT_EQ(game.MoveForward(), OK);
    moveT* current = game.GetCurrentMove();
    std::string first = record(game);
    EXPECT_EQ(game.GetCurrentMove(), current);
    EXPECT_EQ(game.GetVarLevel(), 1u);
    EXPECT_EQ(game.GetCurrentPly(), 2u);
    EXPECT_EQ(record(game), first);
}

// A game of knight moves there and back, each with a long comment, much
// larger than the 100000 characters the record buffer starts with.
std::string hugeGame(uint32_t movePairs, const std::string& comment) {
    std::string pgn = "[Event \"Marathon\"]\n[Result \"1/2-1/2\"]\n\n";
    const char* const cycle[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    for (uint32_t i = 0; i < movePairs * 2; i++) {
        if (i % 2 == 0) pgn += std::to_string(i / 2 + 1) + ". ";
        pgn += cycle[i % 4];
        pgn += " {" + comment + " " + std::to_string(i) + "} ";
    }
    return pgn + "1/2-1/2\n";
}

TEST(WholeRecords, AGameOverTheStartingBufferIsWrittenWhole) {
    std::string comment(250, 'c');
    for (size_t i = 9; i + 1 < comment.size(); i += 10) comment[i] = ' ';
    std::string written = writeAll(hugeGame(300, comment), 1);
    ASSERT_GT(written.size(), 150000u);
    EXPECT_EQ(written.substr(written.size() - 13), "599} 1/2-1/2\n");
    expectWrapped(written);

    PgnReader back(written);
    Game game;
    ASSERT_NE(back.next(game), ERROR_NotFound);
    EXPECT_EQ(back.parser().ErrorCount(), 0u) << back.log();
    game.MoveToPly(10000);
    EXPECT_EQ(game.GetCurrentPly(), 600u);
    ASSERT_EQ(game.MoveBackup(), OK);
    ASSERT_EQ(game.MoveForward(), OK);
    // The last comment, collapsed back from the wrapped lines, is all there.
    std::string last = game.GetMoveComment();
    EXPECT_EQ(last.size(), comment.size() + 4);
    EXPECT_EQ(last.substr(last.size() - 4), " 599");
    EXPECT_EQ(game.GetResult(), RESULT_Draw);
}

TEST(WholeRecords, AFailedWriteIsReported) {
    FILE* full = fopen("/dev/full", "w");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    PgnReader reader(hugeGame(50, std::string(200, 'x')));
    Game game;
    ASSERT_NE(reader.next(game), ERROR_NotFound);
    // Larger than the stream's buffer, so the write reaches the device.
    TextBuffer buffer;
    EXPECT_FALSE(util::printgame(full, &game, buffer));
    fclose(full);

    full = fopen("/dev/full", "w");
    setvbuf(full, nullptr, _IONBF, 0);
    PgnReader small("[Event \"x\"]\n\n1. e4 *\n");
    ASSERT_NE(small.next(game), ERROR_NotFound);
    EXPECT_FALSE(util::printgame(full, &game, buffer));
    fclose(full);
}

TEST(WholeRecords, AFixedBufferReportsThatItIsFull) {
    PgnReader reader(hugeGame(20, std::string(100, 'y')));
    Game game;
    ASSERT_NE(reader.next(game), ERROR_NotFound);
    TextBuffer tb;
    tb.SetBufferSize(2000);
    EXPECT_EQ(game.WriteToPGN_changed(&tb), ERROR_BufferFull);
    TextBuffer roomy;
    roomy.SetBufferSize(100000);
    EXPECT_EQ(game.WriteToPGN_changed(&roomy), OK);
}

TEST(WholeRecords, DeeplyNestedVariationsComeBackTheSame) {
    // Each variation replaces the first move of the one around it.
    std::string pgn = "[Event \"Nest\"]\n\n1. e4 ";
    const char* const firstMoves[] = {"d4", "c4", "Nf3", "g3", "b3", "f4", "Nc3", "b4"};
    for (int depth = 0; depth < 150; depth++)
        pgn += std::string("(1. ") + firstMoves[depth % 8] + " ";
    for (int depth = 0; depth < 150; depth++) pgn += ") ";
    pgn += "e5 *\n";
    std::string written = writeAll(pgn, 1);
    std::string again = writeAll(written, 1);
    // The second pass adds its own "Original game" line before the first one's.
    EXPECT_EQ(moveText(again), moveText(written));
    EXPECT_NE(written.find("( 1.f4 ) ) ) "), std::string::npos);
    expectWrapped(written);
}

// Lines break between the words of a comment, never inside a "[%...]"
// command, after the opening brace or before the closing one: other readers
// lose clocks and evaluations split over two lines.
void expectCommentsUnbroken(const std::string& text) {
    for (const std::string& line : splitLines(text)) {
        if (line[0] == '[') continue;
        EXPECT_NE(line.back(), '{') << line;
        EXPECT_NE(
            line.substr(
                line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '),
                1),
            "}")
            << line;
        // Every command that starts on the line ends on it.
        for (size_t at = line.find("[%"); at != std::string::npos; at = line.find("[%", at + 1))
            EXPECT_NE(line.find(']', at), std::string::npos) << line;
    }
}

TEST(CommentLayout, CommandsAndBracesStayWithTheirText) {
    // At every starting column, so that each possible break point is met.
    std::string pgn = "[Event \"Clocks\"]\n\n";
    for (int i = 0; i < 80; i++) {
        std::string pad(size_t(i % 9), 'p');
        pgn += std::to_string(2 * i + 1) + ". Nf3 {" + pad + " [%clk 1:31:51]} Nf6 {[%eval 0.17] " +
               "[%clk 1:30:02]} " + std::to_string(2 * i + 2) +
               ". Ng1 {MATCH} Ng8 {[%csl Ra1,Rb2][%cal Ge2e4,Gd2d4]} ";
    }
    pgn += "*\n";
    const std::string written = writeAll(pgn, 1);
    expectCommentsUnbroken(written);
    expectWrapped(written);
    size_t clocks = 0;
    for (size_t at = written.find("[%clk "); at != std::string::npos;
         at = written.find("[%clk ", at + 1))
        ++clocks;
    EXPECT_EQ(clocks, 160u);

    // A long comment still wraps between its words, and an empty one stays.
    std::string words;
    for (int i = 0; i < 40; i++) words += "word" + std::to_string(i) + " ";
    const std::string wrapped = writeAll("[Event \"W\"]\n\n1. e4 {" + words + "} e5 {} *\n", 1);
    expectCommentsUnbroken(wrapped);
    expectWrapped(wrapped);
    EXPECT_NE(wrapped.find("{word0 "), std::string::npos);
    EXPECT_NE(wrapped.find(" word39}"), std::string::npos);
    EXPECT_NE(wrapped.find("e5 {}"), std::string::npos);
}

TEST(CommentLayout, ExactBreaks) {
    // The clock would have reached column 80: it moves to the next line whole,
    // together with the brace before it.
    const std::string pgn = "[Event \"E\"]\n\n1. e4 {" + std::string(60, 'a') +
                            " [%clk 1:31:51]} e5 {" + std::string(75, 'b') + "} *\n";
    const std::string written = writeAll(pgn, 1);
    EXPECT_NE(written.find("1.e4 {" + std::string(60, 'a') + " \n[%clk 1:31:51]} 1...e5 \n{" +
                           std::string(75, 'b') + "} *"),
              std::string::npos)
        << written;
}

}  // namespace
