#include "scan/packedgame.h"

#include "core/game.h"

using namespace movecode;

bool PackedGame::load(const uint8_t* codes, size_t size, Game& game) {
    game.ClearMoves();
    game.MoveToPly(0);
    // Each variation follows the move it replaces, as in the text.
    bool moved = false;
    for (size_t i = 0; i < size;) {
        const uint8_t code = codes[i];
        if (code == kVariationStart) {
            if (!moved || game.AddVariation() != OK) return false;
            moved = false;
            i++;
        } else if (code == kVariationEnd) {
            if (game.MoveExitVariation() != OK) return false;
            game.MoveForward();
            moved = true;
            i++;
        } else {
            simpleMoveT move;
            const size_t used = coder.decode(*game.GetCurrentPos(), codes + i, size - i, move);
            if (used == 0 || game.AddMove(&move, nullptr) != OK) return false;
            moved = true;
            i += used;
        }
    }
    return game.GetVarLevel() == 0;
}
