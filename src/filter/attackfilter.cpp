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
    // Most positions fail on a missing attacker or an empty target, found
    // before any attack set is computed. The empty square attacks nothing,
    // so only piece codes are looked at.
    pieceT codes[16];
    SquareSet from[16];
    int ncodes = 0;
    for (unsigned mask = attacking->piecemask & ~(1u << EMPTY); mask != 0; mask &= mask - 1) {
        pieceT p = pieceT(std::countr_zero(mask));
        SquareSet on = pos->GetPieceSet(p) & attacking->squaremask;
        if (on == 0) continue;
        codes[ncodes] = p;
        from[ncodes++] = on;
    }
    // A tagged attacker has no codes: it is the piece that stands where its
    // tag's piece does.
    if (ncodes == 0 && attacking->tag != nullptr) {
        SquareSet on = attacking->matchingSquares(pos);
        if (on == 0) return 0;
        codes[0] = pos->GetBoard()[std::countr_zero(on)];
        from[ncodes++] = on;
    }
    if (ncodes == 0) return 0;
    SquareSet targets = attacked->matchingSquares(pos);
    if (targets == 0) return 0;
    SquareSet occupied = pos->GetOccupied();
    int n = 0;
    for (int i = 0; i < ncodes; i++) {
        for (SquareSet on = from[i]; on != 0; on &= on - 1) {
            n += std::popcount(attack_Set(codes[i], squareT(std::countr_zero(on)), occupied) &
                               targets);
            if (n > limit) return n;
        }
    }
    return n;
}

bool AttackFilter::matchCurrentPosition(const Game* game) const {
    return matchPosition(game->GetCurrentPos());
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

AttackFilter::~AttackFilter() {
    delete attacking;
    delete attacked;
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
