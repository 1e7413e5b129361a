// The scan over a PGN file, run on the real binary: game-level conditions,
// progress and match marks, the count line, and how the output file is
// opened, refused and written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

std::string samplePgn() {
    static const std::string text = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    return text;
}

// n tiny games, numbered in their White tag.
std::string tinyGames(int n) {
    std::string text;
    for (int i = 1; i <= n; i++)
        text += "[Event \"g\"]\n[White \"W" + std::to_string(i) + "\"]\n\n1. e4 e5 1-0\n\n";
    return text;
}

struct Scan {
    HuxRun run;
    std::string dir;
};

// Runs "(match :pgn games.pgn WORDS)" on `pgn`, from a scratch directory that
// holds games.pgn and the query q.hux.
Scan scan(const std::string& words, const std::string& pgn = samplePgn()) {
    Scan s;
    s.dir = scratchDir();
    writeFile(s.dir + "/games.pgn", pgn);
    writeFile(s.dir + "/q.hux", "(match :pgn games.pgn " + words + ")");
    s.run = runHux({"q.hux"}, s.dir);
    return s;
}

// The whole standard output of a completed scan of games.pgn.
std::string completed(const std::string& marks, int count, const std::string& to = "out.pgn") {
    return std::string(kBanner) + "Attempting to open file: games.pgn.\n" + marks +
           "\nNumber of matching games: " + std::to_string(count) + " to file: " + to + "\n";
}

void expectScan(const std::string& words, const std::string& marks, int count) {
    Scan s = scan(":output out.pgn " + words);
    EXPECT_EQ(s.run.out, completed(marks, count)) << words;
    EXPECT_EQ(s.run.err, "") << words;
    EXPECT_EQ(s.run.status, 0) << words;
}

TEST(ScanConditions, Player) {
    // Morphy is Black in game 4 and White in game 5.
    expectScan(":player morphy", ".+<4>+<5>", 2);
    expectScan(":player FISCHER", ".+<22>+<24>+<26>+<27>+<28>+<29>", 6);
    expectScan(":player LASKER", ".+<9>+<15>+<20>", 3);
    expectScan(":player TORRE", ".+<17>+<20>", 2);
    expectScan(":player ackbu", ".+<8>", 1);
    expectScan(":player nobody-plays-here", ".", 0);
}

TEST(ScanConditions, Year) {
    expectScan(":year 1912", ".+<14>+<15>", 2);
    expectScan(":year 1850 1900", ".+<2>+<3>+<4>+<5>+<7>+<8>+<9>+<10>+<11>", 9);
    // Game 6 has the date "????.??.??": its year is 0.
    expectScan(":year 0 1800", ".+<1>+<6>", 2);
    expectScan(":year 1998 2100", ".+<32>", 1);
}

TEST(ScanConditions, UnknownYearsCountAsZero) {
    // A "????.??.??" date, no Date tag at all, and 1990.
    const std::string pgn = readFile(fixturePath("pgn/unknown_years.pgn"));
    struct Case {
        const char* words;
        const char* marks;
        int count;
    } cases[] = {
        {":year 0 2000", ".+<1>+<2>+<3>", 3},
        {":year 0", ".+<1>+<2>", 2},
        {":year 1 2000", ".+<3>", 1},
    };
    for (const Case& c : cases) {
        Scan s = scan(std::string(":output out.pgn ") + c.words, pgn);
        EXPECT_EQ(s.run.out, completed(c.marks, c.count)) << c.words;
        EXPECT_EQ(s.run.status, 0) << c.words;
    }
}

TEST(ScanConditions, Result) {
    expectScan(":result 1/2", ".+<6>+<7>+<24>", 3);
    expectScan(":result 1/2-1/2", ".+<6>+<7>+<24>", 3);
    expectScan(":result 0-1", ".+<4>+<12>+<14>+<16>+<18>+<19>+<22>+<23>+<27>", 9);
    expectScan(":result 1-0 :year 1895", ".+<10>+<11>", 2);
}

TEST(ScanGameNumbers, OnlyTheRangeIsExamined) {
    expectScan(":gamenumber 5", ".+<5>", 1);
    expectScan(":gamenumber 3 5", ".+<3>+<4>+<5>", 3);
    // The other conditions still apply inside the range.
    expectScan(":gamenumber 20 30 :player fischer", ".+<22>+<24>+<26>+<27>+<28>+<29>", 6);
}

TEST(ScanGameNumbers, ReadingStopsAfterTheGameBeyondTheRange) {
    // Game 1001 is read (its progress mark shows), the dot of game 1101 never
    // comes.
    Scan s = scan(":output out.pgn :gamenumber 1000", tinyGames(1200));
    EXPECT_EQ(s.run.out, completed("..........+<1000>1001\n", 1));
    // Six sample games, then many more: no dot at game 101.
    std::string pgn = samplePgn();
    pgn = pgn.substr(0, pgn.rfind("[Event", pgn.find("[White \"Hamppe")));
    ASSERT_NE(pgn.find("Loyd"), std::string::npos);
    ASSERT_EQ(pgn.find("Hamppe"), std::string::npos);
    s = scan(":output out.pgn :gamenumber 5", pgn + "\n" + tinyGames(500));
    EXPECT_EQ(s.run.out, completed(".+<5>", 1));
    EXPECT_EQ(s.run.status, 0);
}

