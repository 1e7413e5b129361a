// The chess vocabulary shared by the whole engine: square, piece, colour and
// direction encodings, the precomputed square tables, and game result codes.
// Everything here is a plain integer type so boards copy and compare as arrays.
#pragma once

#include <array>
#include <cstdint>

#include "core/myassert.h"

using byte = uint8_t;
using squareT = uint8_t;
using pieceT = uint8_t;
using colorT = uint8_t;
using directionT = uint8_t;
using rankT = uint8_t;
using fyleT = uint8_t;
using resultT = uint8_t;
using eloT = uint16_t;
using ecoT = uint16_t;
using dateT = uint32_t;
using SquareSet = uint64_t;

// Colours.
constexpr colorT WHITE = 0;
constexpr colorT BLACK = 1;
constexpr colorT NOCOLOR = 2;
inline colorT color_Flip(colorT c) {
    return 1 - c;
}

// Piece types.
constexpr pieceT END_OF_BOARD = 0;
constexpr pieceT KING = 1;
constexpr pieceT QUEEN = 2;
constexpr pieceT ROOK = 3;
constexpr pieceT BISHOP = 4;
constexpr pieceT KNIGHT = 5;
constexpr pieceT PAWN = 6;
constexpr pieceT EMPTY = 7;

// Pieces: colour * 8 + type.
constexpr pieceT WK = 1, WQ = 2, WR = 3, WB = 4, WN = 5, WP = 6;
constexpr pieceT BK = 9, BQ = 10, BR = 11, BB = 12, BN = 13, BP = 14;

extern const char PIECE_CHAR[];  // "xKQRBNP.xkqrbnpxMm", indexed by piece code

inline pieceT piece_Make(colorT c, pieceT type) {
    return pieceT((c << 3) | (type & 7));
}
inline pieceT piece_Type(pieceT p) {
    return p & 7;
}
inline colorT piece_Color(pieceT p) {
    return p == EMPTY ? NOCOLOR : colorT((p >> 3) & 1);
}
inline colorT piece_Color_NotEmpty(pieceT p) {
    return colorT((p >> 3) & 1);
}
inline bool piece_IsSlider(pieceT p) {
    pieceT t = piece_Type(p);
    return t == QUEEN || t == ROOK || t == BISHOP;
}
// The upper-case letter of the piece's type; "." for EMPTY.
char piece_Char(pieceT p);
// "K", "Q", "R", "B", "N" to their types; everything else, "P" included, to EMPTY.
pieceT piece_FromChar(int ch);

// Squares: rank * 8 + fyle, a1 = 0 .. h8 = 63.
// clang-format off
enum : squareT {
    A1, B1, C1, D1, E1, F1, G1, H1,
    A2, B2, C2, D2, E2, F2, G2, H2,
    A3, B3, C3, D3, E3, F3, G3, H3,
    A4, B4, C4, D4, E4, F4, G4, H4,
    A5, B5, C5, D5, E5, F5, G5, H5,
    A6, B6, C6, D6, E6, F6, G6, H6,
    A7, B7, C7, D7, E7, F7, G7, H7,
    A8, B8, C8, D8, E8, F8, G8, H8,
    COLOR_SQUARE, NULL_SQUARE
};
// clang-format on
constexpr squareT NS = NULL_SQUARE;

constexpr fyleT A_FYLE = 0, B_FYLE = 1, C_FYLE = 2, D_FYLE = 3;
constexpr fyleT E_FYLE = 4, F_FYLE = 5, G_FYLE = 6, H_FYLE = 7;
constexpr rankT RANK_1 = 0, RANK_2 = 1, RANK_3 = 2, RANK_4 = 3;
constexpr rankT RANK_5 = 4, RANK_6 = 5, RANK_7 = 6, RANK_8 = 7;
constexpr fyleT NO_FYLE = 64;
constexpr rankT NO_RANK = 64;

