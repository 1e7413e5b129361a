// :attackcount: known positions, the set-based count against a square-by-square
// walk over the board, and its transforms.
#include "filter/attackfilter.h"

#include <gtest/gtest.h>

#include <string>

#include "core/position.h"
#include "filter/pieceloc.h"
#include "owned.h"
#include "query/util.h"
#include "sample_positions.h"

namespace {

AttackFilter filter(const char* attacking, const char* attacked, int min, int max) {
    return AttackFilter(pieceLoc::fromString(attacking), pieceLoc::fromString(attacked), min, max);
}

int countIn(const char* fen, const char* attacking, const char* attacked) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN(fen), OK) << fen;
    return filter(attacking, attacked, 0, 0).count(&pos, 1000);
}

TEST(AttackFilter, KnownPositions) {
    struct Case {
        const char* fen;
        const char* attacking;
        const char* attacked;
        int count;
    } cases[] = {
        // Kings never attack each other; here both only guard their own men.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "K", "k", 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "K", "A", 5},
        // The knight on a4 blocks the rook's file: protection counts, the
        // piece behind it is not reached.
        {"r3k3/8/8/8/N7/8/8/R3K3 w - - 0 1", "R", "r", 0},
        {"r3k3/8/8/8/N7/8/8/R3K3 w - - 0 1", "R", "N", 1},
        // Pairs are counted: one rook on two rooks, and two rooks on one.
        {"r3k2r/8/8/8/8/8/8/R3K3 w - - 0 1", "r", "R", 1},
        {"4k3/8/8/8/8/8/8/r3K2r w - - 0 1", "R", "r", 0},
        {"4k3/8/8/8/8/8/8/r2RK2r w - - 0 1", "R", "r", 1},
        {"4k3/8/8/R7/8/8/7K/r5R1 w - - 0 1", "R", "r", 2},
        // A pawn attacks the two squares diagonally forward, whatever stands
        // there, and never the square behind an en passant target.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "P", ".", 2},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "P", "p", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "p", "?", 2},
        {"4k3/8/8/8/8/8/P6P/4K3 w - - 0 1", "P", "?", 2},
        // Double check: a knight and a bishop on one king.
        {"4k3/8/3N4/8/B7/8/8/4K3 b - - 0 1", "A", "k", 2},
        // A fork of king, queen and rook by one knight.
        {"r3k3/1q6/3N4/8/8/8/8/4K3 b - - 0 1", "N", "[kqr]", 2},
        {"4k3/5q2/3N4/1r6/8/8/8/4K3 b - - 0 1", "N", "[kqr]", 3},
        // Restricted squares on both sides.
        {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", "Ra1", "?e-h1", 1},
        {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", "R[a1,h1]", "?[a2,h2]", 2},
        // An empty square in the attacking designator attacks nothing.
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", ".", "?", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(countIn(c.fen, c.attacking, c.attacked), c.count)
            << c.attacking << " on " << c.attacked << " in " << c.fen;
}

TEST(AttackFilter, LoneQueenReachesItsLines) {
    for (int sq = 0; sq < 64; sq++) {
        Position pos;
        pos.Clear();
        ASSERT_EQ(pos.AddPiece(WQ, squareT(sq)), OK);
        int file = sq % 8, rank = sq / 8;
        int diagonals = 0;
        for (int f = 0; f < 8; f++)
            for (int r = 0; r < 8; r++)
                if ((f != file || r != rank) && (f - file == r - rank || f - file == rank - r))
                    diagonals++;
        int reached = filter("Q", ".", 0, 0).count(&pos, 1000);
        EXPECT_EQ(reached, 14 + diagonals) << "queen on " << sq;
        EXPECT_GE(reached, 21);
        EXPECT_LE(reached, 27);
    }
}

TEST(AttackFilter, RangeAndLimit) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/5q2/3N4/1r6/8/8/8/4K3 b - - 0 1"), OK);
    struct Case {
        int min, max;
        bool match;
    } cases[] = {{3, 3, true}, {2, 5, true}, {0, 2, false}, {4, 8, false}, {0, 3, true}};
    for (const Case& c : cases) {
        AttackFilter f = filter("N", "[kqr]", c.min, c.max);
        EXPECT_EQ(f.count(&pos, c.max) >= c.min && f.count(&pos, c.max) <= c.max, c.match)
            << c.min << ".." << c.max;
    }
}

// The attacks a piece on `sq` makes, walked square by square along the board:
// the description of the count, without any square set.
void addAttacks(const pieceT* board, int sq, int* counts) {
    pieceT p = board[sq];
    auto leap = [&](const int(*steps)[2], int n) {
        for (int i = 0; i < n; i++) {
            int to = util::squareShift(sq, steps[i][0], steps[i][1]);
            if (to >= 0) counts[to]++;
        }
    };
    auto slide = [&](std::initializer_list<directionT> dirs) {
        for (directionT d : dirs) {
            for (int to = util::squareShiftDirection(sq, d); to >= 0;
                 to = util::squareShiftDirection(to, d)) {
                counts[to]++;
                if (board[to] != EMPTY) break;
            }
        }
    };
    static const int knight[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                     {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    static const int king[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                   {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    static const int whitePawn[2][2] = {{-1, 1}, {1, 1}};
    static const int blackPawn[2][2] = {{-1, -1}, {1, -1}};
    switch (piece_Type(p)) {
        case KING:
            leap(king, 8);
            break;
        case KNIGHT:
            leap(knight, 8);
            break;
        case PAWN:
            leap(piece_Color(p) == WHITE ? whitePawn : blackPawn, 2);
            break;
        case ROOK:
            slide({UP, DOWN, LEFT, RIGHT});
            break;
        case BISHOP:
            slide({UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT});
            break;
        case QUEEN:
            slide({UP, DOWN, LEFT, RIGHT, UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT});
            break;
        default:
            break;
    }
}

TEST(AttackFilter, CountAgreesWithBoardWalk) {
    const char* pairs[][2] = {
        {"A", "a"}, {"a", "A"}, {"N", "[kqr]"}, {"[QRB]", "?"},     {"[Pp]", "."},
        {"U", "U"}, {"K", "k"}, {"?", "?"},     {"Qa-d?", "k?5-8"}, {"[Bb]", "[Pp]c-f3-6"},
    };
    int positions = 0;
    forEachSamplePosition([&](const Position& pos, const std::string& where) {
        positions++;
        const pieceT* board = pos.GetBoard();
        for (auto [attacking, attacked] : pairs) {
            const pieceLoc* a = pieceLoc::fromString(attacking);
            const pieceLoc* b = pieceLoc::fromString(attacked);
            int counts[64] = {};
            for (int sq = 0; sq < 64; sq++)
                if (a->matchSquare(board, sq)) addAttacks(board, sq, counts);
            int expected = 0;
            for (int sq = 0; sq < 64; sq++)
                if (b->matchSquare(board, sq)) expected += counts[sq];
            AttackFilter f(const_cast<pieceLoc*>(a), const_cast<pieceLoc*>(b), 0, 0);
            ASSERT_EQ(f.count(&pos, 1000), expected)
                << attacking << " " << attacked << " in " << where;
        }
    });
    EXPECT_GT(positions, 100);
}

TEST(AttackFilter, FlipsAndShifts) {
    // Under the colour flip, white attackers become black ones on mirrored ranks.
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/2n5/R3K3 w - - 0 1"), OK);
    AttackFilter f = filter("n", "[KR]", 2, 2);
    EXPECT_EQ(f.count(&pos, 10), 2);
    AttackFilter* swapped = owned(f.clone());
    swapped->makeFlip('C');
    Position mirror;
    ASSERT_EQ(mirror.ReadFromFEN("r3k3/2N5/8/8/8/8/8/4K3 b - - 0 1"), OK);
    EXPECT_EQ(swapped->count(&mirror, 10), 2);
    EXPECT_EQ(swapped->count(&pos, 10), 0);
    EXPECT_EQ(f.count(&pos, 10), 2) << "the original is unchanged";

    // A one-square designator may not leave the board; either side refuses.
    struct Shift {
        const char* attacking;
        const char* attacked;
        int dx, dy;
        bool ok;
    } shifts[] = {
        {"Rd4", "k", 3, 3, true},   {"Rd4", "k", 5, 0, false}, {"R", "kh8", 1, 0, false},
        {"R", "kh8", -7, -7, true}, {"Ra1", "k", 3, 0, true},  {"Q", "k", 7, 7, true},
    };
    for (const Shift& s : shifts) {
        AttackFilter g = filter(s.attacking, s.attacked, 1, 1);
        EXPECT_EQ(g.makeshift(s.dx, s.dy), s.ok) << s.attacking << " " << s.attacked;
    }
    AttackFilter moved = filter("Rd4", "kd8", 1, 1);
    ASSERT_TRUE(moved.makeshift(2, -1));
    EXPECT_EQ(moved.attacking->getSquare(0), 2 * 8 + 5);  // f3
    EXPECT_EQ(moved.attacked->getSquare(0), 6 * 8 + 5);   // f7
}

}  // namespace
