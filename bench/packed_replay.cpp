// The replay of an index's packed moves, measured apart from any query: every
// game that starts from the standard position is rebuilt from its codes, as
// an indexed scan rebuilds the games it tests.
//
// Usage: packed_replay INDEX_FILE
// Prints the games and moves rebuilt, the CPU seconds, and moves a second.
#include <cstdio>
#include <ctime>
#include <memory>

#include "core/game.h"
#include "scan/gameindex.h"
#include "scan/packedgame.h"

using namespace gameindex;

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: packed_replay INDEX_FILE\n");
        return 2;
    }
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::open(argv[1], nullptr, verdict);
    if (index == nullptr) {
        fprintf(stderr, "packed_replay: the index %s\n", verdictText(verdict));
        return 1;
    }
    clock_t start = clock();
    IndexStream spans(*index, index->spansAt(), index->movesAt());
    IndexStream records(*index, index->recordsAt(), index->spansAt());
    IndexStream moves(*index, index->movesAt(), index->textsAt());
    Game game;
    PackedGame packed;
    GameRecord r;
    uint64_t games = 0, plies = 0, failed = 0;
    for (uint64_t i = 0; i < index->games(); i++) {
        r.movesLength = GameRecord::movesLengthOf(spans.next(kSpanSize));
        r.decodeSignatures(records.next(kSignatureSize));
        const uint8_t* codes = moves.next(r.movesLength);
        if ((r.flags & (kPacked | kFenStart)) != kPacked) continue;
        if (!packed.load(codes, r.movesLength, game)) failed++;
        games++;
        // Every byte but the markers and the queen's escapes is one move.
        for (uint32_t b = 0; b < r.movesLength; b++) plies += codes[b] < 0x0B || codes[b] > 0x0D;
    }
    const double seconds = double(clock() - start) / CLOCKS_PER_SEC;
    printf("games %llu moves %llu failed %llu cpu %.3f s: %.1f million moves a second\n",
           (unsigned long long)games, (unsigned long long)plies, (unsigned long long)failed,
           seconds, double(plies) / seconds / 1e6);
    return failed == 0 ? 0 : 1;
}
