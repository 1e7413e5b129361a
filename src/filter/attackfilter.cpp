#include "filter/attackfilter.h"

#include <bit>
#include <cstdio>

#include "core/attacks.h"
#include "core/game.h"
#include "core/position.h"
#include "filter/pieceloc.h"

AttackFilter::AttackFilter(pieceLoc* attackingLoc, pieceLoc* attackedLoc, int minCount,
                           int maxCount)
    : attacking(attackingLoc), attacked(attackedLoc), min(minCount), max(maxCount) {
    type = "AttackFilter";
}

int AttackFilter::count(const Position* pos, int limit) const {
    // Most positions fail on an empty target or a missing attacker, found
    // before any attack set is computed.
    SquareSet targets = attacked->matchingSquares(pos);
    if (targets == 0) return 0;
    SquareSet occupied = pos->GetOccupied();
    int n = 0;
    // The empty square attacks nothing, so only piece codes are looked at.
    unsigned codes = attacking->piecemask & ~(1u << EMPTY);
    for (; codes != 0; codes &= codes - 1) {
        pieceT p = pieceT(std::countr_zero(codes));
        for (SquareSet from = pos->GetPieceSet(p) & attacking->squaremask; from; from &= from - 1) {
            squareT sq = squareT(std::countr_zero(from));
            n += std::popcount(attack_Set(p, sq, occupied) & targets);
            if (n > limit) return n;
        }
    }
    return n;
}

bool AttackFilter::matchCurrentPosition(const Game* game) const {
    int n = count(game->GetCurrentPos(), max);
    return n >= min && n <= max;
}

void AttackFilter::makeFlip(char code) {
    attacking->makeFlip(code);
    attacked->makeFlip(code);
}

bool AttackFilter::makeshift(int dx, int dy) {
    if (!attacking->shiftok(dx, dy) || !attacked->shiftok(dx, dy)) return false;
    attacking->shift(dx, dy);
    attacked->shift(dx, dy);
    return true;
}

AttackFilter* AttackFilter::clone() const {
    return new AttackFilter(attacking->clone(), attacked->clone(), min, max);
}

void AttackFilter::print() {
    printf("AttackFilter: ");
    printf("Attacking: ");
    attacking->print();
    printf(" Attacked: ");
    attacked->print();
    printf(" Min: %d Max: %d ", min, max);
}
