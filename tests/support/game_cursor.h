// Where a game stands: its position, the move tree node of its cursor, the
// ply and the variation level. Tests take it before and after a filter that
// moves through the game, which must leave the game exactly where it found it.
#pragma once

#include <cstdint>

#include "core/game.h"
#include "position_state.h"

struct GameCursor {
    PositionState pos;
    const moveT* move;
    uint32_t ply, level;
    bool operator==(const GameCursor&) const = default;
};

inline GameCursor cursorOf(Game& game) {
    return {PositionState(*game.GetCurrentPos()), game.myCursor(), game.GetCurrentPly(),
            game.GetVarLevel()};
}
