// Position lists in process: how a list expands into its variants, what the
// transforms do to its settings, and that selecting variants through the index
// picks exactly the variant that testing all of them in order would pick, and
// that the walk's quick rejections refuse only what the full test refuses.
#include "filter/positionfilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"
#include "owned.h"
#include "position_query.h"
#include "query/strlist.h"
#include "test_paths.h"

namespace {

positionFilter* parse(const std::string& words, ScanState& state) {
    return parsePosition(words, state);
}

positionFilterList* expand(const std::string& words, ScanState& state) {
    return owned(parse(words, state)->expand());
}

TEST(PositionFilterExpansion, NumberOfVariants) {
    struct Case {
        const char* words;
        int members;
    } cases[] = {
        {"Ka1 :check", 1},
        {"Ka1 :fliphorizontal", 2},
        {"Ka1 :flipvertical :flipdiagonal", 8},  // acts as :flip
        {"Ka1 :fliphorizontal :flipdiagonal", 8},
        {"Ka1 :flip", 8},
        {"Ka1 :flipcolor", 2},
        {"Ka1 :flip :flipcolor", 16},
        // Designators on many squares accept every shift; the diagonals
        // include d = 0.
        {"Ka-h1-8 :diagonalshift", 1 + 15 + 15},
        {"Ka-h1-8 :shifthorizontal", 15},
        {"Ka-h1-8 :verticalshift :horizontalshift", 29},
        // A designator without squares is its own shift and mirror image.
        {"K :shift :flip", 1},
        // Rh1 refuses rightward and downward shifts, stretches on the others.
        {"Rh1 :horizontalshift", 8},
        {"Rh1 :shift", 64},
        {"Rh1 :shift :flip :flipcolor", 64 * 16},
        {"Q[d4,e5] k[d6,e7] :shift :flip :flipcolor", 3600},
        // One-square designators refuse to leave the board, except from the
        // edge they stretch along; the unshifted filter is always kept.
        {"Kd4 :shift", 8 * 8},
        {"Kd4 Kh8 :shift", 4 * 4},
    };
    ScanState state;
    for (const Case& c : cases) EXPECT_EQ(expand(c.words, state)->nfilters(), c.members) << c.words;
}

TEST(PositionFilterExpansion, ColourSwapTurnsSidesResultsAndRatings) {
    ScanState state;
    positionFilterList* list =
        expand("Ke1 :wtm :result 1-0 :whiteelo 2500 2600 :powerdifference ? 2 5 :flipcolor", state);
    ASSERT_EQ(list->nfilters(), 2);
    positionFilter* swapped = list->getPositionFilter(1);
    EXPECT_EQ(swapped->sideToMove, BLACK);
    EXPECT_EQ(swapped->result, RESULT_Black);
    EXPECT_FALSE(swapped->checkwhiteelo);
    EXPECT_TRUE(swapped->checkblackelo);
    EXPECT_EQ(swapped->blackelomin, 2500);
    EXPECT_EQ(swapped->blackelomax, 2600);
    // The original keeps its own settings.
    positionFilter* original = list->getPositionFilter(0);
    EXPECT_EQ(original->sideToMove, WHITE);
    EXPECT_EQ(original->result, RESULT_White);
    EXPECT_TRUE(original->checkwhiteelo);
}

TEST(PositionFilterExpansion, NestedListsAreTransformedWithTheirParent) {
    ScanState state;
    positionFilterList* list =
        expand("Ke1 :and ((position Qd1 :fliphorizontal)) :flipcolor", state);
    ASSERT_EQ(list->nfilters(), 2);
    for (int i = 0; i < 2; i++) {
        positionFilter* member = list->getPositionFilter(i);
        ASSERT_EQ(member->andlistFilters.size(), 1u);
        EXPECT_EQ(member->andlistFilters[0]->nfilters(), 2);
        EXPECT_TRUE(member->andlistFilters[0]->donotannotate);
    }
}

// Replays the main line of every game of the file and, at each position,
// tests the members of `reference` one by one, in order, as a list does
// without an index; `indexed` walks the same games on its own. Each member
// must then have matched at the same number of positions in both.
void expectIndexAgrees(const std::string& words, const std::string& pgnText) {
    ScanState state;
    positionFilter* parsed = parse(words + " :markall", state);
    positionFilterList* indexed = owned(parsed->expand());
    positionFilterList* reference = owned(parse(words + " :markall", state)->expand());
    ASSERT_EQ(indexed->nfilters(), reference->nfilters());
    std::vector<int> expected(reference->nfilters(), 0);

    MFile file;
    file.OpenMemory(pgnText.data(), pgnText.size(), "games");
    PgnParser parser(&file);
    Game game;
    std::vector<int> actual(indexed->nfilters(), 0);
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.MoveToPly(0);
        indexed->match(&game, state);
        for (int i = 0; i < indexed->nfilters(); i++)
            actual[i] += indexed->getPositionFilter(i)->nmatches;
        game.MoveToPly(0);
        for (;;) {
            for (int i = 0; i < reference->nfilters(); i++) {
                if (reference->getPositionFilter(i)->matchCurrentPosition(&game, state)) {
                    expected[i]++;
                    break;
                }
            }
            if (game.AtVarEnd()) break;
            game.MoveForward();
        }
    }
    int total = 0;
    for (int i = 0; i < indexed->nfilters(); i++) {
        EXPECT_EQ(actual[i], expected[i]) << words << ": member " << i;
        total += expected[i];
    }
    EXPECT_GT(total, 0) << words << ": the query should match somewhere";
}

