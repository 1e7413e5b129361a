#include "filter/positionfilter.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "core/game.h"
#include "core/position.h"
#include "filter/attackfilter.h"
#include "filter/movefilter.h"
#include "filter/pairpositionfilter.h"
#include "filter/piececomputefilterlist.h"
#include "filter/pieceloc.h"
#include "filter/positionfilterlist.h"
#include "filter/rayfilterlist.h"
#include "filter/scanstate.h"
#include "filter/sequencefilter.h"
#include "filter/tagfilter.h"
#include "query/util.h"

namespace {

pieceComputeFilterList* cloneList(const pieceComputeFilterList* list) {
    return list == nullptr ? nullptr : list->clone();
}

}  // namespace

positionFilter::~positionFilter() {
    for (pieceLoc* loc : pieces) delete loc;
    for (positionFilterList* l : andlistFilters) delete l;
    for (positionFilterList* l : orlistFilters) delete l;
    for (positionFilter* f : andFilters) delete f;
    for (positionFilter* f : orFilters) delete f;
    delete materialPowerFilterList;
    delete pieceCountFilterList;
    delete powerDifferenceFilterList;
    delete rayFilterList;
    for (AttackFilter* f : attackFilters) delete f;
    for (TagFilter* f : tagFilters) delete f;
    delete moveFilter;
    delete sequenceFilter;
    delete pairFilter;
}

positionFilterList* positionFilter::expand() {
    // First, so that every copy below carries the expanded sequence.
    if (sequenceFilter) sequenceFilter->expand();
    if ((fliphorizontal || flipvertical) && flipdiagonal) flipdihedral = true;
    if (flipdihedral) fliphorizontal = flipvertical = flipdiagonal = true;
    if (diagonalshift) maindiagonalshift = offdiagonalshift = true;

    ASSERT(andlistFilters.empty() && orlistFilters.empty());
    for (positionFilter* f : andFilters) andlistFilters.push_back(f->expand());
    for (positionFilter* f : orFilters) orlistFilters.push_back(f->expand());

    auto list = std::make_unique<positionFilterList>();
    list->addFilter(this);
    // This filter stays with whoever read it.
    list->borrowed = this;
    // Copies that cannot differ from this filter would only test the same
    // again: the colour swap alone can make one that differs.
    bool boardMoves = !sameUnderBoardMoves();
    auto addShifted = [&](int dx, int dy) {
        if (!boardMoves) return;
        positionFilter* copy = clone();
        if (copy->makeshift(dx, dy))
            list->addFilter(copy);
        else
            delete copy;
    };
    if (shift)
        for (int dx = -7; dx <= 7; dx++)
            for (int dy = -7; dy <= 7; dy++)
                if (dx != 0 || dy != 0) addShifted(dx, dy);
    if (horizontalshift)
        for (int d = -7; d <= 7; d++)
            if (d != 0) addShifted(d, 0);
    if (verticalshift)
        for (int d = -7; d <= 7; d++)
            if (d != 0) addShifted(0, d);
    if (maindiagonalshift)
        for (int d = -7; d <= 7; d++) addShifted(d, d);
    if (offdiagonalshift)
        for (int d = -7; d <= 7; d++) addShifted(d, -d);

    // Each flip doubles the list: the members so far, then their images.
    const std::pair<bool, char> flips[] = {
        {fliphorizontal, 'H'}, {flipvertical, 'V'}, {flipdiagonal, 'D'}, {flipcolor, 'C'}};
    for (auto [wanted, code] : flips) {
        if (!wanted || (code != 'C' && !boardMoves)) continue;
        int n = list->nfilters();
        for (int i = 0; i < n; i++) {
            positionFilter* copy = list->getPositionFilter(i)->clone();
            copy->makeFlip(code);
            list->addFilter(copy);
        }
    }
    list->index();
    return list.release();
}

positionFilter* positionFilter::clone() const {
    positionFilter* copy = new positionFilter(*this);
    copy->nmatches = 0;
    copy->boardOnly = false;
    copy->linesAndMoveOnly = false;
    for (pieceLoc*& loc : copy->pieces) loc = loc->clone();
    for (positionFilter*& f : copy->andFilters) f = f->clone();
    for (positionFilter*& f : copy->orFilters) f = f->clone();
    for (positionFilterList*& l : copy->andlistFilters) l = l->clone();
    for (positionFilterList*& l : copy->orlistFilters) l = l->clone();
    copy->materialPowerFilterList = cloneList(materialPowerFilterList);
    copy->pieceCountFilterList = cloneList(pieceCountFilterList);
    copy->powerDifferenceFilterList = cloneList(powerDifferenceFilterList);
    if (rayFilterList) copy->rayFilterList = rayFilterList->clone();
    for (AttackFilter*& f : copy->attackFilters) f = f->clone();
    for (TagFilter*& f : copy->tagFilters) f = f->clone();
    if (moveFilter) copy->moveFilter = moveFilter->clone();
    if (sequenceFilter) copy->sequenceFilter = sequenceFilter->clone();
    if (pairFilter) copy->pairFilter = pairFilter->clone();
    return copy;
}

