// The index's code of a move: one byte, two for a queen's diagonal move,
// read and written without generating the position's moves. A code names
// the moving piece by its place among the mover's pieces and the target by
// a number that the piece's kind makes unambiguous (see
// docs/index-format.md).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/movelist.h"

class Position;

namespace movecode {

// The codes that are no move.
constexpr uint8_t kNullMove = 0x0A;
constexpr uint8_t kVariationStart = 0x0B;
constexpr uint8_t kVariationEnd = 0x0C;
// The next byte is a queen's move along a diagonal.
constexpr uint8_t kQueenDiagonal = 0x0D;

class MoveCoder {
  public:
    // Writes the code of `move`, legal in `pos`, into `out` (room for two
    // bytes) and returns its length; 0 when the move has no code that reads
    // back as itself.
    size_t encode(Position& pos, const simpleMoveT& move, uint8_t* out);
    // Reads the move at `code` (`size` bytes left) in `pos`; returns the
    // bytes it took, 0 when they are no legal move's code.
    size_t decode(Position& pos, const uint8_t* code, size_t size, simpleMoveT& move);

  private:
    MoveList found;
};

}  // namespace movecode
