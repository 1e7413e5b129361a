// Rays: known lines, the set-based walk against a square-by-square walk over
// the board, counts, and the transforms that turn the directions with the board.
#include "filter/rayfilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/position.h"
#include "filter/pieceloc.h"
#include "filter/rayfilterlist.h"
#include "owned.h"
#include "query/util.h"
#include "sample_positions.h"

namespace {

const std::vector<directionT> kAll = {UP,      DOWN,     LEFT,      RIGHT,
                                      UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT};
const std::vector<directionT> kOrthogonal = {UP, DOWN, LEFT, RIGHT};
const std::vector<directionT> kHorizontal = {LEFT, RIGHT};

RayFilter* ray(std::vector<const char*> designators, const std::vector<directionT>& dirs,
               bool attack = false) {
    RayFilter* f = owned(new RayFilter());
    for (const char* d : designators) f->addPieceLoc(pieceLoc::fromString(d));
    for (directionT d : dirs) f->addDirection(d);
    f->isAttack = attack;
    return f;
}

RayFilter* counted(RayFilter* f, int min, int max) {
    f->checkcount = true;
    f->min = min;
    f->max = max;
    return f;
}

bool holds(const RayFilter* f, const char* fen) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN(fen), OK) << fen;
    return f->matchPosition(&pos);
}

TEST(RayFilter, KnownPositions) {
    const char* queenCheckDiagonal = "4k3/8/8/1Q6/8/8/8/4K3 b - - 0 1";
    const char* queenCheckFile = "4k3/8/8/8/4Q3/8/8/4K3 b - - 0 1";
    const char* rookKnightKing = "4k3/8/8/4N3/8/8/8/4R1K1 w - - 0 1";
    const char* blocked = "4k3/8/8/4N3/8/4p3/8/4R1K1 w - - 0 1";
    const char* twoLines = "R3k3/8/8/8/8/8/8/4R1K1 b - - 0 1";
    const char* doubled = "4k3/8/8/8/8/8/4R3/4R1K1 b - - 0 1";
    const char* knightNextToKing = "4k3/4N3/8/8/8/8/8/6K1 b - - 0 1";
    struct Case {
        RayFilter* filter;
        const char* fen;
        bool match;
        const char* why;
    } cases[] = {
        {ray({"Q", "k"}, kAll, true), queenCheckDiagonal, true, "queen check on a diagonal"},
        {ray({"Q", "k"}, kAll, true), queenCheckFile, true, "queen check on a file"},
        {ray({"Q", "k"}, kOrthogonal), queenCheckDiagonal, false, "not on a file or rank"},
        {ray({"R", "k"}, kAll), "4k3/8/8/1R6/8/8/8/4K3 b - - 0 1", true, "a plain ray"},
        {ray({"R", "k"}, kAll, true), "4k3/8/8/1R6/8/8/8/4K3 b - - 0 1", false,
         "a rook does not attack along a diagonal"},
        {ray({"N", "k"}, kAll), knightNextToKing, true, "any piece stands on a ray"},
        {ray({"N", "k"}, kAll, true), knightNextToKing, false, "a knight attacks along none"},
        {ray({"R", "N", "k"}, kAll), rookKnightKing, true, "three in order"},
        {ray({"N", "R", "k"}, kAll), rookKnightKing, false, "order matters"},
        {ray({"R", "N", "k"}, kAll), blocked, false, "a piece between"},
        {ray({"R", "k"}, kAll), rookKnightKing, false, "the knight blocks"},
        {counted(ray({"R", "k"}, kAll), 2, 2), twoLines, true, "two lines, two hits"},
        {counted(ray({"R", "k"}, kAll), 2, 2), doubled, false, "the rear rook is blocked"},
        {counted(ray({"R", "k"}, kAll), 1, 1), doubled, true, "one hit"},
        {counted(ray({"R", "k"}, kAll), 0, 0), knightNextToKing, true, "no rook, count 0"},
        {counted(ray({"k"}, kAll), 8, 8), doubled, true, "every direction counts"},
        {ray({"R", ".", "k"}, kOrthogonal), rookKnightKing, false,
         "the empty square is found first, then the knight blocks"},
        {ray({"R", ".", "k"}, kOrthogonal), "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", true,
         "an empty square between"},
        {ray({"R", ".", "k"}, kOrthogonal), "4k3/4R3/8/8/8/8/8/6K1 b - - 0 1", false,
         "no empty square between"},
        {ray({"R", ".e4", "k"}, kOrthogonal), "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", true,
         "the empty square may be further on"},
        {ray({"R", ".e4", "k"}, kOrthogonal), "4k3/8/8/8/4N3/8/8/4R1K1 w - - 0 1", false,
         "e4 is not empty"},
        {ray({}, kAll), doubled, true, "no designators"},
        {ray({"R", "k"}, kHorizontal), doubled, false, "not along a rank"},
    };
    for (const Case& c : cases) EXPECT_EQ(holds(c.filter, c.fen), c.match) << c.why;
}