void positionFilter::makeFlip(char code) {
    ASSERT(code == 'H' || code == 'V' || code == 'D' || code == 'C');
    for (pieceLoc* loc : pieces) loc->makeFlip(code);
    if (materialPowerFilterList) materialPowerFilterList->makeFlip(code);
    if (powerDifferenceFilterList) {
        powerDifferenceFilterList->makeFlip(code);
        // The difference is white's material minus black's.
        if (code == 'C') powerDifferenceFilterList->negateBounds();
    }
    if (pieceCountFilterList) pieceCountFilterList->makeFlip(code);
    if (rayFilterList) rayFilterList->makeFlip(code);
    if (code == 'C') {
        sideToMove = util::myFlipColor(sideToMove);
        if (result == RESULT_White)
            result = RESULT_Black;
        else if (result == RESULT_Black)
            result = RESULT_White;
        std::swap(checkwhiteelo, checkblackelo);
        std::swap(whiteelomin, blackelomin);
        std::swap(whiteelomax, blackelomax);
    }
    if (moveFilter) moveFilter->makeFlip(code);
    for (AttackFilter* f : attackFilters) f->makeFlip(code);
    for (TagFilter* f : tagFilters) f->makeFlip(code);
    if (sequenceFilter) sequenceFilter->makeFlip(code);
    if (pairFilter) pairFilter->makeFlip(code);
    for (positionFilter* f : andFilters) f->makeFlip(code);
    for (positionFilterList* l : andlistFilters) l->makeFlip(code);
    for (positionFilter* f : orFilters) f->makeFlip(code);
    for (positionFilterList* l : orlistFilters) l->makeFlip(code);
}

bool positionFilter::makeshift(int fileoffset, int rankoffset) {
    for (const pieceLoc* loc : pieces)
        if (!loc->shiftok(fileoffset, rankoffset)) return false;
    for (pieceLoc* loc : pieces) loc->shift(fileoffset, rankoffset);
    if (pieceCountFilterList) pieceCountFilterList->shift(fileoffset, rankoffset);
    if (materialPowerFilterList) materialPowerFilterList->shift(fileoffset, rankoffset);
    if (powerDifferenceFilterList) powerDifferenceFilterList->shift(fileoffset, rankoffset);
    if (rayFilterList) rayFilterList->shift(fileoffset, rankoffset);
    if (moveFilter && !moveFilter->makeshift(fileoffset, rankoffset)) return false;
    for (AttackFilter* f : attackFilters)
        if (!f->makeshift(fileoffset, rankoffset)) return false;
    if (sequenceFilter && !sequenceFilter->makeshift(fileoffset, rankoffset)) return false;
    for (TagFilter* f : tagFilters)
        if (!f->makeshift(fileoffset, rankoffset)) return false;
    if (pairFilter) pairFilter->makeshift(fileoffset, rankoffset);
    for (positionFilter* f : andFilters)
        if (!f->makeshift(fileoffset, rankoffset)) return false;
    for (positionFilterList* l : andlistFilters)
        if (!l->makeshift(fileoffset, rankoffset)) return false;
    for (positionFilter* f : orFilters)
        if (!f->makeshift(fileoffset, rankoffset)) return false;
    for (positionFilterList* l : orlistFilters)
        if (!l->makeshift(fileoffset, rankoffset)) return false;
    return true;
}

bool positionFilter::sameUnderBoardMoves() const {
    // Conservative: any part that may name a square, or a count per variant,
    // keeps every copy.
    if (checknpretransformmatches || checksum || accumulate) return false;
    for (const pieceLoc* loc : pieces)
        if (!loc->boardWide()) return false;
    return andFilters.empty() && orFilters.empty() && andlistFilters.empty() &&
           orlistFilters.empty() && materialPowerFilterList == nullptr &&
           pieceCountFilterList == nullptr && powerDifferenceFilterList == nullptr &&
           rayFilterList == nullptr && attackFilters.empty() && tagFilters.empty() &&
           moveFilter == nullptr && sequenceFilter == nullptr &&
           (pairFilter == nullptr || pairFilter->boardWide());
}

