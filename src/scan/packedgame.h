// Rebuilds a game's move tree from the index's packed moves, without its
// text: the tree holds the moves, variations and positions of the game as
// read from its text, so that a query's walk over it meets the same
// positions. What only the text holds (comments, annotations) is left out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scan/movecode.h"

class Game;

class PackedGame {
  public:
    // Replaces the moves of `game` by the `size` bytes of codes at `codes`,
    // from the standard start. False when they are no sound packing of legal
    // moves; the game then holds part of them.
    bool load(const uint8_t* codes, size_t size, Game& game);

  private:
    movecode::MoveCoder coder;
};
