// What a gapped sequence has learnt about the points of one game: from a
// point, the elements from some number on can be found further along and the
// elements up to some number cannot. Kept for one walk over one game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct moveT;

class SequenceMemo {
  public:
    enum class Known : uint8_t { Unknown, Found, NotFound };

    // Forgets everything learnt in another walk or with the other variation
    // setting: the points of one game are not those of the next.
    void startWalk(unsigned walk, bool variations);

    // Whether the elements from `element` on can be found after the point
    // whose next move is `at`.
    Known lookup(const moveT* at, int element) const;
    void record(const moveT* at, int element, bool found);

  private:
    // From a point, finding the elements from k on is harder the smaller k
    // is, so two bounds say all that is known: the rest is found for every
    // k >= foundFrom and not found for every k <= notFoundUpTo.
    struct Entry {
        const moveT* at;
        uint32_t stamp;
        int16_t foundFrom;
        int16_t notFoundUpTo;
    };

    const Entry* find(const moveT* at) const;
    Entry& insert(const moveT* at);
    size_t slotOf(const moveT* at) const;
    void grow();

    // Open addressing; an entry whose stamp is not the current one is free,
    // so starting a walk clears the table without touching it.
    std::vector<Entry> entries;
    uint32_t stamp = 0;
    size_t used = 0;
    unsigned walk = 0;
    bool variations = false;
};