TEST(ScanProgress, DotsAndThousands) {
    Scan s = scan(":player nobody", tinyGames(250));
    EXPECT_EQ(s.run.out, completed("...", 0, "stdout"));
    s = scan(":player nobody", tinyGames(2500));
    EXPECT_EQ(s.run.out, completed(std::string(10, '.') + "1001\n" + std::string(9, '.') +
                                       "2001\n" + std::string(4, '.'),
                                   0, "stdout"));
    EXPECT_EQ(s.run.status, 0);
}

TEST(ScanProgress, EveryGameMatchesWithoutConditions) {
    Scan s = scan(":output out.pgn", tinyGames(3));
    EXPECT_EQ(s.run.out, completed(".+<1>+<2>+<3>", 3));
    s = scan(":output out.pgn", "");
    EXPECT_EQ(s.run.out, completed("", 0));
}

// What the scan writes for one game of the sample, on its own.
std::string writtenGame(int number) {
    Scan s = scan(":output out.pgn :gamenumber " + std::to_string(number));
    EXPECT_EQ(s.run.status, 0);
    return readFile(s.dir + "/out.pgn");
}

TEST(ScanOutput, GamesSeparatedByABlankLine) {
    const std::string game4 = writtenGame(4), game5 = writtenGame(5);
    EXPECT_EQ(game4.rfind("[Event \"1st American Chess Congress\"]\n", 0), 0u) << game4;
    EXPECT_NE(game4.find("{Original game: 4}"), std::string::npos) << game4;
    EXPECT_NE(game5.find("{Original game: 5"), std::string::npos) << game5;
    Scan s = scan(":output out.pgn :player morphy");
    EXPECT_EQ(readFile(s.dir + "/out.pgn"), game4 + "\n\n" + game5);
}

TEST(ScanOutput, StandardOutputCarriesEachGameAfterItsMark) {
    Scan s = scan(":player morphy");
    EXPECT_EQ(s.run.out,
              completed(".+<4>" + writtenGame(4) + "+<5>\n\n" + writtenGame(5), 2, "stdout"));
    EXPECT_EQ(s.run.status, 0);
}

TEST(ScanFiles, UnreadableInputAndUnwritableOutput) {
    std::string dir = scratchDir();
    writeFile(dir + "/q.hux", "(match :pgn absent.pgn :output out.pgn)");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Attempting to open file: absent.pgn.\n"
                           "matchFilter::match could not open file: absent.pgn\n");
    EXPECT_EQ(run.status, 1);
    // The output is opened only after the input.
    EXPECT_NE(access((dir + "/out.pgn").c_str(), F_OK), 0);

    // The content decides, not the name: text named like a compressed file
    // is read as text.
    writeFile(dir + "/games.pgn.gz", samplePgn());
    writeFile(dir + "/q.hux", "(match :pgn games.pgn.gz)");
    run = runHux({"q.hux"}, dir);
    EXPECT_TRUE(run.out.ends_with("\nNumber of matching games: 32 to file: stdout\n")) << run.out;
    EXPECT_EQ(run.status, 0);

    Scan s = scan(":output no-such-dir/out.pgn");
    EXPECT_EQ(s.run.out, std::string(kBanner) +
                             "Attempting to open file: games.pgn.\n"
                             "could not open the file: no-such-dir/out.pgn for writing\n");
    EXPECT_EQ(s.run.status, 1);
}

// An output file that is the PGN input or the query, under any name, is
// refused before it is opened, so both survive untouched.
TEST(ScanFiles, RefusesToOverwriteItsOwnInputs) {
    struct Case {
        const char* output;
        const char* victim;
    } cases[] = {
        {"games.pgn", "the PGN file games.pgn"},
        {"./games.pgn", "the PGN file games.pgn"},
        {"hard.pgn", "the PGN file games.pgn"},
        {"link.pgn", "the PGN file games.pgn"},
        {"sub/../games.pgn", "the PGN file games.pgn"},
        {"q.hux", "the query file q.hux"},
        {"./q.hux", "the query file q.hux"},
        {"qlink.hux", "the query file q.hux"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        std::string query = std::string("(match :pgn games.pgn :output ") + c.output + ")";
        writeFile(dir + "/games.pgn", samplePgn());
        writeFile(dir + "/q.hux", query);
        ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
        ASSERT_EQ(link((dir + "/games.pgn").c_str(), (dir + "/hard.pgn").c_str()), 0);
        ASSERT_EQ(symlink("games.pgn", (dir + "/link.pgn").c_str()), 0);
        ASSERT_EQ(symlink("q.hux", (dir + "/qlink.hux").c_str()), 0);
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: games.pgn.\n" +
                               "Error: the output file " + c.output + " is " + c.victim +
                               ": it would be overwritten\n")
            << c.output;
        EXPECT_EQ(run.status, 1) << c.output;
        EXPECT_EQ(readFile(dir + "/games.pgn"), samplePgn()) << c.output;
        EXPECT_EQ(readFile(dir + "/q.hux"), query) << c.output;
    }
}

TEST(ScanFiles, FailedWriteIsAnError) {
    Scan s = scan(":output /dev/full :result 1/2");
    const std::string message =
        "Error: could not write the output to /dev/full: No space left on device\n";
    ASSERT_GE(s.run.out.size(), message.size());
    EXPECT_EQ(s.run.out.substr(s.run.out.size() - message.size()), message) << s.run.out;
    EXPECT_EQ(s.run.out.find("Number of matching games"), std::string::npos);
    EXPECT_EQ(s.run.status, 1);
}

}  // namespace
