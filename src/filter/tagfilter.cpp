#include "filter/tagfilter.h"

#include <cstdio>

#include "core/position.h"
#include "filter/pieceloc.h"
#include "filter/tag.h"

TagFilter::TagFilter(Tag* t, pieceLoc* designator) : tag(t), pieceloc(designator) {
    ASSERT(tag != nullptr && pieceloc != nullptr);
}

TagFilter::~TagFilter() {
    delete pieceloc;
}

bool TagFilter::match(const Position* pos) const {
    int sq = tag->square();
    return sq >= 0 && pieceloc->matchSquare(pos->GetBoard(), sq);
}

void TagFilter::makeFlip(char code) {
    pieceloc->makeFlip(code);
}

bool TagFilter::makeshift(int dx, int dy) {
    return pieceloc->makeshift(dx, dy);
}

TagFilter* TagFilter::clone() const {
    return new TagFilter(tag, pieceloc->clone());
}

void TagFilter::print() const {
    printf("TagFilter: tag: ");
    tag->print();
    printf(" pieceloc: ");
    pieceloc->print();
    printf("\n");
}