// The walk of one ray square by square, as the condition is described.
bool walkStarting(const pieceT* board, const RayFilter& f, int start, directionT dir) {
    if (f.npiecelocs == 0) return true;
    if (!f.getPieceLoc(0)->matchSquare(board, start)) return false;
    int found = 1;
    for (int sq = util::squareShiftDirection(start, dir); sq >= 0;
         sq = util::squareShiftDirection(sq, dir)) {
        if (found == f.npiecelocs) break;
        if (f.getPieceLoc(found)->matchSquare(board, sq)) {
            found++;
        } else if (board[sq] != EMPTY) {
            return false;
        }
    }
    return found == f.npiecelocs;
}

TEST(RayFilter, AgreesWithBoardWalk) {
    std::vector<RayFilter*> rays = {
        ray({"R", "k"}, kAll),
        ray({"[QRB]", "?", "[kq]"}, kAll, true),
        ray({"U", ".", "U"}, kAll),
        ray({"?", "?", "?"}, kAll),
        ray({".", "[Pp]"}, kAll),
        ray({"A", ".c-f3-6", "a"}, kAll),
        ray({"[Qq]", "[Nn.]", "[Kk]"}, kAll),
        ray({"P", "p"}, kAll),
    };
    int positions = 0;
    forEachSamplePosition([&](const Position& pos, const std::string& where) {
        positions++;
        const pieceT* board = pos.GetBoard();
        for (size_t i = 0; i < rays.size(); i++) {
            const RayFilter& f = *rays[i];
            int expected = 0;
            for (directionT dir : kAll) {
                for (int sq = 0; sq < 64; sq++) {
                    bool walked = walkStarting(board, f, sq, dir);
                    ASSERT_EQ(f.matchStarting(&pos, squareT(sq), dir), walked)
                        << "ray " << i << " from " << sq << " dir " << int(dir) << " in " << where;
                    if (walked && (!f.isAttack || util::directionCompatible(board[sq], dir)))
                        expected++;
                }
            }
            RayFilter* exact = counted(f.clone(), expected, expected);
            ASSERT_TRUE(exact->matchPosition(&pos)) << "ray " << i << " in " << where;
            ASSERT_EQ(f.matchPosition(&pos), expected > 0) << "ray " << i << " in " << where;
            exact->min = exact->max = expected + 1;
            ASSERT_FALSE(exact->matchPosition(&pos)) << "ray " << i << " in " << where;
            delete exact;
        }
    });
    EXPECT_GT(positions, 100);
}

TEST(RayFilter, DiagonalFlipTurnsRanksIntoFiles) {
    const char* onFile = "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1";
    const char* onRank = "R3k3/8/8/8/8/8/8/6K1 b - - 0 1";
    RayFilter* horizontal = ray({"R", "k"}, kHorizontal);
    EXPECT_FALSE(holds(horizontal, onFile));
    EXPECT_TRUE(holds(horizontal, onRank));
    RayFilter* flipped = owned(horizontal->clone());
    flipped->makeFlip('D');
    EXPECT_EQ(flipped->getDirection(0), DOWN);
    EXPECT_EQ(flipped->getDirection(1), UP);
    EXPECT_TRUE(holds(flipped, onFile));
    EXPECT_FALSE(holds(flipped, onRank));
    EXPECT_TRUE(holds(horizontal, onRank)) << "the original keeps its directions";

    // The other flips map each keyword's directions onto the same set.
    for (char code : {'H', 'V', 'C'}) {
        RayFilter* f = ray({"R", "k"}, kAll);
        f->makeFlip(code);
        SquareSet before = 0, after = 0;
        for (directionT d : kAll) before |= SquareSet(1) << d;
        for (int i = 0; i < f->ndirections; i++) after |= SquareSet(1) << f->getDirection(i);
        EXPECT_EQ(after, before) << code;
    }
}

TEST(RayFilter, ShiftNeverRefusesAndDropsSquaresOffTheBoard) {
    RayFilterList list;
    list.addFilter(ray({"Rh1", "kh8"}, kAll)->clone());
    list.shift(1, 0);
    const RayFilter* f = list.getFilter(0);
    EXPECT_EQ(f->getPieceLoc(0)->nsquares, 0);
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("7k/8/8/8/8/8/8/K6R b - - 0 1"), OK);
    EXPECT_FALSE(f->matchPosition(&pos));
    RayFilter* shifted = ray({"Ra1", "ka8"}, kAll);
    shifted->shift(3, 0);
    EXPECT_EQ(shifted->getPieceLoc(0)->nsquares, 4) << "a1 stretches to a1-d1";
}

}  // namespace
