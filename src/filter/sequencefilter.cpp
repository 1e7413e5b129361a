#include "filter/sequencefilter.h"

#include <cstdio>

#include "core/game.h"
#include "filter/markboard.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"

namespace {

// Whether testing the filter does more than answer: reading or changing
// accumulators makes its result depend on the tests made before it at the
// same position, and a relation marks the positions it finds. A search that
// skips tests would then not give the same answers, or not the same marks.
bool testsHaveEffects(const positionFilter* f) {
    if (f->accumulate || f->checksum || f->pairFilter != nullptr) return true;
    for (const positionFilter* g : f->andFilters)
        if (testsHaveEffects(g)) return true;
    for (const positionFilter* g : f->orFilters)
        if (testsHaveEffects(g)) return true;
    if (f->sequenceFilter != nullptr)
        for (const positionFilter* g : f->sequenceFilter->positionFilters)
            if (testsHaveEffects(g)) return true;
    return false;
}

}  // namespace

SequenceFilter::~SequenceFilter() {
    for (positionFilterList* l : positionListFilters) delete l;
    for (positionFilter* f : positionFilters) delete f;
}

void SequenceFilter::addPositionFilter(positionFilter* p) {
    ASSERT(p != nullptr && int(positionFilters.size()) < npositionsmax);
    positionFilters.push_back(p);
}

void SequenceFilter::expand() {
    ASSERT(positionListFilters.empty());
    for (positionFilter* f : positionFilters) positionListFilters.push_back(f->expand());
    useMemo = allowgaps;
    for (const positionFilter* f : positionFilters)
        if (testsHaveEffects(f)) useMemo = false;
}

SequenceFilter* SequenceFilter::clone() const {
    SequenceFilter* copy = new SequenceFilter();
    for (const positionFilter* f : positionFilters) copy->positionFilters.push_back(f->clone());
    for (const positionFilterList* l : positionListFilters)
        copy->positionListFilters.push_back(l->clone());
    copy->allowgaps = allowgaps;
    copy->useMemo = useMemo;
    copy->sourceStrlist = sourceStrlist;
    return copy;
}

void SequenceFilter::makeFlip(char code) {
    for (positionFilter* f : positionFilters) f->makeFlip(code);
    for (positionFilterList* l : positionListFilters) l->makeFlip(code);
}

bool SequenceFilter::makeshift(int filei, int ranki) {
    for (positionFilter* f : positionFilters)
        if (!f->makeshift(filei, ranki)) return false;
    // Each list keeps the variants that accept; its first one is a copy of
    // the element, which has just accepted, so no list is left empty.
    for (positionFilterList* l : positionListFilters) l->makeshift(filei, ranki);
    return true;
}

int SequenceFilter::elementAfter(Game* game, ScanState& state, int element) {
    if (positionListFilters[element]->matchCurrentPosition(game, state)) return element + 1;
    return allowgaps ? element : -1;
}

SequenceMemo::Known SequenceFilter::known(const Game* game, int element) const {
    if (element < 0) return SequenceMemo::Known::NotFound;
    if (element >= int(positionListFilters.size())) return SequenceMemo::Known::Found;
    // The end of a line has no moves and no variations: nothing is found
    // after it, and it has no move to be known by.
    const moveT* at = game->GetCurrentMove();
    if (at == nullptr)
        return game->GetNumVariations() == 0 ? SequenceMemo::Known::NotFound
                                             : SequenceMemo::Known::Unknown;
    return useMemo ? memo.lookup(at, element) : SequenceMemo::Known::Unknown;
}

void SequenceFilter::settle(const Frame& frame, bool found) {
    if (useMemo && frame.at != nullptr) memo.record(frame.at, frame.element, found);
}

void SequenceFilter::stepBack(Game* game, MarkBoard* marks, Step step) {
    if (step == Step::Forward)
        gamewalk::backup(game, marks);
    else if (step == Step::IntoVariation)
        gamewalk::exitVariation(game, marks);
}

bool SequenceFilter::matchCurrentPosition(Game* game, ScanState& state, bool searchvariations,
                                          bool searchthis, int start) {
    if (start >= int(positionListFilters.size())) return true;
    if (useMemo) memo.startWalk(state.walk, searchvariations);
    MarkBoard* marks = state.marks();

    // Each frame is a point of the game from which the rest of the sequence
    // is looked for at the positions one move further: after the first move
    // of each variation that branches there, in order, then after the next
    // move of the line. Kept on a stack rather than in recursion, since a
    // gapped search can run to the end of the longest line.
    int element = searchthis ? elementAfter(game, state, start) : start;
    SequenceMemo::Known here = known(game, element);
    if (here != SequenceMemo::Known::Unknown) return here == SequenceMemo::Known::Found;
    frames.clear();
    frames.push_back({game->GetCurrentMove(), element, 0, false, Step::Stay});
    for (;;) {
        Frame& point = frames.back();
        Step step = Step::Stay;
        if (searchvariations && point.nextVariation < game->GetNumVariations()) {
            // A variation starts from this same position: its first move is
            // looked at like the next move of the line.
            gamewalk::intoVariation(game, marks, point.nextVariation++);
            step = Step::IntoVariation;
            element = point.element;
        } else if (!point.forwardTried && !game->AtVarEnd()) {
            point.forwardTried = true;
            gamewalk::forward(game, marks);
            step = Step::Forward;
            element = elementAfter(game, state, point.element);
        }

        bool found = false;
        if (step != Step::Stay) {
            SequenceMemo::Known next = known(game, element);
            if (next == SequenceMemo::Known::Unknown) {
                frames.push_back({game->GetCurrentMove(), element, 0, false, step});
                continue;
            }
            stepBack(game, marks, step);
            if (next == SequenceMemo::Known::NotFound) continue;
            found = true;
        }

        // The top point is settled. Found settles every point below it too;
        // not found lets the point below go on with its next move.
        for (;;) {
            const Frame& top = frames.back();
            settle(top, found);
            stepBack(game, marks, top.arrival);
            frames.pop_back();
            if (frames.empty()) return found;
            if (!found) break;
        }
    }
}

void SequenceFilter::print() {
    printf("SequenceFilter: ");
    if (allowgaps) printf("allowgaps: ");
    printf("Constituent PositionFilters: \n");
    int n = int(positionFilters.size());
    for (int i = 0; i < n; i++) {
        printf("positionFilter %d of %d: ", i, n);
        positionFilters[i]->print();
        printf("\n");
    }
    printf("Constituent positionListFilters: \n");
    int nlists = int(positionListFilters.size());
    for (int i = 0; i < nlists; i++) {
        printf("positionFilter %d of %d: ", i, nlists);
        positionListFilters[i]->print();
        printf("\n");
    }
    printf("End sequence filter print\n");
}
