#include "filter/rayfilter.h"

#include <bit>
#include <cstdio>

#include "core/attacks.h"
#include "core/game.h"
#include "core/position.h"
#include "filter/pieceloc.h"
#include "query/util.h"

namespace {

bool admitsEmpty(const pieceLoc* loc) {
    return (loc->piecemask >> EMPTY & 1) != 0;
}

}  // namespace

void RayFilter::addPieceLoc(pieceLoc* loc) {
    ASSERT(loc != nullptr && npiecelocs < npiecelocsmax);
    piecelocs[npiecelocs++] = loc;
}

void RayFilter::addDirection(directionT dir) {
    ASSERT(dir < NUM_DIRECTIONS && ndirections < ndirectionsmax);
    directions[ndirections++] = dir;
}

pieceLoc* RayFilter::getPieceLoc(int i) const {
    ASSERT(i >= 0 && i < npiecelocs);
    return piecelocs[i];
}

directionT RayFilter::getDirection(int i) const {
    ASSERT(i >= 0 && i < ndirections);
    return directions[i];
}

// Walking the line square by square is done with whole sets: the squares up
// to the first occupied one are empty, so the next designator is found either
// on the nearest of them that it admits or on that occupied square itself.
bool RayFilter::matchStarting(const Position* pos, squareT start, directionT dir) const {
    if (npiecelocs == 0) return true;
    const pieceT* board = pos->GetBoard();
    if (!piecelocs[0]->matchSquare(board, start)) return false;
    SquareSet occupied = pos->GetOccupied();
    squareT at = start;
    for (int k = 1; k < npiecelocs; k++) {
        const pieceLoc* next = piecelocs[k];
        SquareSet ray = kAttack.ray[dir][at];
        SquareSet blockers = ray & occupied;
        squareT blocker = blockers ? attack_Nearest(blockers, dir) : squareT(NULL_SQUARE);
        if (admitsEmpty(next)) {
            SquareSet open = blocker == NULL_SQUARE ? ray : kAttack.between[at][blocker];
            SquareSet found = open & next->squaremask;
            if (found != 0) {
                at = attack_Nearest(found, dir);
                continue;
            }
        }
        if (blocker == NULL_SQUARE || !next->matchSquare(board, blocker)) return false;
        at = blocker;
    }
    return true;
}

bool RayFilter::matchPosition(const Position* pos) const {
    if (npiecelocs == 0) return true;
    // Every designator must hold somewhere before any line is worth walking.
    const bool noLineFound = checkcount && min == 0;
    for (int k = 1; k < npiecelocs; k++)
        if (piecelocs[k]->matchingSquares(pos) == 0) return noLineFound;
    SquareSet starts = piecelocs[0]->matchingSquares(pos);
    if (starts == 0) return noLineFound;
    SquareSet orthogonalMovers = 0, diagonalMovers = 0;
    if (isAttack) {
        for (colorT c : {WHITE, BLACK}) {
            SquareSet queens = pos->GetPieceSet(piece_Make(c, QUEEN));
            orthogonalMovers |= queens | pos->GetPieceSet(piece_Make(c, ROOK));
            diagonalMovers |= queens | pos->GetPieceSet(piece_Make(c, BISHOP));
        }
    }
    int count = 0;
    for (int i = 0; i < ndirections; i++) {
        directionT dir = directions[i];
        SquareSet from = starts;
        if (isAttack)
            from &= util::directionOrthogonal(dir) ? orthogonalMovers
                    : util::directionDiagonal(dir) ? diagonalMovers
                                                   : 0;
        for (; from != 0; from &= from - 1) {
            if (!matchStarting(pos, squareT(std::countr_zero(from)), dir)) continue;
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
