// Arbitrary bytes through the PGN reader into a game record, then a walk over
// every line and variation of every game read, as the scan and the writer do;
// and the signatures the index builder takes while a game is read, which must
// be those a walk of the game's tree takes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "scan/gameindex.h"
#include "scan/gamesignature.h"

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

// The record and packed moves of a game, as the index keeps them.
std::vector<uint8_t> signedBytes(GameSignature& signature, Game& game) {
    gameindex::GameRecord record;
    std::vector<uint8_t> bytes(gameindex::kRecordSize);
    signature.sign(game, record, bytes);
    record.encode(bytes.data());
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    MFile file, followedFile;
    file.OpenMemory(text, size, "fuzz.pgn");
    followedFile.OpenMemory(text, size, "fuzz.pgn");
    PgnParser parser(&file), followedParser(&followedFile);
    Game game, followedGame;
    GameSignature walking, following;
    followedGame.SetObserver(&following);
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        if (followedParser.ParseGame(&followedGame) == ERROR_NotFound) __builtin_trap();
        if (signedBytes(following, followedGame) != signedBytes(walking, game)) __builtin_trap();
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
