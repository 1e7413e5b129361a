#include "filter/variantindex.h"

#include <algorithm>
#include <bit>

#include "core/position.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"

namespace {

// A designator filed under more (piece, square) pairs than this selects too
// little to be worth its buckets; its variant is then tested at every position.
constexpr int kMaxEntries = 64;

// Roughly how often a piece of this code stands on a given square: kings and
// queens are single pieces, pawns are many, and most squares are empty.
int rarity(int code) {
    if (code == EMPTY) return 32;
    switch (piece_Type(pieceT(code))) {
        case KING:
        case QUEEN:
            return 1;
        case PAWN:
            return 8;
        default:
            return 2;
    }
}

// What filing a variant under this designator costs at a typical position:
// the number of its (piece, square) pairs weighted by how often they occur.
int selectivityCost(const pieceLoc* loc) {
    int squares = std::popcount(loc->squaremask);
    int cost = 0;
    for (int code = 0; code < 16; code++)
        if (loc->piecemask & (1u << code)) cost += rarity(code) * squares;
    return cost;
}

int entryCount(const pieceLoc* loc) {
    return std::popcount(unsigned(loc->piecemask)) * std::popcount(loc->squaremask);
}

// The designator to file a variant under; null when none serves.
const pieceLoc* keyOf(const positionFilter* variant) {
    const pieceLoc* best = nullptr;
    int bestCost = 0;
    for (const pieceLoc* loc : variant->pieces) {
        if (loc->tag != nullptr) continue;
        int cost = selectivityCost(loc);
        if (best == nullptr || cost < bestCost) {
            best = loc;
            bestCost = cost;
        }
    }
    if (best != nullptr && entryCount(best) > kMaxEntries) return nullptr;
    return best;
}

}  // namespace

VariantIndex::VariantIndex(const std::vector<positionFilter*>& members)
    : variants(members.begin(), members.end()), seenAt(members.size(), 0) {
    ASSERT(variants.size() <= 65536);
    // Count the entries of every bucket, then lay the buckets out one after
    // another, filling each in variant order so that a bucket is ascending.
    uint32_t counts[kCodes][64] = {};
    std::vector<const pieceLoc*> keys(variants.size());
    for (size_t v = 0; v < variants.size(); v++) {
        keys[v] = keyOf(variants[v]);
        if (keys[v] == nullptr) {
            unkeyed.push_back(uint16_t(v));
            continue;
        }
        // A key with no square never holds: its variant can never match and
        // is filed nowhere.
        for (int code = 0; code < kCodes; code++) {
            if (!(keys[v]->piecemask & (1u << code))) continue;
            for (SquareSet s = keys[v]->squaremask; s; s &= s - 1)
                counts[code][std::countr_zero(s)]++;
        }
    }
    uint32_t total = 0;
    for (int code = 0; code < kCodes; code++) {
        for (int sq = 0; sq < 64; sq++) {
            start[code][sq] = total;
            total += counts[code][sq];
            if (counts[code][sq] > 0) {
                filedSquares[code] |= square_Bit(squareT(sq));
                filedCodes |= uint16_t(1u << code);
            }
        }
        start[code][64] = total;
    }
    keyed.resize(total);
    uint32_t fill[kCodes][64];
    for (int code = 0; code < kCodes; code++)
        for (int sq = 0; sq < 64; sq++) fill[code][sq] = start[code][sq];
    for (size_t v = 0; v < variants.size(); v++) {
        if (keys[v] == nullptr) continue;
        for (int code = 0; code < kCodes; code++) {
            if (!(keys[v]->piecemask & (1u << code))) continue;
            for (SquareSet s = keys[v]->squaremask; s; s &= s - 1)
                keyed[fill[code][std::countr_zero(s)]++] = uint16_t(v);
        }
    }
    selected.reserve(variants.size());
}

void VariantIndex::select(const Position* pos, uint16_t v) {
    if (seenAt[v] == stamp) return;
    seenAt[v] = stamp;
    if (variants[v]->matchBoard(pos)) selected.push_back(v);
}

const std::vector<uint16_t>& VariantIndex::candidates(const Position* pos) {
    if (++stamp == 0) {
        std::fill(seenAt.begin(), seenAt.end(), 0);
        stamp = 1;
    }
    selected.clear();
    for (unsigned codes = filedCodes; codes; codes &= codes - 1) {
        int code = std::countr_zero(codes);
        for (SquareSet s = pos->GetPieceSet(pieceT(code)) & filedSquares[code]; s; s &= s - 1) {
            int sq = std::countr_zero(s);
            for (uint32_t i = start[code][sq]; i < start[code][sq + 1]; i++) select(pos, keyed[i]);
        }
    }
    for (uint16_t v : unkeyed) select(pos, v);
    // Few variants pass: sorting them is cheap.
    std::sort(selected.begin(), selected.end());
    return selected;
}
