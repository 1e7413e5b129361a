// What the index keeps of a game's play: its moves packed a byte or two (main
// line and variations), and the signatures a query planner reads to skip
// games that cannot match (flags, final material, pawns leaving home, the
// squares each piece kind stood on).
#pragma once

#include <cstdint>
#include <vector>

#include "core/movelist.h"
#include "core/moveobserver.h"
#include "scan/gameindex.h"
#include "scan/movecode.h"

class Game;
class Position;

class GameSignature : public MoveObserver {
  public:
    // Fills the play part of `record` (flags, material, promotions, pawn
    // order, squares, movesLength) and appends the packed moves to `moves`.
    // A game read while this followed it (Game::SetObserver) is signed from
    // what was gathered as its moves were added, when its tree is still the
    // one followed and the reader left it at the main line's end; any other
    // game is walked, and rewound. A game with a move its position does not
    // allow keeps no packed moves: it is replayed from its text. True when
    // the game was signed from what was gathered while it was read.
    bool sign(Game& game, gameindex::GameRecord& record, std::vector<uint8_t>& moves);

    void movesCleared(const Position& start) override;
    byte moveAdded(Position& before, const simpleMoveT& move) override;
    void variationEntered() override;
    void variationLeft(Position& end) override;
    void followingLost() override;

  private:
    // Starts signing a game that starts at `start` into `r` and `moves`.
    void begin(const Position& start, gameindex::GameRecord& r, std::vector<uint8_t>& moves);
    // The last steps, once every position has been seen.
    void finish();
    void walkLine(Game& game, bool inVariation);
    // What a move, made in `before`, adds; the same whether the game is
    // followed or walked, and in either order of a move and its variations.
    void notePly(Position& before, const simpleMoveT& move, bool inVariation);
    // The position that ends a line.
    void noteLineEnd(Position& end, bool inVariation);
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
    size_t movesStart = 0;
    bool packed = true;
    uint64_t squares[gameindex::kKinds] = {};
    uint32_t home = 0;  // pawns still on their home squares: colour * 8 + file
    movecode::MoveCoder coder;

    // The game being read: whether its tree is still the one followed, how
    // deep in variations its reader is, and what was gathered so far.
    bool following = false;
    uint32_t depth = 0;
    gameindex::GameRecord followed;
    std::vector<uint8_t> followedMoves;
};