TEST(PositionFilterIndex, SelectsTheSameVariantAsTestingAllInOrder) {
    std::string games = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    ASSERT_FALSE(games.empty());
    for (const char* words : {
             "Q[d4,e5] k[d6,e7] :shift :flip :flipcolor",
             "K[g1,h1] P[f2,g2] :flip :flipcolor :wtm",
             "N?5 .e4 :shift",
             "[Qq]d-e4-5 Ra1 :shift :flipcolor",
             "U?? :piececount [Pp] 10 14 :flip",
             "Kg1 :or ((position Rf1) (position Qd1)) :shift :flipcolor",
             "Pe4 :not :flip",
         })
        expectIndexAgrees(words, games);
}

// Every position of the tree once (of the main line only without
// `variations`), depth first, each variation entered from the position it
// starts in (tested already); counts where the list's full test holds.
int countFullMatches(Game& game, positionFilterList* list, ScanState& state, bool test,
                     bool variations) {
    int n = test && list->matchCurrentPosition(&game, state) ? 1 : 0;
    for (uint32_t i = 0; variations && i < game.GetNumVariations(); ++i) {
        EXPECT_EQ(game.MoveIntoVariation(i), OK);
        n += countFullMatches(game, list, state, false, true);
        EXPECT_EQ(game.MoveExitVariation(), OK);
    }
    if (game.AtVarEnd()) return n;
    game.MoveForward();
    return n + countFullMatches(game, list, state, true, variations);
}

// Walks every game of `games` with each query and counts where it matches,
// against the full test at every position of every line, or of the main
// line. Each walk runs on games read with the list following them, which
// marks the moves as they are added, and on games read without.
void expectWalkMatchesFullTest(const std::string& games, const std::vector<const char*>& queries) {
    for (const char* words : queries)
        for (bool variations : {true, false})
            for (bool follow : {false, true}) {
                const std::string query =
                    words + std::string(variations ? " :markall :variations" : " :markall");
                ScanState state;
                positionFilterList* walked = owned(parse(query, state)->expand());
                positionFilterList* full = owned(parse(query, state)->expand());
                MFile file;
                file.OpenMemory(games.data(), games.size(), "games");
                PgnParser parser(&file);
                Game game;
                if (follow) game.SetObserver(walked->follower());
                int matched = 0, expected = 0;
                while (parser.ParseGame(&game) != ERROR_NotFound) {
                    game.MoveToPly(0);
                    walked->match(&game, state);
                    matched += walked->nmatches;
                    game.MoveToPly(0);
                    expected += countFullMatches(game, full, state, true, variations);
                }
                EXPECT_EQ(matched, expected) << query << (follow ? ", followed" : "");
                if (variations) {
                    EXPECT_GT(expected, 0) << query;
                }
            }
}

