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

namespace {

// The attacking designator's squares per piece code, on a board seen through
// `setOf`: only codes that stand somewhere, and never the empty square, which
// attacks nothing. Returns how many codes there are.
template <typename SetOf>
int attackersOn(const pieceLoc* attacking, SetOf setOf, pieceT* codes, SquareSet* from) {
    int ncodes = 0;
    for (unsigned mask = attacking->piecemask & ~(1u << EMPTY); mask != 0; mask &= mask - 1) {
        pieceT p = pieceT(std::countr_zero(mask));
        SquareSet on = setOf(p) & attacking->squaremask;
        if (on == 0) continue;
        codes[ncodes] = p;
        from[ncodes++] = on;
    }
    return ncodes;
}

// Adds to n the attacks of the pieces `code` on `on` on `targets`: false as
// soon as n passes `limit`, where counting stops.
[[gnu::always_inline]] inline bool addAttacks(pieceT code, SquareSet on, SquareSet targets,
                                              SquareSet occupied, int limit, int& n) {
    for (; on != 0; on &= on - 1) {
        // Most pieces attack no target: counting, a call on some machines,
        // is left for those that do.
        SquareSet hit = attack_Set(code, squareT(std::countr_zero(on)), occupied) & targets;
        if (hit == 0) continue;
        n += std::popcount(hit);
        if (n > limit) return false;
    }
    return true;
}

// The attacks of the pieces codes[i] on from[i] on `targets`, counted no
// further than `limit`.
int countAttacks(const pieceT* codes, const SquareSet* from, int ncodes, SquareSet targets,
                 SquareSet occupied, int limit) {
    int n = 0;
    for (int i = 0; i < ncodes; i++) {
        if (!addAttacks(codes[i], from[i], targets, occupied, limit, n)) break;
    }
    return n;
}

}  // namespace

int AttackFilter::count(const Position* pos, int limit) const {
    // Most positions fail on a missing attacker or an empty target, found
    // before any attack set is computed.
    pieceT codes[16];
    SquareSet from[16];
    int ncodes = attackersOn(
        attacking, [pos](pieceT p) { return pos->GetPieceSet(p); }, codes, from);
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
    return countAttacks(codes, from, ncodes, targets, pos->GetOccupied(), limit);
}

bool AttackFilter::onSets() const {
    return attacking->tag == nullptr && attacked->tag == nullptr;
}

bool AttackFilter::matchSets(const SquareSet* sets) const {
    // As count does, but counting each attacker as it is found: the targets
    // are found once, at the first attacker that stands somewhere.
    const SquareSet occupied = ~sets[EMPTY];
    SquareSet targets = 0;
    bool targetsFound = false;
    int n = 0;
    for (unsigned mask = attacking->piecemask & ~(1u << EMPTY); mask != 0; mask &= mask - 1) {
        const pieceT p = pieceT(std::countr_zero(mask));
        const SquareSet on = sets[p] & attacking->squaremask;
        if (on == 0) continue;
        if (!targetsFound) {
            targets = attacked->matchingSquares(sets);
            if (targets == 0) break;
            targetsFound = true;
        }
        if (!addAttacks(p, on, targets, occupied, max, n)) return false;
    }
    return n >= min && n <= max;
}

unsigned AttackFilter::codesOnSets() const {
    unsigned codes = attacking->piecemask | attacked->piecemask;
    for (unsigned mask = attacking->piecemask; mask != 0; mask &= mask - 1) {
        const pieceT type = piece_Type(pieceT(std::countr_zero(mask)));
        if (type == QUEEN || type == ROOK || type == BISHOP) codes |= 1u << EMPTY;
    }
    return codes;
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
