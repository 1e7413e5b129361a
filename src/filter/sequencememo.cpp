#include "filter/sequencememo.h"

#include <algorithm>

#include "core/myassert.h"

namespace {

// Small: every transformed copy of a sequence has a memo of its own.
constexpr size_t kInitialSlots = 64;
// Above every element number: a sequence has at most 1000 elements.
constexpr int16_t kNoElement = 0x7fff;

}  // namespace

void SequenceMemo::startWalk(unsigned w, bool vars) {
    if (stamp != 0 && w == walk && vars == variations) return;
    walk = w;
    variations = vars;
    used = 0;
    if (++stamp == 0) {
        // After 2^32 walks old stamps could come back to life.
        for (Entry& e : entries) e.stamp = 0;
        stamp = 1;
    }
}

size_t SequenceMemo::slotOf(const moveT* at) const {
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(at) >> 4) * 0x9E3779B97F4A7C15ull;
    return size_t(h >> 32) & (entries.size() - 1);
}

const SequenceMemo::Entry* SequenceMemo::find(const moveT* at) const {
    if (entries.empty()) return nullptr;
    for (size_t i = slotOf(at);; i = (i + 1) & (entries.size() - 1)) {
        const Entry& e = entries[i];
        if (e.stamp != stamp) return nullptr;
        if (e.at == at) return &e;
    }
}

SequenceMemo::Known SequenceMemo::lookup(const moveT* at, int element) const {
    const Entry* e = find(at);
    if (e == nullptr) return Known::Unknown;
    if (element >= e->foundFrom) return Known::Found;
    if (element <= e->notFoundUpTo) return Known::NotFound;
    return Known::Unknown;
}

void SequenceMemo::grow() {
    std::vector<Entry> old = std::move(entries);
    entries.assign(std::max(kInitialSlots, old.size() * 2), Entry{nullptr, 0, 0, 0});
    for (const Entry& e : old)
        if (e.stamp == stamp) {
            size_t i = slotOf(e.at);
            while (entries[i].stamp == stamp) i = (i + 1) & (entries.size() - 1);
            entries[i] = e;
        }
}

SequenceMemo::Entry& SequenceMemo::insert(const moveT* at) {
    // At most half full, so that probes stay short and always end.
    if (2 * (used + 1) > entries.size()) grow();
    size_t i = slotOf(at);
    for (; entries[i].stamp == stamp; i = (i + 1) & (entries.size() - 1))
        if (entries[i].at == at) return entries[i];
    used++;
    entries[i] = Entry{at, stamp, kNoElement, -1};
    return entries[i];
}

void SequenceMemo::record(const moveT* at, int element, bool found) {
    ASSERT(at != nullptr && element >= 0 && element < kNoElement);
    Entry& e = insert(at);
    if (found)
        e.foundFrom = std::min(e.foundFrom, int16_t(element));
    else
        e.notFoundUpTo = std::max(e.notFoundUpTo, int16_t(element));
}
