#include "scan/indexplanner.h"

#include <algorithm>
#include <optional>

#include "filter/movefilter.h"
#include "filter/piececomputefilter.h"
#include "filter/piececomputefilterlist.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "query/namematcher.h"
#include "scan/matchfilter.h"

using namespace gameindex;

namespace {

// The index's kind of a piece code; -1 for the codes that are no piece.
int kindOf(int code) {
    if (code >= WK && code <= WP) return code - WK;
    if (code >= BK && code <= BP) return 6 + code - BK;
    return -1;
}

// The piece kinds of a designator's codes; false when it also allows a code
// the index knows nothing of (an empty square).
bool kindsOf(uint16_t piecemask, uint16_t& kinds) {
    kinds = 0;
    for (int code = 0; code < 16; code++) {
        if ((piecemask >> code & 1) == 0) continue;
        int kind = kindOf(code);
        if (kind < 0) return false;
        kinds |= uint16_t(1u << kind);
    }
    return kinds != 0;
}

}  // namespace

IndexPlanner::IndexPlanner(const matchFilter& q) : query(q) {
    nameConditions = q.player || q.white || q.black || q.event || q.site;
    tagConditions = q.checkeco || q.checkyear || q.result != RESULT_None;
    // A list selects a game only through a position that passes its
    // conditions and members (it needs at least one match, whatever its
    // count bounds); a :not list inverts that test, so nothing follows from it.
    for (int i = 0; i < q.npositionlistfilters; i++) {
        const positionFilterList* list = q.positionListFilters[i];
        if (list == nullptr || list->notposition) continue;
        const bool variations = list->searchVariations || list->searchVariationsOnly;
        const bool mainLine = !list->searchVariationsOnly;
        if (list->mate) needs.push_back({kMate, mainLine, variations});
        if (list->stalemate) needs.push_back({kStalemate, mainLine, variations});
        if (list->check) needs.push_back({kCheck, mainLine, variations});

        // Each variant needs its designators on the board at once, and the
        // move it asks for played; the index knows where each kind of piece
        // ever stood, and which promotions and captures en passant were played.
        Alternatives alternatives{{}, mainLine, variations};
        bool everyVariantNeeds = list->nfilters() > 0;
        for (int m = 0; m < list->nfilters() && everyVariantNeeds; m++) {
            const positionFilter* member = list->getPositionFilter(m);
            Variant variant;
            for (const pieceLoc* loc : member->pieces) {
                OnSquares need;
                if (loc->tag != nullptr || !kindsOf(loc->piecemask, need.kinds)) continue;
                need.squares = loc->squaremask;
                variant.pieces.push_back(need);
            }
            if (const pieceComputeFilterList* counts = member->pieceCountFilterList) {
                for (int f = 0; f < counts->nfilters; f++) {
                    const pieceComputeFilter* count = counts->getFilter(f);
                    CountBound bound{0, count->max};
                    if (count->pieceloc->tag == nullptr && count->pieceloc->squaremask == ~0ull &&
                        kindsOf(count->pieceloc->piecemask, bound.kinds))
                        variant.counts.push_back(bound);
                }
            }
            // The move may also be looked for among the variations' first moves.
            if (member->searchVariations || member->searchVariationsOnly)
                alternatives.variations = true;
            if (const MoveFilter* move = member->moveFilter) {
                variant.enPassant = move->enpassant;
                uint16_t kinds;
                const pieceLoc* promoted = move->promotedpieceloc;
                if (promoted != nullptr && promoted->tag == nullptr &&
                    kindsOf(promoted->piecemask, kinds)) {
                    // Queen, rook, bishop, knight of White, then of Black.
                    for (int k = 0; k < 4; k++) {
                        if (kinds >> (1 + k) & 1) variant.promotions |= uint8_t(1u << k);
                        if (kinds >> (7 + k) & 1) variant.promotions |= uint8_t(1u << (4 + k));
                    }
                    if (variant.promotions == 0) variant.pieces.push_back({0, 0});
                }
            }
            if (variant.pieces.empty() && variant.counts.empty() && variant.promotions == 0 &&
                !variant.enPassant)
                everyVariantNeeds = false;
            else if (std::find(alternatives.variants.begin(), alternatives.variants.end(),
                               variant) == alternatives.variants.end())
                alternatives.variants.push_back(std::move(variant));
        }
        if (!everyVariantNeeds) continue;
        for (const Variant& variant : alternatives.variants)
            for (const OnSquares& need : variant.pieces) kinds |= need.kinds;
        lists.push_back(std::move(alternatives));
    }
}

