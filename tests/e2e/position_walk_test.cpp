// Which positions of a game a position list visits, counts and marks: the
// main line and variations, the first match or all of them, nested lists, and
// the MATCH comments in the written games, compared with golden files.
#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// Runs a position list over the walk fixture (a game whose mates stand in the
// main line, in a variation and in a variation inside a variation, and a game
// without mate); returns the run.
HuxRun runWalk(const std::string& dir, const std::string& list) {
    writeFile(dir + "/g.pgn", readFile(fixturePath("pgn/walk_mates_in_variations.pgn")));
    writeFile(dir + "/q.hux", "(match :pgn g.pgn :output out.pgn " + list + ")");
    return runHux({"q.hux"}, dir);
}

TEST(PositionWalk, MarksMatchGoldenFiles) {
    struct Case {
        const char* list;
        const char* golden;
    } cases[] = {
        // Every mate, main line and variations, with :markall.
        {"(position :mate :variations :markall)", "walk_mates_markall_variations"},
        // Without :markall the walk stops at the first match; without
        // :variations it never enters one.
        {"(position :mate)", "walk_first_mate_main_line"},
        // :variationsonly never matches on the main line.
        {"(position :mate :variationsonly)", "walk_first_mate_variations_only"},
        // Nested lists count for their parent but never write MATCH.
        {"(position :and ((position :check)) :variations :matchcount 4)",
         "walk_nested_lists_unmarked"},
        // The mark goes before the move's own comment, which is kept.
        {"(position :movenumber 3 :btm Bc4)", "walk_mark_keeps_comment"},
        // A match at the start position marks the game's opening comment.
        {"(position :initial)", "walk_initial_position"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        HuxRun run = runWalk(dir, c.list);
        EXPECT_EQ(run.status, 0) << c.list << "\n" << run.out;
        EXPECT_EQ(readFile(dir + "/out.pgn"),
                  readFile(fixturePath(std::string("golden/") + c.golden + ".pgn")))
            << c.list;
    }
}

TEST(PositionWalk, CountsDecideWhichGamesMatch) {
    struct Case {
        const char* list;
        const char* games;
    } cases[] = {
        {"(position :mate :variations :matchcount 4)", "+<1>"},
        {"(position :mate :variations :matchcount 3)", ""},
        {"(position :mate :variationsonly :matchcount 3)", "+<1>"},
        {"(position :mate :matchcount 1)", "+<1>"},
        {"(position :check :variations :matchcount 1 9)", "+<1>+<2>"},
        // A count of 0 never selects a game: a game needs a match.
        {"(position :mate :matchcount 0)", ""},
        // Game 1 has 8 main-line positions, the last one check; game 2 has 7,
        // and one check in a variation.
        {"(position :not :check :matchcount 7)", "+<1>+<2>"},
        {"(position :check :variations :matchcount 1)", "+<2>"},
        // :movenumber 2 3 holds at plies 2 to 5.
        {"(position :movenumber 2 3 :matchcount 4)", "+<1>+<2>"},
        {"(position :terminal :mate)", "+<1>"},
        {"(position :terminal :variations :matchcount 4)", "+<1>"},
        // The start, and every position whose next move has variations.
        {"(position :varinitial :variations :matchcount 4)", "+<1>"},
        {"(position :varinitial :variations :matchcount 3)", "+<2>"},
        // The ends of variations: three in game 1, two in game 2; the main
        // line's end is none of them.
        {"(position :varterminal :variations :matchcount 3)", "+<1>"},
        {"(position :varterminal :variations :matchcount 2)", "+<2>"},
        {"(position :varterminal :mate :variationsonly)", "+<1>"},
        {"(position :varterminal)", ""},
        // The queen stands on f7 after three different mates: each orientation
        // of Qf7 is one variant, and only the first one ever matches.
        {"(position Qf7 :flipvertical :variations :pretransformmatchcount 3)", "+<1>"},
        {"(position Qf7 :flipvertical :variations :pretransformmatchcount 2)", ""},
        {"(position :result 1-0 :whiteelo 0)", "+<1>"},
        {"(position :result 0-1 :flipcolor)", "+<1>"},
    };
    for (const Case& c : cases) {
        HuxRun run = runWalk(scratchDir(), c.list);
        EXPECT_EQ(run.status, 0) << c.list;
        EXPECT_EQ(selectedGames(run), c.games) << c.list;
    }
}

// A mate or stalemate followed by a pass ("--") is still one: only a real
// move played on rules them out. Game 1 passes after its mate, game 2 after
// a stalemate in a variation, game 3 plays on after a check.
TEST(PositionWalk, MateAndStalemateBeforeAPass) {
    std::string dir = scratchDir();
    writeFile(dir + "/g.pgn",
              "[Event \"a\"]\n\n1. f3 e5 2. g4 Qh4# -- *\n\n"
              "[Event \"b\"]\n[SetUp \"1\"]\n[FEN \"7k/8/6QK/8/8/8/8/8 w - - 0 1\"]\n\n"
              "1. Qe4 (1. Qf7 --) Kg8 *\n\n"
              "[Event \"c\"]\n\n1. e4 e5 2. Qh5 Nc6 3. Qxf7+ Kxf7 *\n");
    struct Case {
        const char* list;
        const char* games;
    } cases[] = {
        {"(position :mate)", "+<1>"},
        {"(position :mate :variations)", "+<1>"},
        {"(position :stalemate :variations)", "+<2>"},
        {"(position :stalemate)", ""},
        {"(position :check :variations)", "+<1>+<3>"},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/q.hux", std::string("(match :pgn g.pgn :output out.pgn ") + c.list + ")");
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.status, 0) << c.list << "\n" << run.out;
        EXPECT_EQ(selectedGames(run), c.games) << c.list;
    }
}

// The walk keeps its place in a list of lines, not on the call stack: a game
// of 60,000 plies is walked to its end, with and without variations.
TEST(PositionWalk, VeryLongGame) {
    std::string dir = scratchDir();
    std::string moves;
    for (int i = 0; i < 15000; i++) moves += "Nf3 Nf6 Ng1 Ng8 ";
    writeFile(dir + "/long.pgn", "[Event \"Long\"]\n\n" + moves + "Nc3 (Nf3) *\n");
    writeFile(dir + "/q.hux",
              "(match :pgn long.pgn :output out.pgn (position :terminal Nc3 :variations "
              ":matchcount 1))");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(selectedGames(run), "+<1>");
}

}  // namespace
