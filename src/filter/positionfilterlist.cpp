#include "filter/positionfilterlist.h"

#include <cstdio>

#include "core/game.h"
#include "core/position.h"
#include "filter/markboard.h"
#include "filter/matchmark.h"
#include "filter/positionfilter.h"
#include "filter/scanstate.h"
#include "filter/variantindex.h"
#include "query/util.h"

namespace {

// Lists with fewer members than this test them all: selecting costs more
// than it saves.
constexpr int kIndexFrom = 8;

}  // namespace

positionFilterList::positionFilterList() {
    type = "positionFilterList";
}

positionFilterList::~positionFilterList() {
    for (positionFilter* f : filters)
        if (f != borrowed) delete f;
}

void positionFilterList::addFilter(positionFilter* p) {
    ASSERT(p != nullptr && nfilters() < nfiltersmax);
    initial = p->initial;
    varinitial = p->varinitial;
    terminal = p->terminal;
    varterminal = p->varterminal;
    check = p->check;
    notincheck = p->notincheck;
    donotannotate = p->donotannotate;
    notposition = p->notposition;
    if (filters.empty()) {
        name = p->name;
        movemin = p->movemin;
        movemax = p->movemax;
        checkmovenumber = p->checkmovenumber;
        checksum = p->checksum;
        for (int n = 0; n < naccumulators_max; n++) {
            accumulator_checks[n] = p->accumulator_checks[n];
            accumulator_mins[n] = p->accumulator_mins[n];
            accumulator_maxes[n] = p->accumulator_maxes[n];
        }
        searchVariations = p->searchVariations;
        searchVariationsOnly = p->searchVariationsOnly;
        mate = p->mate;
        stalemate = p->stalemate;
        markAll = p->markAll;
        nmatchesmin = p->nmatchesmin;
        nmatchesmax = p->nmatchesmax;
        checknmatches = p->checknmatches;
        npretransformmatchesmin = p->npretransformmatchesmin;
        npretransformmatchesmax = p->npretransformmatchesmax;
        checknpretransformmatches = p->checknpretransformmatches;
    }
    positionConditions = initial || terminal || varinitial || varterminal || checkmovenumber ||
                         check || notincheck || mate || stalemate;
    filters.push_back(p);
    variantIndex.reset();
}

positionFilter* positionFilterList::getPositionFilter(int i) const {
    ASSERT(i >= 0 && i < nfilters());
    return filters[i];
}

void positionFilterList::index() {
    for (positionFilter* f : filters) f->prepare();
    variantIndex.reset(nfilters() >= kIndexFrom ? new VariantIndex(filters) : nullptr);
}

bool positionFilterList::match(Game* game, ScanState& state) {
    state.walk++;
    nmatches = 0;
    for (positionFilter* f : filters) f->nmatches = 0;
    return state.marks() ? walk<true>(game, state) : walk<false>(game, state);
}

// Compiled twice, so that a walk without tags does not even test for them.
template <bool tagged>
bool positionFilterList::walk(Game* game, ScanState& state) {
    bool searchVars = searchVariations || searchVariationsOnly;
    MarkBoard* marks = tagged ? state.marks() : nullptr;

    // The walk goes forward along a line; a variation is walked from the
    // move it replaces and left again afterwards. Lines are kept on a stack
    // rather than in recursion, so no game is too long to walk.
    walkStack.clear();
    walkStack.push_back({true, false, false, 0});
    bool found = false;
    for (;;) {
        WalkFrame& line = walkStack.back();
        if (!line.testedHere) {
            line.testedHere = true;
            line.nextVariation = 0;
            state.accumulators.clearAccumulators();
            if (line.allowcurrent && (game->GetVarLevel() > 0 || !searchVariationsOnly) &&
                matchCurrentPosition(game, state)) {
                line.matched = true;
                if (!markAll) {
                    found = true;
                    break;
                }
            }
        }
        if (searchVars && line.nextVariation < game->GetNumVariations()) {
            gamewalk::intoVariation(game, marks, line.nextVariation++);
            // The variation's first position is this one, already tested.
            walkStack.push_back({false, false, false, 0});
            continue;
        }
        if (!game->AtVarEnd()) {
            gamewalk::forward(game, marks);
            line.allowcurrent = true;
            line.testedHere = false;
            continue;
        }
        // The end of a line: hand its result to the line it branched from.
        bool matched = line.matched;
        walkStack.pop_back();
        if (walkStack.empty()) {
            found = matched;
            break;
        }
        gamewalk::exitVariation(game, marks);
        if (matched) {
            walkStack.back().matched = true;
            if (!markAll) {
                found = true;
                break;
            }
        }
    }
    // A match without :markall ends the walk at once, wherever it is.
    for (size_t depth = walkStack.size(); depth > 1; depth--) gamewalk::exitVariation(game, marks);
    return found;
}

bool positionFilterList::matchCurrentPosition(Game* game, ScanState& state) {
    bool matched;
    if (notposition) {
        // The members still count and accumulate what they match inside.
        matched = !testPosition(game, state);
    } else {
        matched = testPosition(game, state);
    }
    if (!matched) return false;
    nmatches++;
    if (!donotannotate) markMatch(game);
    return true;
}

