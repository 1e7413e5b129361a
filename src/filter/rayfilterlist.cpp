#include "filter/rayfilterlist.h"

#include <cstdio>

#include "core/game.h"
#include "query/util.h"

void RayFilterList::addFilter(RayFilter* f) {
    ASSERT(f != nullptr);
    util::uassert(nfilters < nfiltersmax,
                  "too many ray conditions: at most 100 in one position list");
    filters[nfilters++] = f;
}

RayFilter* RayFilterList::getFilter(int i) const {
    ASSERT(i >= 0 && i < nfilters);
    return filters[i];
}

bool RayFilterList::matchCurrentPosition(const Game* game) const {
    return matchPosition(game->GetCurrentPos());
}

void RayFilterList::makeFlip(char code) {
    for (int i = 0; i < nfilters; i++) filters[i]->makeFlip(code);
}

void RayFilterList::shift(int dx, int dy) {
    for (int i = 0; i < nfilters; i++) filters[i]->shift(dx, dy);
}

RayFilterList::~RayFilterList() {
    for (int i = 0; i < nfilters; i++) delete filters[i];
}

RayFilterList* RayFilterList::clone() const {
    RayFilterList* copy = new RayFilterList();
    for (int i = 0; i < nfilters; i++) copy->addFilter(filters[i]->clone());
    return copy;
}

void RayFilterList::print() {
    printf("RayFilterList printing...\n");
    for (int i = 0; i < nfilters; i++) {
        printf("RayComputeFilter %d of %d: ", i, nfilters);
        filters[i]->print();
        printf("\n");
    }
}
