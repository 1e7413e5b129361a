// Arbitrary bytes through the PGN reader into a game record, then a walk over
// every line and variation of every game read, as the scan and the writer do.
#include <cstddef>
#include <cstdint>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"

namespace {

void walk(Game& g) {
    for (uint32_t i = 0; i < g.GetNumVariations(); ++i) {
        if (g.MoveIntoVariation(i) != OK) __builtin_trap();
        walk(g);
        if (g.MoveExitVariation() != OK) __builtin_trap();
    }
    if (g.AtVarEnd()) return;
    g.MoveForward();
    walk(g);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MFile file;
    file.OpenMemory(reinterpret_cast<const char*>(data), size, "fuzz.pgn");
    PgnParser parser(&file);
    Game game;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.MoveToPly(0);
        walk(game);
        game.MoveToPly(1);
        game.SaveState();
        game.MoveToPly(0);
        if (game.RestoreState() != OK) __builtin_trap();
        if (!game.GetCurrentPos()->IsConsistent()) __builtin_trap();
    }
    return 0;
}
