#include "scan/indexplanner.h"

#include "filter/positionfilterlist.h"
#include "scan/matchfilter.h"

using namespace gameindex;

IndexPlanner::IndexPlanner(const matchFilter& q) : query(q) {
    tagConditions = q.player || q.white || q.black || q.event || q.site || q.checkeco ||
                    q.checkyear || q.result != RESULT_None;
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
    }
}

bool IndexPlanner::mayMatch(const GameIndex& index, const GameRecord& game) const {
    for (const Need& need : needs) {
        bool found = (need.mainLine && (game.flags & need.flag) != 0) ||
                     (need.variations && (game.flags & (need.flag << kVariationShift)) != 0);
        if (!found) return false;
    }
    if (tagConditions && !query.matchGameTags({index.text(game.white), index.text(game.black),
                                               index.text(game.event), index.text(game.site),
                                               game.eco, int(game.year), game.result}))
        return false;
    return true;
}
