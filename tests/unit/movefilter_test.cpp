// The move filter: what the move played from a position must look like, read
// through the position list grammar; the search of variations' first moves,
// which must leave the game exactly where it was; and its transforms.
#include "filter/movefilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/position.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"
#include "owned.h"
#include "position_query.h"
#include "query/strlist.h"
#include "test_paths.h"

namespace {

positionFilter* parse(const std::string& words) {
    static ScanState state;
    return parsePosition(words, state);
}

MoveFilter* moveFilter(const std::string& words) {
    MoveFilter* f = parse(words)->moveFilter;
    EXPECT_NE(f, nullptr) << words;
    return f;
}

// Calls visit(game) at every position of every game in `pgn`, main lines and
// variations alike, the first position of a variation included.
template <typename Visit>
void walkLine(Game* game, Visit& visit) {
    for (;;) {
        visit(game);
        for (unsigned i = 0; i < game->GetNumVariations(); i++) {
            game->MoveIntoVariation(i);
            walkLine(game, visit);
            game->MoveExitVariation();
        }
        if (game->AtVarEnd()) return;
        game->MoveForward();
    }
}

template <typename Visit>
void forEachPosition(const std::string& pgn, Visit visit) {
    MFile file;
    file.OpenMemory(pgn.data(), pgn.size(), "games");
    PgnParser parser(&file);
    Game game;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.MoveToPly(0);
        walkLine(&game, visit);
    }
}

// The plies of the main line from which the move filter holds.
std::vector<int> matchingPlies(MoveFilter* f, const std::string& pgn, bool variations = false) {
    std::vector<int> plies;
    forEachPosition(pgn, [&](Game* game) {
        if (game->GetVarLevel() == 0 && f->matchCurrentPosition(game, variations, nullptr))
            plies.push_back(int(game->GetCurrentPly()));
    });
    return plies;
}

using Plies = std::vector<int>;

// Plies: 0 e4, 1 d5, 2 exd5, 3 Qxd5, 4 Nc3, 5 Qa5, 6 d4, 7 c6, 8 d5, 9 e5,
// 10 dxe6 (en passant), 11 Bxe6; ply 12 is the end.
const char kCaptures[] =
    "[Event \"c\"]\n\n1. e4 d5 2. exd5 Qxd5 3. Nc3 Qa5 4. d4 c6 5. d5 e5 6. dxe6 Bxe6 *\n";
// Plies: 0 b8=N, 1 f1=Q+, 2 Kxf1, 3 Ke6.
const char kPromotions[] =
    "[Event \"p\"]\n[SetUp \"1\"]\n[FEN \"8/1P2k3/8/8/8/8/4Kp2/8 w - - 0 1\"]\n\n"
    "1. b8=N f1=Q+ 2. Kxf1 Ke6 *\n";

