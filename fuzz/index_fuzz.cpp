// Fuzzes the reading of a game index: arbitrary bytes are checked as an
// index, and an index that passes has every record, text and packed move
// read and every game rebuilt from its packed moves, without a crash, a
// hang or a read out of bounds. Each input is also
// checked with its size and checksums made right, so that the checks behind
// the checksums see the mutations too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <zlib.h>

#include <vector>

#include "core/game.h"
#include "scan/gameindex.h"
#include "scan/packedgame.h"

using namespace gameindex;

namespace {

void put(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int width) {
    for (int i = 0; i < width; i++) bytes[at + i] = uint8_t(value >> (8 * i));
}

int readAll(const uint8_t* data, size_t size) {
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::fromBytes(data, size, nullptr, verdict);
    if ((index != nullptr) != (verdict == Verdict::Usable)) abort();
    if (index == nullptr) return 0;
    GameRecord r;
    unsigned sum = 0;
    IndexStream moves(*index, index->movesAt(), index->textsAt());
    for (uint64_t i = 0; i < index->games(); i++) {
        if (!index->record(i, r)) abort();
        for (const char* t : {index->text(r.white), index->text(r.black), index->text(r.event),
                              index->text(r.site)})
            sum += unsigned(t[0]);
        const uint8_t* codes = moves.next(r.movesLength);
        if (codes == nullptr) abort();
        for (uint32_t m = 0; m < r.movesLength; m++) sum += codes[m];
        if ((r.flags & (kPacked | kFenStart)) == kPacked) {
            static Game game;
            static PackedGame packed;
            sum += packed.load(codes, r.movesLength, game) ? 1u : 0u;
        }
    }
    return sum == 0xFFFFFFFF ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAll(data, size);
    if (size < kHeaderSize) return 0;
    std::vector<uint8_t> sealed(data, data + size);
    put(sealed, 104, size, 8);
    put(sealed, 112, BodyHash::ofIndex(sealed.data(), sealed.size()), 8);
    put(sealed, 124, crc32(0L, sealed.data(), 124), 4);
    readAll(sealed.data(), sealed.size());
    return 0;
}
