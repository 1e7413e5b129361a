// Leaf counting of the legal move tree, shared by the perft tool and the
// benchmarks so both measure the same walk.
#pragma once

#include <cstdint>

#include "core/position.h"

// The last ply is counted from the move list without making its moves: every
// generated move is legal.
inline uint64_t perftBulk(Position& pos, int depth) {
    MoveList moves;
    pos.GenerateMoves(&moves);
    if (depth <= 1) return moves.Size();
    uint64_t nodes = 0;
    for (simpleMoveT& m : moves) {
        pos.DoSimpleMove(&m);
        nodes += perftBulk(pos, depth - 1);
        pos.UndoSimpleMove(&m);
    }
    return nodes;
}