TEST(PositionFilterList, WalkMatchesWhereTheFullTestHolds) {
    // Sides to move, several members, an empty square, a tested pass, a
    // :not, conditions on the line, lists with and without pre-tests, a
    // line from rook through queen to king at the start of a game, and
    // look-aheads passing over positions where nothing they read changed.
    const std::string games = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn") + R"(
[White "passes"]
[FEN "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1"]

1. Kh6 (1. Qg7#) 1... -- 2. Qg7# *

[White "stalemate"]
[FEN "k7/8/1Q6/8/8/8/8/K7 w - - 0 1"]

1. Qb5 (1. Qc7 -- 2. Qb7#) 1... Ka7 2. Qc6 (2. Qc7+ Ka6 3. Kb2 --) 2... Ka8 3. Qc7 *

[White "lines"]
[SetUp "1"]
[FEN "k7/8/8/8/3N4/8/Q7/R5K1 b - - 0 1"]

1... Kb7 2. Nb5 (2. Qa7+ Kc8 3. Nc6 (3. Ra6 Kd8)) 2... Kb8 3. Nd6 *

[White "en passant after refusals"]
[FEN "4k3/3p4/8/4P3/8/8/8/5K2 w - - 0 1"]

1. Kf2 d5 2. exd6 Kf7 3. Kg3 *

[White "a forked piece taken by another"]
[FEN "4k3/3q4/6r1/4N3/8/8/8/KB6 b - - 0 1"]

1... Kf8 2. Kb2 Ke8 3. Bxg6+ Kf8 4. Kc2 *
)";
    expectWalkMatchesFullTest(
        games,
        {"Qh7 kg8 :btm", "Rd1 :flipcolor", ".e4 Pd4 :wtm", "Pe4 :not :flip", ":mate", ":stalemate",
         ":mate :check", "K[g1,h1] :terminal", "Q[d4,e5] k[d6,e7] :shift :flip :flipcolor",
         "Ke1 :initial",
         // Rays and attack counts, pre-tested on the look-ahead's sets:
         // counted, with a range from 0, through empty squares, beside
         // designators, under :not, and in members with nested lists,
         // which are not pre-tested.
         ":rayorthogonal (R Q k)", ":rayattack ([RB] q k) :flipcolor", ":ray (Q k) 1 2 :btm",
         ":raydiagonal (B k) 0 0 :wtm", ":rayvertical (P . p) :flip", "Kg1 :rayhorizontal (R r)",
         ":rayorthogonal (R Q k) :not", ":ray (Q k) :or ((position Kg1) (position Ke1))",
         ":attackcount n [KQR] 2 5 :wtm", ":attackcount N [kq] 2 :btm :flipcolor",
         ":attackcount A k 0 0 :btm", ":attackcount [Qq] . 10 99", ":attackcount N k 1 :not",
         ":attackcount N k 1 :raydiagonal (Q k) 0 0 :flipcolor",
         // Refused on squares or pieces that only a capture then changes:
         // en passant's, and a piece taken by one the count does not read.
         ".d7 .d5", ":attackcount N [qr] 1 1 :btm"});
}

TEST(PositionFilterList, WalkMatchesWhereTheFullTestHoldsInRealGames) {
    // The look-ahead passes over positions where nothing its test reads has
    // changed since a refusal: the squares of designators, or the pieces an
    // attack count or a ray reads. Real games bring every way a square
    // changes: captures, en passant, castling's rook, promotions.
    std::string path = dataPath("dev/classics.pgn");
    SKIP_WITHOUT_DATA(path);
    std::string games = readFile(path);
    // The first few thousand games are plenty, and keep the sanitizer build
    // quick.
    const size_t cut = games.find("\n[Event ", 3'000'000);
    if (cut != std::string::npos) games.resize(cut + 1);
    expectWalkMatchesFullTest(
        games, {"Qh7 kg8 :btm", "Rf1 Kg1 :wtm", "Q?8 :btm", ".d5 Pd6 :btm", "[RQ]?7 k?8 :wtm",
                ":attackcount n [KQR] 2 5 :wtm", ":attackcount P [nbrq] 2 :btm",
                ":attackcount [NP] k 1 :btm", ":attackcount K q 1 :wtm",
                ":attackcount N [kq] 2 :btm :flipcolor", ":attackcount B r 1 :wtm",
                ":rayorthogonal (R Q k)", ":raydiagonal ([QB] n k) :wtm", "Kg1 :rayattack (R r)"});
}

}  // namespace