bool positionFilter::matchElo(const Game* game) const {
    int white = game->GetWhiteElo();
    int black = game->GetBlackElo();
    if (checkwhiteelo && (white < whiteelomin || white > whiteelomax)) return false;
    if (checkblackelo && (black < blackelomin || black > blackelomax)) return false;
    // One player at least elomin and one at most elomax, not necessarily the same.
    if (checkelo && ((white < elomin && black < elomin) || (white > elomax && black > elomax)))
        return false;
    return true;
}

bool positionFilter::matchPieceComputations(const Position* pos) const {
    return (pieceCountFilterList == nullptr || pieceCountFilterList->matchPieceCount(pos)) &&
           (materialPowerFilterList == nullptr || materialPowerFilterList->matchPower(pos)) &&
           (powerDifferenceFilterList == nullptr ||
            powerDifferenceFilterList->matchPowerDifference(pos));
}

void positionFilter::prepare() {
    linesAndMoveOnly = !checkelo && !checkwhiteelo && !checkblackelo && !checkresult &&
                       materialPowerFilterList == nullptr && pieceCountFilterList == nullptr &&
                       powerDifferenceFilterList == nullptr && andlistFilters.empty() &&
                       orlistFilters.empty() && !accumulate && sequenceFilter == nullptr &&
                       tagFilters.empty();
    boardOnly = linesAndMoveOnly && rayFilterList == nullptr && attackFilters.empty() &&
                moveFilter == nullptr && pairFilter == nullptr;
}

bool positionFilter::matchTags(const Position* pos) const {
    for (const TagFilter* f : tagFilters)
        if (!f->match(pos)) return false;
    return true;
}

// Lines and attacks on the board, then the move played from it.
bool positionFilter::matchLinesAndMove(Game* game, MarkBoard* marks) const {
    const Position* pos = game->GetCurrentPos();
    if (rayFilterList && !rayFilterList->matchPosition(pos)) return false;
    for (const AttackFilter* f : attackFilters)
        if (!f->matchPosition(pos)) return false;
    return moveFilter == nullptr ||
           moveFilter->matchCurrentPosition(game, searchVariations || searchVariationsOnly, marks);
}

bool positionFilter::matchCurrentPosition(Game* game, ScanState& state) {
    // The tests up to the nested lists have no side effects: the cheapest and
    // most selective, on the board itself, come first.
    const Position* pos = game->GetCurrentPos();
    if (!matchBoard(pos)) return false;
    if (boardOnly) {
        nmatches++;
        return true;
    }
    if (linesAndMoveOnly) {
        if (!matchLinesAndMove(game, state.marks())) return false;
        if (pairFilter && !pairFilter->matchCurrentPosition(game, state)) return false;
        nmatches++;
        return true;
    }
    if (!matchElo(game)) return false;
    if (checkresult && result != RESULT_None && game->GetResult() != result) return false;
    if (!matchTags(pos)) return false;
    if (!matchPieceComputations(pos)) return false;

    // Filters that sum or accumulate test every nested list, so that each
    // matching variant in them is counted.
    bool testAll = checksum || accumulate;
    bool andFailed = false;
    for (positionFilterList* l : andlistFilters) {
        if (l->matchCurrentPosition(game, state)) continue;
        if (!testAll) return false;
        andFailed = true;
    }
    if (!orlistFilters.empty()) {
        bool any = false;
        for (positionFilterList* l : orlistFilters) {
            if (!l->matchCurrentPosition(game, state)) continue;
            any = true;
            if (!testAll) break;
        }
        if (!any) return false;
    }
    if (andFailed) return false;
    if (!matchLinesAndMove(game, state.marks())) return false;

    // These move through the game, so they come after every test on this
    // position; the relation, which walks the whole game, last.
    if (sequenceFilter && !sequenceFilter->matchCurrentPosition(
                              game, state, searchVariations || searchVariationsOnly, true, 0))
        return false;
    if (pairFilter && !pairFilter->matchCurrentPosition(game, state)) return false;

    nmatches++;
    if (accumulate)
        for (int n = 0; n < naccumulators_max; n++)
            if (accumulates[n]) state.accumulators.incAccumulator(n, 1);
    return true;
}

