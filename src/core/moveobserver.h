// A listener to a game's move tree while it is built at the end of its lines,
// as the PGN reader builds it: each move with the position it is made in,
// and each variation opened and left. Whoever needs every position of a game
// as it is read follows it here instead of replaying the game afterwards.
#pragma once

#include "core/movelist.h"

class Position;

class MoveObserver {
  public:
    virtual ~MoveObserver() = default;
    // The moves are gone and the line starts again from `start`: a new game,
    // or a new starting position.
    virtual void movesCleared(const Position& start) = 0;
    // `move` is added at the end of the current line; `before` is the
    // position it is made in. The move's node keeps what is returned
    // (moveT::observed), for the observer to read when the tree is walked.
    virtual byte moveAdded(Position& before, const simpleMoveT& move) = 0;
    // A variation of the move that ends the current line is opened.
    virtual void variationEntered() = 0;
    // The current variation is left at its end, the position `end`.
    virtual void variationLeft(Position& end) = 0;
    // The tree changed in a way the calls above do not tell (a line cut short,
    // a variation opened or left away from a line's end): what was followed
    // no longer describes the tree until the moves are next cleared.
    virtual void followingLost() = 0;
};
