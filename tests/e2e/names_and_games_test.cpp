// The match form's name conditions (:player, :white, :black, :event, :site,
// :eco) on files in either encoding, quoted words, and games that the reader
// must keep whole: headers without moves, a result touching the next tag.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// Five games: Latin-1 and UTF-8 names, events, sites and opening codes.
const std::string kGames =
    "[Event \"Kecskem\xE9t\"]\n[Site \"Hungary\"]\n[White \"R\xE9ti, Richard\"]\n"
    "[Black \"Lasker, Emanuel\"]\n[ECO \"A04\"]\n\n1. Nf3 *\n\n"
    "[Event \"Moscow\"]\n[Site \"Moskva RUS\"]\n[White \"Lasker, Emanuel\"]\n"
    "[Black \"R\xC3\xA9ti, Richard\"]\n[ECO \"B99\"]\n\n1. e4 *\n\n"
    "[Event \"Moscow Open\"]\n[Site \"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0\"]\n"
    "[White \"Lasker, Edward\"]\n[Black \"Capablanca\"]\n[ECO \"B12c3\"]\n\n1. e4 *\n\n"
    "[Event \"Club\"]\n[White \"Reti, R\"]\n[Black \"Lasker, Em\"]\n\n1. d4 *\n\n"
    "[Event \"Club\"]\n[White \"Tal\"]\n[Black \"Laskerova\"]\n[ECO \"C20\"]\n\n1. e4 *\n";

HuxRun runOn(const std::string& dir, const std::string& conditions) {
    writeFile(dir + "/q.hux", "(match :pgn \"My Games/2024 club.pgn\" " + conditions + ")");
    return runHux({"q.hux"}, dir);
}

TEST(NamesRun, ConditionsOnTheTagsOfEitherEncoding) {
    const std::string dir = scratchDir();
    std::filesystem::create_directory(dir + "/My Games");
    writeFile(dir + "/My Games/2024 club.pgn", kGames);
    struct Case {
        std::string conditions;
        std::string selected;
    } cases[] = {
        {":player \"Lasker, Em\"", "+<1>+<2>+<4>"},
        {":white lasker", "+<2>+<3>"},
        {":black LASKER", "+<1>+<4>+<5>"},
        // Case is ignored for every letter, in a Latin-1 and a UTF-8 game.
        {":player R\xC3\x89TI", "+<1>+<2>"},
        {":player R\xC9TI", "+<1>+<2>"},
        {":player reti", "+<4>"},
        {":player reti :ignoreaccents", "+<1>+<2>+<4>"},
        {":ignoreaccents :white reti", "+<1>+<4>"},
        {":event moscow", "+<2>+<3>"},
        {":event \"Moscow Open\"", "+<3>"},
        {":event KECSKEM\xC3\x89T", "+<1>"},
        {":site \xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", "+<3>"},
        {":site moskva", "+<2>"},
        {":eco A00 B99", "+<1>+<2>+<3>"},
        {":eco B12", "+<3>"},
        {":eco B13 E99", "+<2>+<5>"},
        {":white lasker :black r\xC3\xA9ti", "+<2>"},
        {":white lasker :eco B12 :event Open", "+<3>"},
    };
    for (const Case& c : cases) {
        HuxRun run = runOn(dir, c.conditions);
        EXPECT_EQ(run.status, 0) << c.conditions << run.out << run.err;
        EXPECT_EQ(selectedGames(run), c.selected) << c.conditions;
    }
}

