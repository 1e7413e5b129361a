// Stateless helpers shared by the query reader and the filters: numbers,
// squares, directions, flips, piece values, and the usual way an error in
// the user's query refuses the run (uassert).
#pragma once

#include <cstdio>

#include "core/common.h"

class Game;
class TextBuffer;

class util {
  public:
    // What signedIntValue returns for anything that is not a number.
    static constexpr int notANumber = -12345678;

    // Refuses the run when the condition is false: throws a QueryError that
    // shows "Error: <message>" on standard output with status 1.
    static void uassert(bool condition, const char* message);

    // A new owned copy (delete[]); longer than 500 characters is refused
    // (QueryError).
    static char* copy(const char* s);

    // Decimal value of a digit string, -1 for anything else (a sign, an
    // empty string, a value beyond 32 bits).
    static int intValue(const char* s);
    // As intValue, with an optional leading "-"; notANumber when malformed.
    static int signedIntValue(const char* s);

    static int fileFromChar(char ch);
    static int rankFromChar(char ch);
    static bool squareValid(int sq) { return sq >= 0 && sq < 64; }
    static void printsquare(int sq);
    // The square df files and dr ranks away, or -1 off the board.
    static int squareShift(int sq, int df, int dr);
    static int squareShiftDirection(int sq, directionT dir);

    // Flip kinds: 'H' mirrors ranks, 'V' mirrors files, 'D' reflects in the
    // a1-h8 diagonal, 'C' swaps colours (and, for boards, mirrors ranks).
    static int makeFlip(int sq, char kind);
    static directionT makeDirectionFlip(directionT dir, char kind);
    static colorT myFlipColor(colorT color);

    static int power(pieceT piece);

    static bool directionOrthogonal(directionT dir);
    static bool directionDiagonal(directionT dir);
    static bool directionCompatible(pieceT piece, directionT dir);

    static void my_dump_board(const pieceT* board);

    // Writes the game whole as an annotated PGN record, through `buffer`,
    // whose storage is kept from one record to the next; false when the
    // stream did not take all of it.
    static bool printgame(FILE* stream, Game* game, TextBuffer& buffer);
};
