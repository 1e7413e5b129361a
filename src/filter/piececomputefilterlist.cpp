#include "filter/piececomputefilterlist.h"

#include <cstdio>

#include "query/util.h"

pieceComputeFilterList::~pieceComputeFilterList() {
    for (pieceComputeFilter* f : filters) delete f;
}

void pieceComputeFilterList::addFilter(pieceComputeFilter* f, const char* keyword) {
    ASSERT(f != nullptr && keyword != nullptr);
    if (nfilters == nfiltersmax) {
        char message[120];
        snprintf(message, sizeof message, "Too many %.40s filters in one position list: at most %d",
                 keyword, nfiltersmax);
        util::uassert(false, message);
    }
    filters.push_back(f);
    nfilters++;
}

pieceComputeFilter* pieceComputeFilterList::getFilter(int i) const {
    ASSERT(i >= 0 && i < nfilters);
    return filters[i];
}

bool pieceComputeFilterList::matchPieceCount(const Position* pos) const {
    for (const pieceComputeFilter* f : filters)
        if (!f->matchPieceCount(pos)) return false;
    return true;
}

bool pieceComputeFilterList::matchPower(const Position* pos) const {
    for (const pieceComputeFilter* f : filters)
        if (!f->matchPower(pos)) return false;
    return true;
}

bool pieceComputeFilterList::matchPowerDifference(const Position* pos) const {
    for (const pieceComputeFilter* f : filters)
        if (!f->matchPowerDifference(pos)) return false;
    return true;
}

void pieceComputeFilterList::makeFlip(char code) {
    for (pieceComputeFilter* f : filters) f->makeFlip(code);
}

void pieceComputeFilterList::negateBounds() {
    for (pieceComputeFilter* f : filters) {
        int min = f->min;
        f->min = -f->max;
        f->max = -min;
    }
}

void pieceComputeFilterList::shift(int dx, int dy) {
    for (pieceComputeFilter* f : filters) f->shift(dx, dy);
}

pieceComputeFilterList* pieceComputeFilterList::clone() const {
    pieceComputeFilterList* copy = new pieceComputeFilterList();
    copy->sourceStrlist = sourceStrlist;
    for (const pieceComputeFilter* f : filters) {
        copy->filters.push_back(f->clone());
        copy->nfilters++;
    }
    return copy;
}

void pieceComputeFilterList::print() {
    printf("pieceComputeFilterList printing...\n");
    for (int i = 0; i < nfilters; i++) {
        printf("pieceComputeFilter %d of %d: ", i, nfilters);
        filters[i]->print();
        printf("\n");
    }
}
