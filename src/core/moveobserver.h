// A listener to a game's move tree while it is built at the end of its lines,
// as the PGN reader builds it: each move with the position it is made in,
// and each variation opened and left. Whoever needs every position of a game
// as it is read follows it here instead of replaying the game afterwards.
#pragma once

#include <array>

#include "core/movelist.h"

class Position;

class MoveObserver {
  public:
    // Which moves the observer is told of. The game gathers in `changed` the
    // piece codes (a bit each) whose squares its moves change, and tells a
    // move only when they meet `watched` and the side to move is not
    // `idleSide`; the node of a move not told keeps 0. The observer clears
    // `changed` and sets `watched` as it needs; the defaults tell every move.
    unsigned watched = ~0u;
    unsigned changed = ~0u;
    colorT idleSide = NOCOLOR;

    // The piece codes whose squares `move` changes, a few more at times: the
    // empty squares', the mover's, the captured and the promoted piece's, and
    // the rook's with any king move, castling or not.
    static unsigned codesChangedBy(const simpleMoveT& move) {
        return kMoverCodes[move.movingPiece] | 1u << move.capturedPiece |
               1u << (move.promote | (move.movingPiece & 8));
    }

    virtual ~MoveObserver() = default;
    // The moves are gone and the line starts again from `start`: a new game,
    // or a new starting position.
    virtual void movesCleared(const Position& start) = 0;
    // `move` is added at the end of the current line, and the watch above
    // lets it through; `before` is the position it is made in. The move's
    // node keeps what is returned (moveT::observed), for the observer to read
    // when the tree is walked.
    virtual byte moveAdded(Position& before, const simpleMoveT& move) = 0;
    // A variation of the move that ends the current line is opened.
    virtual void variationEntered() = 0;
    // The current variation is left at its end, the position `end`.
    virtual void variationLeft(Position& end) = 0;
    // The tree changed in a way the calls above do not tell (a line cut short,
    // a variation opened or left away from a line's end): what was followed
    // no longer describes the tree until the moves are next cleared.
    virtual void followingLost() = 0;

  private:
    static constexpr std::array<unsigned, 16> kMoverCodes = [] {
        std::array<unsigned, 16> codes{};
        for (unsigned p = 0; p < 16; p++) {
            const bool king = (p & 7) == KING;
            codes[p] = 1u << EMPTY | 1u << p | (king ? 1u << ((p & 8) | ROOK) : 0);
        }
        return codes;
    }();
};
