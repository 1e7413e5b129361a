#include "core/common.h"

#include <array>

const char PIECE_CHAR[] = "xKQRBNP.xkqrbnpxMm";

char piece_Char(pieceT p) {
    return PIECE_CHAR[piece_Type(p)];
}

pieceT piece_FromChar(int ch) {
    switch (ch) {
        case 'K':
            return KING;
        case 'Q':
            return QUEEN;
        case 'R':
            return ROOK;
        case 'B':
            return BISHOP;
        case 'N':
            return KNIGHT;
        default:
            return EMPTY;
    }
}

bool square_Adjacent(squareT a, squareT b) {
    int dr = int(square_Rank(a)) - int(square_Rank(b));
    int df = int(square_Fyle(a)) - int(square_Fyle(b));
    return dr >= -1 && dr <= 1 && df >= -1 && df <= 1;
}

const char* const RESULT_STR[4] = {"*", "1-0", "0-1", "=-="};
const char* const RESULT_LONGSTR[4] = {"*", "1-0", "0-1", "1/2-1/2"};

const int dirDelta[NUM_DIRECTIONS] = {0, 8, -8, 0, -1, 7, -9, 0, 1, 9, -7};
const directionT dirOpposite[NUM_DIRECTIONS] = {
    NULL_DIR, DOWN, UP, NULL_DIR, RIGHT, DOWN_RIGHT, UP_RIGHT, NULL_DIR, LEFT, DOWN_LEFT, UP_LEFT};
const bool dirIsDiagonal[NUM_DIRECTIONS] = {false, false, false, false, false, true,
                                            true,  false, false, true,  true};

// clang-format off
const pieceT START_BOARD[64] = {
    WR, WN, WB, WQ, WK, WB, WN, WR,
    WP, WP, WP, WP, WP, WP, WP, WP,
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    BP, BP, BP, BP, BP, BP, BP, BP,
    BR, BN, BB, BQ, BK, BB, BN, BR,
};
// clang-format on

// clang-format off
const colorT BOARD_SQUARECOLOR[64] = {
    1, 0, 1, 0, 1, 0, 1, 0,
    0, 1, 0, 1, 0, 1, 0, 1,
    1, 0, 1, 0, 1, 0, 1, 0,
    0, 1, 0, 1, 0, 1, 0, 1,
    1, 0, 1, 0, 1, 0, 1, 0,
    0, 1, 0, 1, 0, 1, 0, 1,
    1, 0, 1, 0, 1, 0, 1, 0,
    0, 1, 0, 1, 0, 1, 0, 1,
};
// clang-format on

directionT sqDir[66][66];

void brel_Init() {
    // Positions are built on every worker thread: the table is filled once,
    // under the guard of a function-local static's initialisation.
    static const bool filled = [] {
        // Every pair not reached below keeps NULL_DIR (static storage is zeroed).
        const directionT order[8] = {UP,      DOWN,     LEFT,      RIGHT,
                                     UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT};
        for (squareT from = 0; from < 64; from++) {
            for (directionT d : order) {
                for (squareT to = square_Move(from, d); to != NULL_SQUARE; to = square_Move(to, d))
                    sqDir[from][to] = d;
            }
        }
        return true;
    }();
    ASSERT(filled);
}