TEST(MoveFilter, MovesOfTheMainLine) {
    struct Case {
        const char* words;
        const char* pgn;
        Plies plies;
    } cases[] = {
        // Pushes, double steps and en passant go to an empty square.
        {":movefrom P :moveto .", kCaptures, {0, 6, 8, 10}},
        {":enpassant", kCaptures, {10}},
        {":movefrom P :noenpassant", kCaptures, {0, 2, 6, 8}},
        {":enpassant :noenpassant", kCaptures, {}},
        // What stands on the target before the move: a capture of a white pawn.
        {":moveto P", kCaptures, {3, 11}},
        {":movefrom q :moveto P", kCaptures, {3}},
        {":moveto .e6", kCaptures, {10}},
        {":movefrom Ng1 :moveto .c3", kCaptures, {}},
        {":movefrom Nb1 :moveto .c3", kCaptures, {4}},
        // A later :movefrom replaces the earlier one.
        {":movefrom Ng1 :movefrom Nb1", kCaptures, {4}},
        // The end of the line has no move.
        {":movefrom ?", kCaptures, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        // The promotion piece has the colour of the side to move.
        {":promote Q", kPromotions, {}},
        {":promote N", kPromotions, {0}},
        {":promote Nb8", kPromotions, {0}},
        {":promote Na8", kPromotions, {}},
        {":promote q", kPromotions, {1}},
        {":promote [RBNrbn]", kPromotions, {0}},
        // A move without promotion carries the empty square.
        {":promote .", kPromotions, {2, 3}},
        {":movefrom P :moveto q", kPromotions, {}},
        {":moveto q", kPromotions, {2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchingPlies(moveFilter(c.words), c.pgn), c.plies) << c.words;
}

// The game record after each search: where the search left it must be
// where it started.
struct Place {
    uint32_t ply, level;
    const moveT* move;
    pieceT board[64];
    bool operator==(const Place& o) const {
        return ply == o.ply && level == o.level && move == o.move &&
               memcmp(board, o.board, sizeof board) == 0;
    }
};

Place placeOf(const Game* game) {
    Place p{game->GetCurrentPly(), game->GetVarLevel(), game->GetCurrentMove(), {}};
    memcpy(p.board, game->GetCurrentPos()->GetBoard(), sizeof p.board);
    return p;
}

TEST(MoveFilter, VariationsFirstMoves) {
    // The d4 line branches off e4; the c4 line branches off d4 in turn, and
    // Nf6 off d5 one move later.
    const char pgn[] = "[Event \"v\"]\n\n1. e4 (1. d4 (1. c4) d5 (1... Nf6)) 1... e5 2. Nf3 *\n";
    struct Case {
        const char* words;
        Plies without, with;
    } cases[] = {
        {":movefrom Pe2", {0}, {0}},
        {":movefrom Pd2", {}, {0}},
        {":movefrom Pc2", {}, {0}},
        // Nf6 branches off a move of a variation, not off the main line.
        {":movefrom ng8", {}, {}},
        {":movefrom ng8 :moveto .f6", {}, {}},
        {":movefrom Ng1", {2}, {2}},
    };
    for (const Case& c : cases) {
        MoveFilter* f = moveFilter(c.words);
        EXPECT_EQ(matchingPlies(f, pgn, false), c.without) << c.words;
        EXPECT_EQ(matchingPlies(f, pgn, true), c.with) << c.words;
    }
    // Inside the d4 line, Nf6 replaces d5.
    MoveFilter* knight = moveFilter(":movefrom ng8");
    int found = 0;
    forEachPosition(pgn, [&](Game* game) {
        if (game->GetVarLevel() == 1 && knight->matchCurrentPosition(game, true, nullptr)) found++;
    });
    EXPECT_EQ(found, 1);
}

// Every search, found or not, leaves the game at the same position, move and
// variation level; checked at every position of games with many variations.
void expectSearchesRestoreTheGame(const std::string& pgn, int minimumVariationFinds) {
    std::vector<MoveFilter*> filters = {
        moveFilter(":movefrom [Pp] :moveto [QRBNqrbn] :variations :markall"),
        moveFilter(":movefrom Kh8 :moveto .a1 :variations :markall"),
        moveFilter(":moveto . :movefrom [Nn] :variations :markall"),
        moveFilter(":promote Q :variations :markall"),
    };
    int positions = 0, viaVariations = 0;
    forEachPosition(pgn, [&](Game* game) {
        positions++;
        Place before = placeOf(game);
        for (MoveFilter* f : filters) {
            bool direct = f->matchCurrentPosition(game, false, nullptr);
            ASSERT_TRUE(placeOf(game) == before);
            bool searched = f->matchCurrentPosition(game, true, nullptr);
            ASSERT_TRUE(placeOf(game) == before) << "after a search at ply " << before.ply;
            ASSERT_TRUE(searched || !direct);
            if (searched && !direct) viaVariations++;
        }
    });
    EXPECT_GT(positions, 0);
    EXPECT_GE(viaVariations, minimumVariationFinds);
}

TEST(MoveFilter, SearchRestoresTheGameInSampleGames) {
    expectSearchesRestoreTheGame(readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn"), 1);
}

TEST(MoveFilter, SearchRestoresTheGameInClassics) {
    std::string path = dataPath("dev/classics.pgn");
    SKIP_WITHOUT_DATA(path);
    expectSearchesRestoreTheGame(readFile(path), 100);
}

TEST(MoveFilter, Transforms) {
    MoveFilter* f = moveFilter(":movefrom Pe2 :moveto .e4 :promote Q");
    MoveFilter* swapped = owned(f->clone());
    swapped->makeFlip('C');
    EXPECT_EQ(swapped->frompieceloc->getPiece(0), BP);
    EXPECT_EQ(swapped->frompieceloc->getSquare(0), 6 * 8 + 4);  // e7
    EXPECT_EQ(swapped->topieceloc->getSquare(0), 4 * 8 + 4);    // e5
    EXPECT_EQ(swapped->promotedpieceloc->getPiece(0), BQ);
    EXPECT_EQ(f->frompieceloc->getPiece(0), WP) << "the original is unchanged";

    // A one-square designator refuses to leave the board, and so the
    // shifted variants of its position list are dropped.
    struct Case {
        const char* words;
        int members;
    } cases[] = {
        {":moveto .h4 :horizontalshift", 8}, {":movefrom Pe2 :moveto .e4 :horizontalshift", 8},
        {":moveto q :horizontalshift", 15},  {":enpassant :shift", 225},
        {":promote Qa8 :verticalshift", 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(owned(parse(c.words)->expand())->nfilters(), c.members) << c.words;
}

}  // namespace
