// Fuzzes the reading of a game index: arbitrary bytes are checked as an
// index, and an index that passes has every record, text and packed move
// read, without a crash, a hang or a read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "scan/gameindex.h"

using namespace gameindex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::fromBytes(data, size, nullptr, verdict);
    if ((index != nullptr) != (verdict == Verdict::Usable)) abort();
    if (index == nullptr) return 0;
    GameRecord r;
    uint64_t moves = 0;
    unsigned sum = 0;
    for (uint64_t i = 0; i < index->games(); i++) {
        index->record(i, r);
        for (const char* t : {index->text(r.white), index->text(r.black), index->text(r.event),
                              index->text(r.site)})
            sum += unsigned(t[0]);
        for (uint32_t m = 0; m < r.movesLength; m++) sum += index->moves()[moves + m];
        moves += r.movesLength;
    }
    return sum == 0xFFFFFFFF ? 1 : 0;
}
