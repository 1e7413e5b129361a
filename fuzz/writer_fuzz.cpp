// Arbitrary bytes through the PGN reader, every game read written as the
// engine's annotated record and read back: the record must come back with
// the same main line, and the writer must leave the game's cursor in place.
// Seeds: fuzz/corpus/pgn and tests/fixtures/pgn.
#include <cstddef>
#include <cstdint>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/textbuf.h"

namespace {

uint32_t mainLinePlies(Game& game) {
    game.MoveToPly(0);
    uint32_t plies = 0;
    while (game.MoveForward() == OK) ++plies;
    return plies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MFile file;
    file.OpenMemory(reinterpret_cast<const char*>(data), size, "fuzz.pgn");
    PgnParser parser(&file);
    Game game;
    Game back;
    for (uint32_t n = 1; parser.ParseGame(&game) != ERROR_NotFound; ++n) {
        game.SetNumber(n);
        uint32_t plies = mainLinePlies(game);
        game.MoveToPly(plies / 2);
        moveT* cursor = game.GetCurrentMove();

        TextBuffer tb;
        tb.SetBufferSize(100);
        tb.SetGrowable(true);
        if (game.WriteToPGN_changed(&tb) != OK) __builtin_trap();
        if (game.GetCurrentMove() != cursor || game.GetCurrentPly() != plies / 2) __builtin_trap();

        MFile written;
        written.OpenMemory(tb.GetBuffer(), tb.GetByteCount(), "written.pgn");
        PgnParser reader(&written);
        if (reader.ParseGame(&back) == ERROR_NotFound) __builtin_trap();
        if (mainLinePlies(back) != plies) __builtin_trap();
        if (back.GetResult() != game.GetResult()) __builtin_trap();
    }
    return 0;
}
