// Sequences of positions on the real binary: the games they select in the
// sample and in the older real games (numbers checked with an independent
// program), the marks they leave, and a game of forty thousand plies.
#include <gtest/gtest.h>

#include <string>

#include "position_state.h"
#include "run_hux.h"
#include "test_paths.h"

namespace {

// Runs "(match :pgn games.pgn WORDS)" from a scratch directory holding
// `pgn` as games.pgn.
HuxRun scan(const std::string& words, const std::string& pgn) {
    std::string dir = scratchDir();
    writeFile(dir + "/games.pgn", pgn);
    writeFile(dir + "/q.hux", "(match :pgn games.pgn " + words + ")");
    return runHux({"q.hux"}, dir);
}

std::string countLine(int n, const char* to) {
    return "\nNumber of matching games: " + std::to_string(n) + " to file: " + to + "\n";
}

TEST(SequenceRun, SampleGames) {
    const std::string checks =
        ":sequence ((position :check) (position) (position :check) (position) (position :check))";
    const std::string queens =
        "((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5))";
    struct Case {
        std::string list;
        const char* marks;
        int count;
    } cases[] = {
        // One side checks on three moves running.
        {"(position " + checks + ")",
         ".+<2>+<3>+<4>+<5>+<7>+<8>+<9>+<10>+<11>+<13>+<15>+<16>+<20>+<21>+<22>+<23>+<32>", 17},
        // Three positions in a row in check: each check answered by a check.
        {"(position :sequence ((position :check) (position :check) (position :check)))", ".", 0},
        // The queens come off, later a queen is back: a promotion in game
        // 18, and in game 11 only inside a variation.
        {"(position :gappedsequence ((position :piececount [Qq] 0) (position :piececount [Qq] 1 "
         "5)))",
         ".+<18>", 1},
        {"(position :gappedsequence ((position :piececount [Qq] 0) (position :piececount [Qq] 1 "
         "5)) :variations)",
         ".+<11>+<18>", 2},
        {"(position :gappedsequence " + queens + ")", ".+<18>", 1},
        {"(position :gappedsequence " + queens + " :variations)", ".+<18>", 1},
    };
    const std::string sample = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    for (const Case& c : cases) {
        HuxRun run = scan(":output /dev/null " + c.list, sample);
        EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: games.pgn.\n" +
                               c.marks + countLine(c.count, "/dev/null"))
            << c.list;
        EXPECT_EQ(run.err, "") << c.list;
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

// The elements mark nothing: only the position where the whole run starts.
TEST(SequenceRun, OnlyTheStartOfTheRunIsMarked) {
    const std::string pgn =
        "[Event \"e\"]\n[Site \"s\"]\n[Date \"2000.01.01\"]\n[Round \"1\"]\n[White \"w\"]\n"
        "[Black \"b\"]\n[Result \"*\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\n";
    struct Case {
        const char* list;
        const char* moves;
    } cases[] = {
        {"(position :sequence ((position Pe4 pe7) (position pe5) (position Nf3)) :markall)",
         "1.e4 {MATCH} 1...e5 2.Nf3 Nc6 3.Bb5 a6 *"},
        // Where the bishop is not on b5 yet, it is found further on.
        {"(position Nf3 :gappedsequence ((position Bb5) (position pa6)) :markall)",
         "1.e4 e5 2.Nf3 {MATCH} 2...Nc6 {MATCH} 3.Bb5 {MATCH} 3...a6 *"},
    };
    for (const Case& c : cases) {
        HuxRun run = scan(c.list, pgn);
        std::string game =
            "[Event \"e\"]\n[Site \"s\"]\n[Date \"2000.01.01\"]\n[Round \"1\"]\n"
            "[White \"w\"]\n[Black \"b\"]\n[Result \"*\"]\n\n{Original game: 1}\n" +
            std::string(c.moves) + "\n";
        EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: games.pgn.\n.+<1>" +
                               game + countLine(1, "stdout"))
            << c.list;
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

TEST(SequenceRun, GameOfFortyThousandPlies) {
    std::string pgn = "[Event \"long\"]\n\n";
    for (int i = 0; i < 10000; i++)
        pgn += std::to_string(2 * i + 1) + ". Nf3 Nf6 " + std::to_string(2 * i + 2) + ". Ng1 Ng8 ";
    pgn += "*\n";
    struct Case {
        const char* list;
        const char* marks;
        int count;
    } cases[] = {
        // No check at all: searched to the end from the first position.
        {"(position :gappedsequence ((position) (position :check)) :markall)", ".", 0},
        // Every position but the last two; the knights' dance repeats every
        // four plies and the run of five fits from two of each four.
        {"(position :gappedsequence ((position ng8) (position nf6) (position Ng1)) :matchcount "
         "39998)",
         ".+<1>", 1},
        {"(position :sequence ((position Nf3) (position nf6) (position Ng1) (position ng8) "
         "(position Nf3)) :matchcount 19998)",
         ".+<1>", 1},
    };
    for (const Case& c : cases) {
        HuxRun run = scan(":output /dev/null " + std::string(c.list), pgn);
        EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: games.pgn.\n" +
                               c.marks + countLine(c.count, "/dev/null"))
            << c.list;
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

// Game counts over the older real games, main lines and variations, as an
// independent replay of the same games found them.
TEST(SequenceRun, OlderRealGames) {
    std::string path = dataPath("dev/classics.pgn");
    SKIP_WITHOUT_DATA(path);
    const std::string pgn = readFile(path);
    const std::string checks3 =
        "((position :check) (position) (position :check) (position) (position :check))";
    const std::string inCheck3 = "((position :check) (position :check) (position :check))";
    const std::string queensBack =
        "((position :piececount [Qq] 0) (position :piececount [Qq] 1 5))";
    const std::string queens3 =
        "((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5))";
    struct Case {
        std::string list;
        int count;
        // Slow builds take one search into variations with gaps, one without.
        bool inSlowBuilds = false;
    } cases[] = {
        {"(position :sequence " + checks3 + ")", 5041},
        {"(position :sequence " + checks3 + " :variations)", 5644, true},
        {"(position :sequence " + inCheck3 + ")", 75},
        {"(position :sequence " + inCheck3 + " :variations)", 87},
        {"(position :gappedsequence " + queensBack + ")", 543},
        {"(position :gappedsequence " + queensBack + " :variations)", 623},
        {"(position :gappedsequence " + queens3 + ")", 393},
        {"(position :gappedsequence " + queens3 + " :variations)", 403, true},
    };
    for (const Case& c : cases) {
        if (kSlowBuild && !c.inSlowBuilds) continue;
        HuxRun run = scan(":output /dev/null " + c.list, pgn);
        std::string last = countLine(c.count, "/dev/null");
        EXPECT_TRUE(run.out.size() >= last.size() &&
                    run.out.compare(run.out.size() - last.size(), last.size(), last) == 0)
            << c.list << "\n"
            << run.out.substr(run.out.rfind('\n', run.out.size() - 2));
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

}  // namespace
