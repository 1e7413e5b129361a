// A move with everything needed to take it back, and the fixed-size list the
// generators fill. No chess position has more than 256 legal moves.
#pragma once

#include "core/common.h"

struct simpleMoveT {
    byte pieceNum;  // list index of the moving piece in the mover's List
    pieceT movingPiece;
    squareT from;
    squareT to;
    byte capturedNum;      // list index of the captured piece (filled when made)
    pieceT capturedPiece;  // EMPTY if none; the captured pawn for en passant
    pieceT promote;        // QUEEN, ROOK, BISHOP, KNIGHT or EMPTY
    squareT capturedSquare;
    byte castleFlags;  // Castling before the move
    squareT epSquare;  // EPTarget before the move
    uint16_t oldHalfMoveClock;
};

// A pass: origin equals destination (not NULL_SQUARE) and the mover is a king.
inline bool isNullMove(const simpleMoveT& m) {
    return m.from == m.to && m.from != NULL_SQUARE && piece_Type(m.movingPiece) == KING;
}

constexpr uint32_t MAX_LEGAL_MOVES = 256;

class MoveList {
  public:
    MoveList() : ListSize(0) {}

    uint32_t Size() const { return ListSize; }
    void Clear() { ListSize = 0; }
    simpleMoveT* Get(uint32_t i) {
        ASSERT(i < ListSize);
        return &Moves[i];
    }
    const simpleMoveT* Get(uint32_t i) const {
        ASSERT(i < ListSize);
        return &Moves[i];
    }
    simpleMoveT* Add() {
        ASSERT(ListSize < MAX_LEGAL_MOVES);
        return &Moves[ListSize++];
    }
    simpleMoveT* begin() { return Moves; }
    simpleMoveT* end() { return Moves + ListSize; }

  private:
    uint32_t ListSize;
    simpleMoveT Moves[MAX_LEGAL_MOVES];
};

// Generation types.
constexpr int GEN_CAPTURES = 1;
constexpr int GEN_NON_CAPS = 2;
constexpr int GEN_ALL_MOVES = GEN_CAPTURES | GEN_NON_CAPS;

// SAN check-suffix modes.
constexpr int SAN_NO_CHECKTEST = 0;
constexpr int SAN_CHECKTEST = 1;
constexpr int SAN_MATETEST = 2;
