// Rebuilds a game's move tree from the index's packed moves, without its
// text: the tree holds the moves, variations and positions of the game as
// read from its text, so that a query's walk over it meets the same
// positions. What only the text holds (comments, annotations) is left out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/movelist.h"

class Game;
class Position;

class PackedGame {
  public:
    // Replaces the moves of `game` by the `size` codes at `codes`, from the
    // standard start. False when the codes are no sound packing of legal
    // moves; the game then holds part of them.
    bool load(const uint8_t* codes, size_t size, Game& game);

    // The move of rank `code` in `pos` (see GameSignature); false when the
    // position has fewer moves.
    bool decode(Position& pos, uint8_t code, simpleMoveT& move);

  private:
    MoveList legal;
    uint32_t keys[MAX_LEGAL_MOVES];
};