bool positionFilterList::testPosition(Game* game, ScanState& state) {
    if (positionConditions && !testConditions(game)) return false;
    // The members' board conditions, which have no effect, rule out most
    // positions before any member is tested in full.
    const Position* pos = game->GetCurrentPos();
    const std::vector<uint16_t>* selected = nullptr;
    if (variantIndex) {
        selected = &variantIndex->candidates(pos);
        if (selected->empty()) return false;
    } else if (!anyMemberOnBoard(pos)) {
        return false;
    }
    if (!testMembers(game, state, selected)) return false;
    return !checksum || checkSums(state);
}

bool positionFilterList::anyMemberOnBoard(const Position* pos) const {
    for (const positionFilter* member : filters)
        if (member->matchBoard(pos)) return true;
    return false;
}

bool positionFilterList::testConditions(Game* game) {
    if (initial && game->GetCurrentPly() != 0) return false;
    if (terminal && !game->AtVarEnd()) return false;
    if (varinitial && !game->AtVarStart() && game->GetNumVariations() == 0) return false;
    // The last position of a variation: the end of a line that is not the main line.
    if (varterminal && (!game->AtVarEnd() || game->GetVarLevel() == 0)) return false;
    if (checkmovenumber) {
        int move = int(game->GetCurrentPly()) / 2 + 1;
        if (move < movemin || move > movemax) return false;
    }
    Position* pos = game->GetCurrentPos();
    if ((check || notincheck) && pos->myIsKingInCheck() != check) return false;
    if (!mate && !stalemate) return true;
    // A move the game goes on with is a legal move, which neither a mate nor
    // a stalemate leaves: only where a line ends or a pass follows are they
    // tested.
    const moveT* next = game->GetCurrentMove();
    if (next != nullptr && !isNullMove(next->moveData)) return false;
    if (mate && !pos->myIsKingInMate()) return false;
    return !stalemate || pos->myIsKingInStalemate();
}

bool positionFilterList::testMembers(Game* game, ScanState& state,
                                     const std::vector<uint16_t>* selected) {
    bool matched = false;
    auto test = [&](positionFilter* member) {
        if (!member->matchCurrentPosition(game, state)) return false;
        matched = true;
        // Every matching variant must reach the accumulators.
        return !checksum && !member->accumulate;
    };
    if (selected) {
        for (uint16_t i : *selected)
            if (test(filters[i])) break;
    } else {
        for (positionFilter* member : filters)
            if (test(member)) break;
    }
    return matched;
}

bool positionFilterList::checkSums(const ScanState& state) const {
    for (int n = 0; n < naccumulators_max; n++) {
        if (!accumulator_checks[n]) continue;
        int value = state.accumulators.getAccumulatorValue(n);
        if (value < accumulator_mins[n] || value > accumulator_maxes[n]) return false;
    }
    return true;
}

void positionFilterList::markMatch(Game* game) {
    // The move's own comment is kept after the mark: the written game must
    // not lose the annotator's words.
    addMatchMark(game, game->myCursor(), kListMark);
}

bool positionFilterList::checkPretransformMatchCount() const {
    if (!checknpretransformmatches) return true;
    for (const positionFilter* f : filters)
        if (f->nmatches >= npretransformmatchesmin && f->nmatches <= npretransformmatchesmax)
            return true;
    return false;
}

positionFilterList* positionFilterList::clone() const {
    positionFilterList* copy = new positionFilterList();
    for (const positionFilter* f : filters) copy->addFilter(f->clone());
    copy->nmatches = nmatches;
    copy->index();
    return copy;
}

void positionFilterList::makeFlip(char code) {
    for (positionFilter* f : filters) f->makeFlip(code);
    index();
}

bool positionFilterList::makeshift(int filei, int ranki) {
    std::vector<positionFilter*> kept;
    for (positionFilter* f : filters) {
        if (f->makeshift(filei, ranki))
            kept.push_back(f);
        else if (f != borrowed)
            delete f;
    }
    filters = std::move(kept);
    index();
    return !filters.empty();
}

void positionFilterList::print() {
    printf("\npositionFilterList print: ");
    if (name) printf(" Name: %s ", name);
    if (initial) printf("initial ");
    if (varinitial) printf("varinitial ");
    if (terminal) printf("terminal ");
    if (varterminal) printf("varterminal ");
    if (checkmovenumber) printf("movemin: %d movemax: %d ", movemin, movemax);
    if (donotannotate) printf("donotannotate ");
    if (searchVariations) printf("searchVariations ");
    if (searchVariationsOnly) printf("searchVariationsOnly ");
    if (check) printf(" check ");
    if (notincheck) printf(" notincheck ");
    if (markAll) printf("markall ");
    if (notposition) printf("notposition  ");
    if (checksum) {
        printf(" checksum ");
        for (int n = 0; n < naccumulators_max; n++)
            if (accumulator_checks[n])
                printf("\nAccumulator check [%d]: %d, min: %d, max: %d\n", n, accumulator_checks[n],
                       accumulator_mins[n], accumulator_maxes[n]);
    }
    printf("\nThe position filters of this positionFilterList are: \n");
    for (int i = 0; i < nfilters(); i++) {
        printf("Printing filter %d of %d\n", i, nfilters());
        filters[i]->print();
        printf("\n");
    }
    if (name) printf(" End of print of positionFilterList: Name: %s ", name);
}
