// A move with everything needed to take it back, and the fixed-size list the
// generators fill. No chess position has more than 256 legal moves.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

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

// Writes a move as found, before it is made: what making it fills in is
// zero. The record is put together in registers and stored as two words, so
// that the game tree, which copies each move read right after, loads what
// was stored in one piece instead of waiting on bytes stored one by one.
inline void setFoundMove(simpleMoveT* m, byte pieceNum, pieceT piece, squareT from, squareT to,
                         pieceT captured, pieceT promote) {
    const simpleMoveT found{pieceNum, piece, from, to, 0, captured, promote, to, 0, NULL_SQUARE, 0};
    if constexpr (std::endian::native != std::endian::little) {
        *m = found;
    } else {
        static_assert(sizeof(simpleMoveT) == 12 && offsetof(simpleMoveT, capturedSquare) == 7 &&
                      offsetof(simpleMoveT, epSquare) == 9);
        const uint64_t head = uint64_t(pieceNum) | uint64_t(piece) << 8 | uint64_t(from) << 16 |
                              uint64_t(to) << 24 | uint64_t(captured) << 40 |
                              uint64_t(promote) << 48 | uint64_t(to) << 56;
        const uint32_t tail = uint32_t(NULL_SQUARE) << 8;
        std::memcpy(m, &head, sizeof head);
        std::memcpy(reinterpret_cast<char*>(m) + sizeof head, &tail, sizeof tail);
    }
}

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
