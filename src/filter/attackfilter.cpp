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

// Adds to n the attacks from each square of `on` on `targets`, as
// `attacksFrom` gives them: false as soon as n passes `limit`, where counting
// stops.
template <typename AttacksFrom>
[[gnu::always_inline]] inline bool addEach(SquareSet on, SquareSet targets, int limit, int& n,
                                           AttacksFrom attacksFrom) {
    for (; on != 0; on &= on - 1) {
        // Most pieces attack no target: counting, a call on some machines,
        // is left for those that do.
        SquareSet hit = attacksFrom(squareT(std::countr_zero(on))) & targets;
        if (hit == 0) continue;
        n += std::popcount(hit);
        if (n > limit) return false;
    }
    return true;
}

// The same for the pieces `code` on `on`. The piece's kind is asked once,
// not at each square: a leaper's attacks are a table's.
[[gnu::always_inline]] inline bool addAttacks(pieceT code, SquareSet on, SquareSet targets,
                                              SquareSet occupied, int limit, int& n) {
    switch (piece_Type(code)) {
        case KNIGHT:
            return addEach(on, targets, limit, n, [](squareT sq) { return kAttack.knight[sq]; });
        case KING:
            return addEach(on, targets, limit, n, [](squareT sq) { return kAttack.king[sq]; });
        default:
            return addEach(on, targets, limit, n,
                           [code, occupied](squareT sq) { return attack_Set(code, sq, occupied); });
    }
}

// The attacks of the attacking designator's pieces, on a board seen through
// `setOf`, on the squares `targetsOf` gives, counted no further than `limit`.
// Most positions fail on a missing attacker or an empty target, so the
// targets are asked for once, at the first attacker that stands somewhere,
// and `anyAttacker` tells whether one did. The empty square attacks nothing.
template <typename SetOf, typename TargetsOf>
[[gnu::always_inline]] inline int countAttacks(const pieceLoc* attacking, SetOf setOf,
                                               TargetsOf targetsOf, SquareSet occupied, int limit,
                                               bool& anyAttacker) {
    anyAttacker = false;
    SquareSet targets = 0;
    int n = 0;
    for (unsigned mask = attacking->piecemask & ~(1u << EMPTY); mask != 0; mask &= mask - 1) {
        const pieceT p = pieceT(std::countr_zero(mask));
        const SquareSet on = setOf(p) & attacking->squaremask;
        if (on == 0) continue;
        if (!anyAttacker) {
            anyAttacker = true;
            targets = targetsOf();
            if (targets == 0) return 0;
        }
        if (!addAttacks(p, on, targets, occupied, limit, n)) break;
    }
    return n;
}

}  // namespace

int AttackFilter::count(const Position* pos, int limit) const {
    const SquareSet occupied = pos->GetOccupied();
    const auto targetsOf = [this, pos] { return attacked->matchingSquares(pos); };
    bool anyAttacker;
    const int n = countAttacks(
        attacking, [pos](pieceT p) { return pos->GetPieceSet(p); }, targetsOf, occupied, limit,
        anyAttacker);
    if (anyAttacker || attacking->tag == nullptr) return n;
    // A tagged attacker has no codes: it is the piece that stands where its
    // tag's piece does.
    const SquareSet on = attacking->matchingSquares(pos);
    if (on == 0) return 0;
    const SquareSet targets = targetsOf();
    if (targets == 0) return 0;
    int tagged = 0;
    addAttacks(pos->GetBoard()[std::countr_zero(on)], on, targets, occupied, limit, tagged);
    return tagged;
}

bool AttackFilter::onSets() const {
    return attacking->tag == nullptr && attacked->tag == nullptr;
}

bool AttackFilter::matchSets(const SquareSet* sets, unsigned* read) const {
    bool anyAttacker;
    const int n = countAttacks(
        attacking, [sets](pieceT p) { return sets[p]; },
        [this, sets] { return attacked->matchingSquares(sets); }, ~sets[EMPTY], max, anyAttacker);
    if (n >= min && n <= max) return true;
    if (read != nullptr)
        *read |= anyAttacker ? codesOnSets() : attacking->piecemask & ~(1u << EMPTY);
    return false;
}

unsigned AttackFilter::codesOnSets() const {
    constexpr unsigned sliders = 1u << WQ | 1u << WR | 1u << WB | 1u << BQ | 1u << BR | 1u << BB;
    const unsigned codes = attacking->piecemask | attacked->piecemask;
    return (attacking->piecemask & sliders) != 0 ? codes | 1u << EMPTY : codes;
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
