// What the index keeps of a game's play: its moves packed a byte or two (main
// line and variations), and the signatures a query planner reads to skip
// games that cannot match (flags, final material, pawns leaving home, the
// squares each piece kind stood on).
#pragma once

#include <cstdint>
#include <vector>

#include "core/movelist.h"
#include "scan/gameindex.h"
#include "scan/movecode.h"

class Game;
class Position;

class GameSignature {
  public:
    // Walks `game` (rewound by the call) and fills the play part of `record`
    // (flags, material, promotions, pawn order, squares, movesLength),
    // appending the packed moves to `moves`. A game with a move its position
    // does not allow keeps no packed moves: it is replayed from its text.
    void sign(Game& game, gameindex::GameRecord& record, std::vector<uint8_t>& moves);

  private:
    void walkLine(Game& game, bool inVariation);
    // `mayBeStuck`: the position may have no legal moves (it ends its line,
    // or a pass follows it), and is tested for mate and stalemate.
    void notePosition(Position& pos, bool inVariation, bool mayBeStuck);
    void noteMove(const Position& pos, const simpleMoveT& move, bool inVariation);
    // The pawns leaving home along the main line, and at its end (`last`)
    // the material.
    void noteMainLine(const Position& pos, bool last);
    // Appends the code of the move played in `pos`; false when it has none.
    bool packMove(Position& pos, const simpleMoveT& move);

    gameindex::GameRecord* record = nullptr;
    std::vector<uint8_t>* out = nullptr;
    bool packed = true;
    uint64_t squares[gameindex::kKinds] = {};
    uint32_t home = 0;  // pawns still on their home squares: colour * 8 + file
    movecode::MoveCoder coder;
};
