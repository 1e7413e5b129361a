#include "filter/piececomputefilter.h"

#include <bit>
#include <cstdio>

#include "query/util.h"

pieceComputeFilter::pieceComputeFilter(pieceLoc* loc, int min, int max)
    : pieceloc(loc), min(min), max(max) {
    ASSERT(loc != nullptr);
    type = "pieceComputeFilter";
}

pieceComputeFilter::~pieceComputeFilter() {
    delete pieceloc;
}

bool pieceComputeFilter::matchPieceCount(const Position* pos) const {
    return inRange(std::popcount(pieceloc->matchingSquares(pos)));
}

namespace {

// Value of each colour's pieces of the designator on its squares, one
// square-set intersection per piece code.
void powers(const pieceLoc* loc, const Position* pos, int* white, int* black) {
    *white = *black = 0;
    auto add = [&](pieceT p, int n) {
        int value = n * util::power(p);
        if (piece_Color(p) == WHITE) *white += value;
        if (piece_Color(p) == BLACK) *black += value;
    };
    // A tagged designator has no codes: its one piece is whatever stands on
    // the tagged square.
    if (loc->tag != nullptr) {
        SquareSet on = loc->matchingSquares(pos);
        if (on != 0) add(pos->GetBoard()[std::countr_zero(on)], 1);
        return;
    }
    for (unsigned codes = loc->piecemask; codes != 0; codes &= codes - 1) {
        pieceT p = pieceT(std::countr_zero(codes));
        add(p, std::popcount(pos->GetPieceSet(p) & loc->squaremask));
    }
}

}  // namespace

bool pieceComputeFilter::matchPower(const Position* pos) const {
    int white, black;
    powers(pieceloc, pos, &white, &black);
    return inRange(white + black);
}

bool pieceComputeFilter::matchPowerDifference(const Position* pos) const {
    int white, black;
    powers(pieceloc, pos, &white, &black);
    return inRange(white - black);
}

void pieceComputeFilter::makeFlip(char code) {
    pieceloc->makeFlip(code);
}

void pieceComputeFilter::shift(int dx, int dy) {
    pieceloc->shift(dx, dy);
}

pieceComputeFilter* pieceComputeFilter::clone() const {
    return new pieceComputeFilter(pieceloc->clone(), min, max);
}

void pieceComputeFilter::print() {
    printf("pieceComputeFilter: min: %d max: %d count: %d pieceloc:", min, max, count);
    pieceloc->print();
    printf("\n");
}