inline squareT square_Make(fyleT f, rankT r) {
    ASSERT(f < 8 && r < 8);
    return squareT((r << 3) | f);
}
inline fyleT square_Fyle(squareT sq) {
    return sq & 7;
}
inline rankT square_Rank(squareT sq) {
    return (sq >> 3) & 7;
}
inline char square_FyleChar(squareT sq) {
    return char('a' + square_Fyle(sq));
}
inline char square_RankChar(squareT sq) {
    return char('1' + square_Rank(sq));
}
inline fyleT fyle_FromChar(int c) {
    return (c >= 'a' && c <= 'h') ? fyleT(c - 'a') : NO_FYLE;
}
inline rankT rank_FromChar(int c) {
    return (c >= '1' && c <= '8') ? rankT(c - '1') : NO_RANK;
}
inline uint32_t square_LeftDiag(squareT sq) {
    return square_Rank(sq) + square_Fyle(sq);
}
inline uint32_t square_RightDiag(squareT sq) {
    return square_Rank(sq) + 7 - square_Fyle(sq);
}
// 1 (BLACK, dark) when rank + fyle is even, else 0 (WHITE, light): a1 is dark.
inline colorT square_Color(squareT sq) {
    return colorT(((square_Rank(sq) + square_Fyle(sq)) & 1) ^ 1);
}
bool square_Adjacent(squareT a, squareT b);
inline SquareSet square_Bit(squareT sq) {
    return SquareSet(1) << sq;
}

// The squares of one line of the board, for counting pieces on it.
namespace squareline {
template <typename OnLine>
constexpr std::array<SquareSet, 16> makeSets(OnLine onLine) {
    std::array<SquareSet, 16> sets{};
    for (int sq = 0; sq < 64; sq++) sets[onLine(sq)] |= SquareSet(1) << sq;
    return sets;
}
constexpr auto kFyles = makeSets([](int sq) { return sq & 7; });
constexpr auto kRanks = makeSets([](int sq) { return sq >> 3; });
constexpr auto kLeftDiags = makeSets([](int sq) { return (sq >> 3) + (sq & 7); });
constexpr auto kRightDiags = makeSets([](int sq) { return (sq >> 3) + 7 - (sq & 7); });
constexpr auto kShades = makeSets([](int sq) { return (((sq >> 3) + (sq & 7)) & 1) ^ 1; });
}  // namespace squareline

inline SquareSet fyle_Set(fyleT f) {
    return squareline::kFyles[f];
}
inline SquareSet rank_Set(rankT r) {
    return squareline::kRanks[r];
}
// The diagonals numbered as square_LeftDiag and square_RightDiag number them.
inline SquareSet leftDiag_Set(uint32_t diag) {
    return squareline::kLeftDiags[diag];
}
inline SquareSet rightDiag_Set(uint32_t diag) {
    return squareline::kRightDiags[diag];
}
// The squares of one colour, as square_Color gives it.
inline SquareSet squareColor_Set(colorT c) {
    return squareline::kShades[c];
}

extern const colorT BOARD_SQUARECOLOR[64];
extern const pieceT START_BOARD[64];

// Directions: a diagonal is the bitwise or of its vertical and horizontal parts.
constexpr directionT NULL_DIR = 0;
constexpr directionT UP = 1;
constexpr directionT DOWN = 2;
constexpr directionT LEFT = 4;
constexpr directionT RIGHT = 8;
constexpr directionT UP_LEFT = UP | LEFT;        // 5
constexpr directionT DOWN_LEFT = DOWN | LEFT;    // 6
constexpr directionT UP_RIGHT = UP | RIGHT;      // 9
constexpr directionT DOWN_RIGHT = DOWN | RIGHT;  // 10
constexpr int NUM_DIRECTIONS = 11;               // table width: every value 0..10

extern const int dirDelta[NUM_DIRECTIONS];
extern const directionT dirOpposite[NUM_DIRECTIONS];
extern const bool dirIsDiagonal[NUM_DIRECTIONS];

inline int direction_Delta(directionT d) {
    return dirDelta[d];
}
inline directionT direction_Opposite(directionT d) {
    return dirOpposite[d];
}
inline bool direction_IsDiagonal(directionT d) {
    return dirIsDiagonal[d];
}

