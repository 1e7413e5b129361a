// Selects, at one position, the variants of a position list that can still
// match: each variant is filed under the squares and pieces of its most
// selective designator, which must hold wherever the variant matches; the
// variants found that way are then tried on their side to move and all their
// designators, which cost nothing else. A variant left out would have failed
// the same tests in the full variant test, before any test with an effect.
#pragma once

#include <cstdint>
#include <vector>

#include "core/common.h"

class Position;
class positionFilter;

class VariantIndex {
  public:
    explicit VariantIndex(const std::vector<positionFilter*>& variants);

    // The numbers of the variants whose board conditions hold at `pos`, in
    // ascending order. The result stays valid until the next call.
    const std::vector<uint16_t>& candidates(const Position* pos);

  private:
    static constexpr int kCodes = 16;

    void select(const Position* pos, uint16_t v);

    std::vector<const positionFilter*> variants;
    // Variants with no designator that can serve as a key: always tested.
    std::vector<uint16_t> unkeyed;
    // Variants filed by (piece code, square) of their key designator:
    // bucket (code, sq) is keyed[start[code][sq] .. start[code][sq + 1]).
    std::vector<uint16_t> keyed;
    uint32_t start[kCodes][65] = {};
    // The squares that have any bucket, per piece code.
    SquareSet filedSquares[kCodes] = {};
    uint16_t filedCodes = 0;

    std::vector<uint16_t> selected;
    // Stamps that keep a variant from being selected twice at one position.
    std::vector<uint32_t> seenAt;
    uint32_t stamp = 0;
};
