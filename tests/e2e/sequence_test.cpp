// Sequences of positions on the real binary: the marks they leave, and the
// games they select among the older real games (counts checked with an
// independent program).
#include <gtest/gtest.h>

#include <string>

#include "position_state.h"
#include "run_hux.h"
#include "test_paths.h"

namespace {

// Runs "(match :pgn games.pgn WORDS)" from a scratch directory holding `pgn`.
HuxRun scan(const std::string& words, const std::string& pgn) {
    std::string dir = scratchDir();
    writeFile(dir + "/games.pgn", pgn);
    writeFile(dir + "/q.hux", "(match :pgn games.pgn " + words + ")");
    return runHux({"q.hux"}, dir);
}

// The elements mark nothing: only the positions where a whole run starts.
TEST(SequenceRun, OnlyTheStartOfTheRunIsMarked) {
    const std::string tags =
        "[Event \"e\"]\n[Site \"s\"]\n[Date \"2000.01.01\"]\n[Round \"1\"]\n"
        "[White \"w\"]\n[Black \"b\"]\n[Result \"*\"]\n\n";
    struct Case {
        const char* list;
        const char* moves;
    } cases[] = {
        // Found only in the colour-swapped copy, which swaps its elements.
        {"(position :sequence ((position pe5 Pe2) (position Pe4)) :flipcolor :markall)",
         "1.e4 {MATCH} 1...e5 2.Nf3 Nc6 3.Bb5 a6 *"},
        // Where the bishop is not on b5 yet, it is found further on.
        {"(position Nf3 :gappedsequence ((position Bb5) (position pa6)) :markall)",
         "1.e4 e5 2.Nf3 {MATCH} 2...Nc6 {MATCH} 3.Bb5 {MATCH} 3...a6 *"},
    };
    for (const Case& c : cases) {
        HuxRun run = scan(c.list, tags + "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\n");
        EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: games.pgn.\n.+<1>" +
                               tags + "{Original game: 1}\n" + c.moves +
                               "\n\nNumber of matching games: 1 to file: stdout\n")
            << c.list;
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

TEST(SequenceRun, OlderRealGames) {
    std::string path = dataPath("dev/classics.pgn");
    SKIP_WITHOUT_DATA(path);
    const std::string pgn = readFile(path);
    const std::string checks =
        "(position :sequence ((position :check) (position) (position :check) (position) "
        "(position :check))";
    const std::string inCheck =
        "(position :sequence ((position :check) (position :check) (position :check))";
    const std::string queens =
        "(position :gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5))";
    struct Case {
        std::string list;
        int count;
        // Slow builds take one search into variations with gaps, one without.
        bool inSlowBuilds = false;
    } cases[] = {
        {checks + ")", 5041}, {checks + " :variations)", 5644, true},
        {inCheck + ")", 75},  {inCheck + " :variations)", 87},
        {queens + ")", 393},  {queens + " :variations)", 403, true},
    };
    for (const Case& c : cases) {
        if (kSlowBuild && !c.inSlowBuilds) continue;
        HuxRun run = scan(":output /dev/null " + c.list, pgn);
        std::string last =
            "Number of matching games: " + std::to_string(c.count) + " to file: /dev/null\n";
        EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1), last) << c.list;
        EXPECT_EQ(run.status, 0) << c.list;
    }
}

}  // namespace
