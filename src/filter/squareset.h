// Whole-board operations on 64-bit square sets (bit n is square n, a1 = 0):
// the mirrors and the edge-stretching shifts that designators apply when a
// query is transformed.
#pragma once

#include <bit>

#include "core/common.h"

namespace squareset {

constexpr SquareSet kFileA = 0x0101010101010101ULL;

// The files a to the nth file (n between 0 and 8).
constexpr SquareSet lowFiles(int n) {
    return kFileA * ((1ULL << n) - 1);
}

// Ranks mirrored: a1 <-> a8.
constexpr SquareSet flipRanks(SquareSet s) {
    return __builtin_bswap64(s);
}

// Files mirrored: a1 <-> h1.
constexpr SquareSet flipFiles(SquareSet s) {
    s = ((s >> 1) & 0x5555555555555555ULL) | ((s & 0x5555555555555555ULL) << 1);
    s = ((s >> 2) & 0x3333333333333333ULL) | ((s & 0x3333333333333333ULL) << 2);
    return ((s >> 4) & 0x0F0F0F0F0F0F0F0FULL) | ((s & 0x0F0F0F0F0F0F0F0FULL) << 4);
}

// Reflection in the a1-h8 diagonal: b1 <-> a2.
constexpr SquareSet flipDiagonal(SquareSet s) {
    SquareSet t = 0x0F0F0F0F00000000ULL & (s ^ (s << 28));
    s ^= t ^ (t >> 28);
    t = 0x3333000033330000ULL & (s ^ (s << 14));
    s ^= t ^ (t >> 14);
    t = 0x5500550055005500ULL & (s ^ (s << 7));
    return s ^ t ^ (t >> 7);
}

// Every square moved d files towards the h-file (d between 0 and 7). Squares
// pushed off the board drop out, and each a-file square also fills its rank
// up to the dth file: a pattern stretches away from the edge it leaves.
constexpr SquareSet shiftRightStretch(SquareSet s, int d) {
    return ((s & lowFiles(8 - d)) << d) | (s & kFileA) * ((1ULL << d) - 1);
}

// The same rule in every direction, files first, through mirrors: the h-file
// stretches on leftward shifts, the first rank on upward ones and the eighth
// rank on downward ones. dx and dy lie between -7 and 7.
constexpr SquareSet shiftStretch(SquareSet s, int dx, int dy) {
    if (dx > 0) s = shiftRightStretch(s, dx);
    if (dx < 0) s = flipFiles(shiftRightStretch(flipFiles(s), -dx));
    if (dy != 0) s = flipDiagonal(s);
    if (dy > 0) s = shiftRightStretch(s, dy);
    if (dy < 0) s = flipFiles(shiftRightStretch(flipFiles(s), -dy));
    if (dy != 0) s = flipDiagonal(s);
    return s;
}

}  // namespace squareset