void positionFilter::print() {
    printf("printing position filter...\n");
    if (name) printf("Name: %s ", name);
    for (size_t i = 0; i < pieces.size(); i++) {
        printf("%d of %d: ", int(i), int(pieces.size()));
        pieces[i]->print();
        printf("\n");
    }
    if (sideToMove != NOCOLOR) printf("%cTM ", sideToMove == WHITE ? 'W' : 'B');
    const std::pair<bool, const char*> words[] = {
        {flipcolor, "flipcolor "},
        {shift, "shift "},
        {notposition, "notposition "},
        {donotannotate, "donotannotate "},
        {horizontalshift, "horizontalshift "},
        {verticalshift, "verticalshift "},
        {diagonalshift, "diagonalshift "},
        {maindiagonalshift, "maindiagonalshift "},
        {offdiagonalshift, "offdiagonalshift "},
        {check, "check "},
        {notincheck, "notincheck"},
        {mate, "mate "},
        {stalemate, "stalemate "},
        {markAll, "markAll "},
        {initial, "initial "},
        {terminal, "terminal "},
        {varinitial, "varinitial "},
        {varterminal, "varterminal "},
    };
    for (auto [set, word] : words)
        if (set) printf("%s", word);
    if (checknmatches) printf("nmatchesmin: %d nmatchesmax: %d ", nmatchesmin, nmatchesmax);
    if (checknpretransformmatches)
        printf("npretransformmatchesmin: %d npretransformmatchesmax: %d nmatches: %d ",
               npretransformmatchesmin, npretransformmatchesmax, nmatches);
    if (checkresult) printf("Result: %s\n", RESULT_STR[result]);
    if (checkwhiteelo) printf("whiteelomin: %d whiteelomax: %d ", whiteelomin, whiteelomax);
    if (checkblackelo) printf("blackelomin: %d blackelomax: %d ", blackelomin, blackelomax);
    if (checkelo) printf("elomin: %d elomax: %d ", elomin, elomax);
    if (checksum) printf(" checksum ");
    if (accumulate) printf(" accumulate ");
    if (checksum || accumulate)
        for (int n = 0; n < naccumulators_max; n++)
            if (accumulator_checks[n] || accumulates[n])
                printf("Accumulator check [%d]: %d, accumulates: %d, min: %d, max: %d\n", n,
                       accumulator_checks[n], accumulates[n], accumulator_mins[n],
                       accumulator_maxes[n]);
    if (pairFilter) {
        printf("pairFilter is: ");
        pairFilter->print();
    }
    if (moveFilter) {
        printf("moveFilter is: ");
        moveFilter->print();
    }
    if (sequenceFilter) {
        printf("\nSequenceFilter is: ");
        sequenceFilter->print();
    }
    if (checkmovenumber) printf("movemin: %d movemax: %d ", movemin, movemax);
    const std::pair<pieceComputeFilterList*, const char*> lists[] = {
        {materialPowerFilterList, "\nmaterial power filter list: \n"},
        {powerDifferenceFilterList, "\npower difference filter list: \n"},
        {pieceCountFilterList, "\npiece count filter list: \n"},
    };
    for (auto [list, heading] : lists) {
        if (list == nullptr) continue;
        printf("%s", heading);
        list->print();
    }
    if (rayFilterList) {
        printf("\nray filter list: \n");
        rayFilterList->print();
    }
    for (size_t i = 0; i < attackFilters.size(); i++) {
        printf("AttackFilter %d of %d: ", int(i), int(attackFilters.size()));
        attackFilters[i]->print();
        printf("\n");
    }
    for (size_t i = 0; i < tagFilters.size(); i++) {
        printf("TagFilter %d of %d: ", int(i), int(tagFilters.size()));
        tagFilters[i]->print();
        printf("\n");
    }
    const char* label = name ? name : "";
    for (size_t i = 0; i < andFilters.size(); i++) {
        printf("andfilter: %d of %d in positionFilter: %s", int(i), int(andFilters.size()), label);
        andFilters[i]->print();
        printf("\n");
    }
    for (size_t i = 0; i < andlistFilters.size(); i++) {
        printf("andlistfilter: %d of %d: in positionFilter: %s", int(i), int(andlistFilters.size()),
               label);
        andlistFilters[i]->print();
        printf("\n");
    }
    for (size_t i = 0; i < orFilters.size(); i++) {
        printf("orfilter: %d of %d: ", int(i), int(orFilters.size()));
        orFilters[i]->print();
        printf("\n");
    }
    for (size_t i = 0; i < orlistFilters.size(); i++) {
        printf("orlistfilter: %d of %d: ", int(i), int(orlistFilters.size()));
        orlistFilters[i]->print();
        printf("\n");
    }
    if (name) printf("Ending positionFilter print of: %s\n", name);
}
