#include "core/attacks.h"

namespace {

constexpr AttackTables makeAttackTables() {
    AttackTables t;
    for (int sq = 0; sq < 64; sq++) {
        for (const squareT* hop = knightAttacks[sq].data(); *hop != NULL_SQUARE; hop++)
            t.knight[sq] |= SquareSet(1) << *hop;
        for (const squareT* hop = kingAttacks[sq].data(); *hop != NULL_SQUARE; hop++)
            t.king[sq] |= SquareSet(1) << *hop;
        // A white pawn hits upwards, so it hits sq from below; black the reverse.
        for (directionT d : {UP_LEFT, UP_RIGHT}) {
            if (sqMove[sq][d] == NULL_SQUARE) continue;
            t.pawnAttacks[WHITE][sq] |= SquareSet(1) << sqMove[sq][d];
            t.pawnAttackers[BLACK][sq] |= SquareSet(1) << sqMove[sq][d];
        }
        for (directionT d : {DOWN_LEFT, DOWN_RIGHT}) {
            if (sqMove[sq][d] == NULL_SQUARE) continue;
            t.pawnAttacks[BLACK][sq] |= SquareSet(1) << sqMove[sq][d];
            t.pawnAttackers[WHITE][sq] |= SquareSet(1) << sqMove[sq][d];
        }
        for (directionT d : {UP, DOWN, LEFT, RIGHT, UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT}) {
            SquareSet path = 0;
            for (squareT to = sqMove[sq][d]; to != NULL_SQUARE; to = sqMove[to][d]) {
                t.between[sq][to] = path;
                path |= SquareSet(1) << to;
            }
            t.ray[d][sq] = path;
            (d == UP || d == DOWN || d == LEFT || d == RIGHT ? t.rookLines : t.bishopLines)[sq] |=
                path;
        }
    }
    return t;
}

}  // namespace

constexpr AttackTables kAttack = makeAttackTables();