TEST(NamesRun, Refusals) {
    struct Case {
        std::string conditions;
        std::string out;
    } cases[] = {
        {":white", "Error: missing player name after :white\n"},
        {":black (x)", "Error: missing player name after :black\n"},
        {":event", "Error: missing text after :event\n"},
        {":site", "Error: missing text after :site\n"},
        {":eco", "Error: missing ECO code after :eco\n"},
        {":eco F00", "Error: invalid ECO code after :eco: F00 (codes run from A00 to E99)\n"},
        {":eco b12", "Error: invalid ECO code after :eco: b12 (codes run from A00 to E99)\n"},
        {":eco C20 B99", "Error: reversed :eco range: C20 is greater than B99\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery("(match :pgn absent.pgn " + c.conditions + ")");
        EXPECT_EQ(run.out, kBanner + c.out) << c.conditions;
        EXPECT_EQ(run.status, 1) << c.conditions;
    }
    HuxRun open = runQuery("(match :pgn \"absent.pgn)");
    EXPECT_EQ(open.err, "unterminated quoted word: \"absent.pgn)\n");
    EXPECT_EQ(open.where, "  at line 1, column 13: \"absent.pgn)\n");
    EXPECT_EQ(open.status, 1);
}

// A count whose min is above its max could never be met: refused like a
// reversed year, naming the keyword.
TEST(NamesRun, ReversedCountsAreRefused) {
    struct Case {
        std::string words;
        std::string out;
    } cases[] = {
        {":movenumber 40 10", "Error: reversed :movenumber range: 40 is greater than 10\n"},
        {":matchcount 3 2", "Error: reversed :matchcount range: 3 is greater than 2\n"},
        {":pretransformmatchcount 9 1",
         "Error: reversed :pretransformmatchcount range: 9 is greater than 1\n"},
        {":elo 2600 2000", "Error: reversed :elo range: 2600 is greater than 2000\n"},
        {":whiteelo 2 1", "Error: reversed :whiteelo range: 2 is greater than 1\n"},
        {":blackelo 2 1", "Error: reversed :blackelo range: 2 is greater than 1\n"},
        {":accumulate a :sumrange a 5 4", "Error: reversed :sumrange range: 5 is greater than 4\n"},
        {":relation (:originaldifferentcount 7 6)",
         "Error: reversed :originaldifferentcount range: 7 is greater than 6\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery("(match :pgn absent.pgn (position " + c.words + "))");
        EXPECT_EQ(run.out, kBanner + c.out) << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
    // Equal bounds and a single number stay accepted.
    HuxRun equal = runQuery("(match (position :movenumber 10 10 :elo 2000))");
    EXPECT_EQ(equal.out, std::string(kBanner) + "no pgn file specified");
}

// A header without moves is a game of its own: the Elo of A selects A, not B.
TEST(ReadingRun, HeaderWithoutMovesAndResultTouchingTheNextTag) {
    const std::string dir = scratchDir();
    writeFile(dir + "/g.pgn",
              "[Event \"A\"]\n[White \"X\"]\n[WhiteElo \"1802\"]\n\n[Event \"B\"]\n[White \"P\"]\n"
              "[WhiteElo \"1792\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n");
    writeFile(dir + "/q.hux", "(match :pgn g.pgn :output o.pgn (position :whiteelo 1800 1805))");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Attempting to open file: g.pgn.\n.+<1>\n"
                           "Number of matching games: 1 to file: o.pgn\n");
    EXPECT_EQ(
        readFile(dir + "/o.pgn"),
        "[Event \"A\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"X\"]\n"
        "[Black \"?\"]\n[Result \"*\"]\n[WhiteElo \"1802\"]\n\n{Original game: 1 MATCH}\n*\n");

    writeFile(dir + "/h.pgn", "[Event \"A\"]\n\n1. e4 e5 1/2-1/2[Event \"Open\"]\n\n1. d4 d5 *\n");
    writeFile(dir + "/q.hux", "(match :pgn h.pgn :output p.pgn)");
    run = runHux({"q.hux"}, dir);
    EXPECT_EQ(selectedGames(run), "+<1>+<2>");
    const std::string written = readFile(dir + "/p.pgn");
    EXPECT_NE(written.find("[Result \"1/2-1/2\"]\n\n{Original game: 1}\n1.e4 e5 1/2-1/2\n"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("[Event \"Open\"]"), std::string::npos) << written;
    EXPECT_EQ(written.find("Error reading move"), std::string::npos) << written;
}

// A name without a dot is NAME.hux, else NAME.HUX; a byte-order mark before
// the query is skipped, and text after it is ignored with a warning.
TEST(ReadingRun, QueryFileNameMarkAndTrailingText) {
    const std::string dir = scratchDir();
    writeFile(dir + "/both.hux", "(match :output lower)");
    writeFile(dir + "/both.HUX", "(match :output upper)");
    writeFile(dir + "/upper.HUX", "\xEF\xBB\xBF(match)\n; done\n(match :pgn other.pgn)\n");
    HuxRun lower = runHux({"both"}, dir);
    EXPECT_EQ(lower.out, std::string(kBanner) + "no pgn file specified");
    EXPECT_EQ(lower.err, "");
    writeFile(dir + "/both.hux", "(match :pgn");
    EXPECT_EQ(runHux({"both"}, dir).err, "parseRestStream: unterminated list\n");

    HuxRun upper = runHux({"upper"}, dir);
    EXPECT_EQ(upper.out, std::string(kBanner) + "no pgn file specified");
    EXPECT_EQ(upper.err, "Warning: text after the query's list is ignored, from line 3: (match\n");
    EXPECT_EQ(upper.status, 1);
}

}  // namespace