bool IndexPlanner::mayMatch(const GameIndex& index, const GameRecord& game) const {
    for (const Need& need : needs) {
        bool found = (need.mainLine && (game.flags & need.flag) != 0) ||
                     (need.variations && (game.flags & (need.flag << kVariationShift)) != 0);
        if (!found) return false;
    }
    for (const Alternatives& list : lists) {
        bool any = false;
        for (const Variant& variant : list.variants)
            if ((any = satisfies(game, variant, list.mainLine, list.variations))) break;
        if (!any) return false;
    }
    // The conditions on year, result and opening alone, as the scan tests them.
    if (tagConditions && !query.matchYearResultEco(int(game.year), game.result, game.eco))
        return false;
    return !nameConditions || namesMatch(index, game);
}

uint16_t IndexPlanner::facts(const GameIndex& index, uint32_t id) const {
    if (textFacts.empty()) textFacts.resize(index.texts());
    uint16_t& f = textFacts[id];
    if (f != 0) return f;
    const char* text = index.text(id);
    f = uint16_t(1 | (NameMatcher::isUtf8(text) ? 2 : 0));
    const std::optional<NameMatcher>* matchers[5] = {&query.player, &query.white, &query.black,
                                                     &query.event, &query.site};
    for (int m = 0; m < 5; m++) {
        if (!*matchers[m]) continue;
        if ((*matchers[m])->matches(text, true)) f |= uint16_t(1u << (2 + m));
        if ((*matchers[m])->matches(text, false)) f |= uint16_t(1u << (7 + m));
    }
    return f;
}

bool IndexPlanner::namesMatch(const GameIndex& index, const GameRecord& game) const {
    const uint16_t white = facts(index, game.white), black = facts(index, game.black),
                   event = facts(index, game.event), site = facts(index, game.site);
    // A game is UTF-8 when all its texts are; otherwise it is Latin-1.
    const bool utf8 = (white & black & event & site & 2) != 0;
    auto holds = [&](uint16_t f, int m) { return (f >> (utf8 ? 2 + m : 7 + m) & 1) != 0; };
    if (query.player && !holds(white, 0) && !holds(black, 0)) return false;
    if (query.white && !holds(white, 1)) return false;
    if (query.black && !holds(black, 2)) return false;
    if (query.event && !holds(event, 3)) return false;
    if (query.site && !holds(site, 4)) return false;
    return true;
}

bool IndexPlanner::fewEnough(const GameRecord& game, const CountBound& bound) {
    // Along the main line a kind of piece only grows in number by promotion,
    // so without one into the bound's kinds no position of it has fewer than
    // the last (kings, not in the record, count as none).
    int least = 0;
    for (int kind = 0; kind < kKinds; kind++) {
        if ((bound.kinds >> kind & 1) == 0) continue;
        const int colour = kind / 6, type = kind % 6;  // king, queen ... pawn
        if (type == 0) continue;
        if (type < 5 && (game.promotions >> (colour * 4 + type - 1) & 1) != 0) return true;
        least += game.material[colour * 5 + type - 1];
    }
    return least <= bound.max;
}

bool IndexPlanner::satisfies(const GameRecord& game, const Variant& variant, bool mainLine,
                             bool variations) const {
    // The record's material is the main line's.
    if (!variations)
        for (const CountBound& bound : variant.counts)
            if (!fewEnough(game, bound)) return false;
    for (const OnSquares& need : variant.pieces) {
        bool found = false;
        for (uint16_t kinds = need.kinds; kinds != 0 && !found; kinds &= uint16_t(kinds - 1))
            found = (game.squares[std::countr_zero(kinds)] & need.squares) != 0;
        if (!found) return false;
    }
    if (variant.promotions != 0 && (game.promotions & variant.promotions) == 0) return false;
    if (variant.enPassant && !((mainLine && (game.flags & kEnPassant) != 0) ||
                               (variations && (game.flags & (kEnPassant << kVariationShift)) != 0)))
        return false;
    return true;
}
