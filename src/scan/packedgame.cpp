#include "scan/packedgame.h"

#include <algorithm>

#include "core/game.h"
#include "core/position.h"
#include "scan/gameindex.h"

using namespace gameindex;

bool PackedGame::decode(Position& pos, uint8_t code, simpleMoveT& move) {
    if (code == kNullMoveCode) {
        // A pass, as the reader makes it: never out of check.
        if (pos.IsKingInCheck()) return false;
        const squareT king = pos.GetKingSquare();
        move = simpleMoveT{0, pos.GetPiece(king), king, king, 0, EMPTY, EMPTY, king,
                           0, NULL_SQUARE,        0};
        return true;
    }
    pos.GenerateMoves(&legal);
    const uint32_t n = legal.Size();
    if (code >= n) return false;
    // The rank orders moves by origin, target and promotion piece; the low
    // byte keeps the move's place in the list.
    for (uint32_t i = 0; i < n; i++) {
        const simpleMoveT& m = *legal.Get(i);
        keys[i] = (uint32_t(m.from) << 16 | uint32_t(m.to) << 8 | uint32_t(m.promote)) << 8 | i;
    }
    std::nth_element(keys, keys + code, keys + n);
    move = *legal.Get(keys[code] & 0xFF);
    return true;
}

bool PackedGame::load(const uint8_t* codes, size_t size, Game& game) {
    game.ClearMoves();
    game.MoveToPly(0);
    // Each variation follows the move it replaces, as in the text.
    bool moved = false;
    for (size_t i = 0; i < size; i++) {
        const uint8_t code = codes[i];
        if (code == kVariationStart) {
            if (!moved || game.AddVariation() != OK) return false;
            moved = false;
        } else if (code == kVariationEnd) {
            if (game.MoveExitVariation() != OK) return false;
            game.MoveForward();
            moved = true;
        } else {
            simpleMoveT move;
            if (!decode(*game.GetCurrentPos(), code, move) || game.AddMove(&move, nullptr) != OK)
                return false;
            moved = true;
        }
    }
    return game.GetVarLevel() == 0;
}
