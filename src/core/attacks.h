// Attack sets on 64-bit square sets: what a piece on a square attacks, given
// the occupied squares, and the tables behind it (leaper hops, pawn captures,
// lines, rays and the squares between two squares on a line).
#pragma once

#include <bit>

#include "core/common.h"

struct AttackTables {
    SquareSet knight[64]{};
    SquareSet king[64]{};
    // pawnAttacks[c][sq]: the squares a pawn of colour c on sq attacks;
    // pawnAttackers[c][sq]: the squares from which a pawn of colour c hits sq.
    SquareSet pawnAttacks[2][64]{};
    SquareSet pawnAttackers[2][64]{};
    SquareSet rookLines[64]{};
    SquareSet bishopLines[64]{};
    // The squares from sq to the edge in one direction, sq itself excluded.
    SquareSet ray[NUM_DIRECTIONS][64]{};
    // The squares strictly between two squares on a line; empty otherwise.
    SquareSet between[64][64]{};
};

extern const AttackTables kAttack;

// Whether a direction steps to higher square numbers (up, right, up-left,
// up-right): the nearest square of a ray is then its lowest bit.
inline bool direction_Ascends(directionT dir) {
    constexpr unsigned ascending = 1u << UP | 1u << RIGHT | 1u << UP_LEFT | 1u << UP_RIGHT;
    return (ascending >> dir & 1) != 0;
}

// The square nearest to the ray's origin among `onRay`, a non-empty subset
// of one ray in direction dir.
inline squareT attack_Nearest(SquareSet onRay, directionT dir) {
    ASSERT(onRay != 0);
    return squareT(direction_Ascends(dir) ? std::countr_zero(onRay) : 63 - std::countl_zero(onRay));
}

// The squares a slider on sq reaches in direction dir: every square up to
// and including the first occupied one.
inline SquareSet attack_Ray(squareT sq, directionT dir, SquareSet occupied) {
    SquareSet ray = kAttack.ray[dir][sq];
    SquareSet blockers = ray & occupied;
    if (blockers == 0) return ray;
    return ray & ~kAttack.ray[dir][attack_Nearest(blockers, dir)];
}

inline SquareSet attack_Rook(squareT sq, SquareSet occupied) {
    return attack_Ray(sq, UP, occupied) | attack_Ray(sq, DOWN, occupied) |
           attack_Ray(sq, LEFT, occupied) | attack_Ray(sq, RIGHT, occupied);
}

inline SquareSet attack_Bishop(squareT sq, SquareSet occupied) {
    return attack_Ray(sq, UP_LEFT, occupied) | attack_Ray(sq, UP_RIGHT, occupied) |
           attack_Ray(sq, DOWN_LEFT, occupied) | attack_Ray(sq, DOWN_RIGHT, occupied);
}

// The squares piece p on sq attacks, own pieces included; sliders stop at
// the first occupied square. The empty square attacks nothing.
inline SquareSet attack_Set(pieceT p, squareT sq, SquareSet occupied) {
    switch (piece_Type(p)) {
        case KING:
            return kAttack.king[sq];
        case QUEEN:
            return attack_Rook(sq, occupied) | attack_Bishop(sq, occupied);
        case ROOK:
            return attack_Rook(sq, occupied);
        case BISHOP:
            return attack_Bishop(sq, occupied);
        case KNIGHT:
            return kAttack.knight[sq];
        case PAWN:
            return kAttack.pawnAttacks[piece_Color_NotEmpty(p)][sq];
        default:
            return 0;
    }
}