// Square tables, computed at compile time (sqDir excepted: brel_Init fills it
// at start-up). Rows 64 and 65 of sqLast are the pseudo-squares.
namespace sqtables {
using DirRow = std::array<squareT, NUM_DIRECTIONS>;
using HopRow = std::array<squareT, 9>;

// Rank and fyle steps of each direction value; values naming no direction are 0,0.
constexpr int kDirRank[NUM_DIRECTIONS] = {0, 1, -1, 0, 0, 1, -1, 0, 0, 1, -1};
constexpr int kDirFyle[NUM_DIRECTIONS] = {0, 0, 0, 0, -1, -1, -1, 0, 1, 1, 1};

constexpr bool isDirection(int d) {
    return kDirRank[d] != 0 || kDirFyle[d] != 0;
}

constexpr squareT step(int sq, int d) {
    if (sq >= 64 || !isDirection(d)) return NULL_SQUARE;
    int r = sq / 8 + kDirRank[d], f = sq % 8 + kDirFyle[d];
    if (r < 0 || r > 7 || f < 0 || f > 7) return NULL_SQUARE;
    return squareT(r * 8 + f);
}

constexpr std::array<DirRow, 64> makeMove() {
    std::array<DirRow, 64> t{};
    for (int sq = 0; sq < 64; sq++)
        for (int d = 0; d < NUM_DIRECTIONS; d++) t[sq][d] = step(sq, d);
    return t;
}

constexpr std::array<DirRow, 66> makeLast() {
    std::array<DirRow, 66> t{};
    for (int sq = 0; sq < 66; sq++) {
        for (int d = 0; d < NUM_DIRECTIONS; d++) {
            if (sq >= 64 || !isDirection(d)) {
                t[sq][d] = NULL_SQUARE;
                continue;
            }
            int cur = sq;
            while (step(cur, d) != NULL_SQUARE) cur = step(cur, d);
            t[sq][d] = squareT(cur);
        }
    }
    return t;
}

// Targets of a leaper, in ascending square order, NULL_SQUARE-terminated.
constexpr std::array<HopRow, 64> makeHops(const int (&dr)[8], const int (&df)[8]) {
    std::array<HopRow, 64> t{};
    for (int sq = 0; sq < 64; sq++) {
        int n = 0;
        for (int to = 0; to < 64; to++)
            for (int i = 0; i < 8; i++)
                if (sq / 8 + dr[i] == to / 8 && sq % 8 + df[i] == to % 8) t[sq][n++] = squareT(to);
        for (; n < 9; n++) t[sq][n] = NULL_SQUARE;
    }
    return t;
}

constexpr int kKnightRank[8] = {1, 2, 2, 1, -1, -2, -2, -1};
constexpr int kKnightFyle[8] = {-2, -1, 1, 2, -2, -1, 1, 2};
constexpr int kKingRank[8] = {1, 1, 1, 0, 0, -1, -1, -1};
constexpr int kKingFyle[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
}  // namespace sqtables

inline constexpr std::array<sqtables::DirRow, 64> sqMove = sqtables::makeMove();
inline constexpr std::array<sqtables::DirRow, 66> sqLast = sqtables::makeLast();
inline constexpr std::array<sqtables::HopRow, 64> knightAttacks =
    sqtables::makeHops(sqtables::kKnightRank, sqtables::kKnightFyle);
inline constexpr std::array<sqtables::HopRow, 64> kingAttacks =
    sqtables::makeHops(sqtables::kKingRank, sqtables::kKingFyle);
extern directionT sqDir[66][66];

inline squareT square_Move(squareT sq, directionT d) {
    return sqMove[sq][d];
}
inline squareT square_Last(squareT sq, directionT d) {
    return sqLast[sq][d];
}

// Fills sqDir on the first call; later calls return at once.
void brel_Init();

// Game results.
constexpr resultT RESULT_None = 0;
constexpr resultT RESULT_White = 1;
constexpr resultT RESULT_Black = 2;
constexpr resultT RESULT_Draw = 3;
extern const char* const RESULT_STR[4];      // "*", "1-0", "0-1", "=-="
extern const char* const RESULT_LONGSTR[4];  // "*", "1-0", "0-1", "1/2-1/2"

// Castling rights.
constexpr byte WQ_CASTLE = 1;
constexpr byte WK_CASTLE = 2;
constexpr byte BQ_CASTLE = 4;
constexpr byte BK_CASTLE = 8;
constexpr byte QSIDE = 0;
constexpr byte KSIDE = 1;
