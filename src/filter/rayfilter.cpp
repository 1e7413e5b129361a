#include "filter/rayfilter.h"

#include <bit>
#include <cstdio>

#include "core/attacks.h"
#include "core/game.h"
#include "core/position.h"
#include "filter/pieceloc.h"
#include "query/util.h"

RayFilter::~RayFilter() {
    for (int i = 0; i < npiecelocs; i++) delete piecelocs[i];
}

void RayFilter::addPieceLoc(pieceLoc* loc) {
    ASSERT(loc != nullptr && npiecelocs < npiecelocsmax);
    piecelocs[npiecelocs++] = loc;
}

void RayFilter::addDirection(directionT dir) {
    ASSERT(dir < NUM_DIRECTIONS && ndirections < ndirectionsmax);
    directions[ndirections++] = dir;
    computeLines();
}

void RayFilter::computeLines() {
    for (int sq = 0; sq < 64; sq++) {
        lines[sq] = 0;
        for (int i = 0; i < ndirections; i++) lines[sq] |= kAttack.ray[directions[i]][sq];
    }
}

pieceLoc* RayFilter::getPieceLoc(int i) const {
    ASSERT(i >= 0 && i < npiecelocs);
    return piecelocs[i];
}

directionT RayFilter::getDirection(int i) const {
    ASSERT(i >= 0 && i < ndirections);
    return directions[i];
}

// Walking a line square by square is done with whole sets: the squares a
// slider on `at` would reach are the empty ones up to the first occupied
// square and that square itself, so the next designator is found on the
// nearest of them where it holds, or nowhere.
bool RayFilter::walk(const SquareSet* holds, int n, SquareSet occupied, squareT start,
                     directionT dir) {
    squareT at = start;
    for (int k = 1; k < n; k++) {
        SquareSet found = attack_Ray(at, dir, occupied) & holds[k];
        if (found == 0) return false;
        at = attack_Nearest(found, dir);
    }
    return true;
}

bool RayFilter::matchStarting(const Position* pos, squareT start, directionT dir) const {
    if (npiecelocs == 0) return true;
    SquareSet holds[npiecelocsmax];
    for (int k = 0; k < npiecelocs; k++) holds[k] = piecelocs[k]->matchingSquares(pos);
    if ((holds[0] & square_Bit(start)) == 0) return false;
    return walk(holds, npiecelocs, pos->GetOccupied(), start, dir);
}

bool RayFilter::matchPosition(const Position* pos) const {
    return matchOn([pos](pieceT p) { return pos->GetPieceSet(p); },
                   [pos](const pieceLoc* loc) { return loc->matchingSquares(pos); });
}

bool RayFilter::onSets() const {
    for (int k = 0; k < npiecelocs; k++)
        if (piecelocs[k]->tag != nullptr) return false;
    return true;
}

unsigned RayFilter::codes() const {
    unsigned all = 0;
    for (int k = 0; k < npiecelocs; k++) all |= piecelocs[k]->piecemask;
    return all;
}

bool RayFilter::matchAllSets(const SquareSet* sets) const {
    return matchOn([sets](pieceT p) { return sets[p]; },
                   [sets](const pieceLoc* loc) { return loc->matchingSquares(sets); });
}

template <typename SetOf, typename HoldsOf>
bool RayFilter::matchOn(SetOf setOf, HoldsOf holdsOf) const {
    if (npiecelocs == 0) return true;
    // Every designator after the first must hold somewhere on the lines from
    // the squares of the first before any line is worth walking.
    SquareSet holds[npiecelocsmax];
    holds[0] = holdsOf(piecelocs[0]);
    SquareSet reach = 0;
    for (SquareSet from = holds[0]; from != 0; from &= from - 1)
        reach |= lines[std::countr_zero(from)];
    for (int k = 1; k < npiecelocs; k++) {
        holds[k] = holdsOf(piecelocs[k]);
        if ((holds[k] & reach) == 0) return checkcount && min == 0;
    }
    SquareSet starts = holds[0];
    SquareSet orthogonalMovers = 0, diagonalMovers = 0;
    if (isAttack) {
        for (colorT c : {WHITE, BLACK}) {
            SquareSet queens = setOf(piece_Make(c, QUEEN));
            orthogonalMovers |= queens | setOf(piece_Make(c, ROOK));
            diagonalMovers |= queens | setOf(piece_Make(c, BISHOP));
        }
        starts &= orthogonalMovers | diagonalMovers;
    }
    // The designators after the first all hold somewhere on `line`.
    auto allOn = [&](SquareSet line) {
        for (int k = 1; k < npiecelocs; k++)
            if ((line & holds[k]) == 0) return false;
        return true;
    };
    SquareSet occupied = ~setOf(EMPTY);
    int count = 0;
    for (; starts != 0; starts &= starts - 1) {
        squareT start = squareT(std::countr_zero(starts));
        if (!allOn(lines[start])) continue;
        for (int i = 0; i < ndirections; i++) {
            directionT dir = directions[i];
            SquareSet movers = util::directionOrthogonal(dir) ? orthogonalMovers : diagonalMovers;
            if (isAttack && (movers & square_Bit(start)) == 0) continue;
            if (!allOn(kAttack.ray[dir][start]) || !walk(holds, npiecelocs, occupied, start, dir))
                continue;
            if (!checkcount) return true;
            if (++count > max) return false;
        }
    }
    return checkcount && count >= min;
}

bool RayFilter::matchCurrentPosition(const Game* game) const {
    return matchPosition(game->GetCurrentPos());
}

void RayFilter::makeFlip(char code) {
    for (int i = 0; i < npiecelocs; i++) piecelocs[i]->makeFlip(code);
    for (int i = 0; i < ndirections; i++)
        directions[i] = util::makeDirectionFlip(directions[i], code);
    computeLines();
}

void RayFilter::shift(int dx, int dy) {
    for (int i = 0; i < npiecelocs; i++) piecelocs[i]->shift(dx, dy);
}

RayFilter* RayFilter::clone() const {
    RayFilter* copy = new RayFilter(*this);
    for (int i = 0; i < npiecelocs; i++) copy->piecelocs[i] = piecelocs[i]->clone();
    return copy;
}

void RayFilter::print() const {
    printf("Ray: ");
    printf("Directions: ");
    if (isAttack) printf(" isattack: ");
    if (checkcount) printf("min: %d max: %d ", min, max);
    for (int i = 0; i < ndirections; i++) printf("%d ", directions[i]);
    printf("pieces: ");
    for (int i = 0; i < npiecelocs; i++) piecelocs[i]->print();
}
