// :attackcount: the number of (attacking piece, attacked square) pairs between
// two designators, compared with a range. Counted on square sets: each
// attacking piece's attack set against the attacked designator's squares.
#pragma once

#include "core/common.h"
#include "query/mfilter.h"

class Game;
class Position;
class pieceLoc;

class AttackFilter : public mfilter {
  public:
    pieceLoc* attacking = nullptr;
    pieceLoc* attacked = nullptr;
    int min = 1;
    int max = 1;

    // Takes ownership of both designators.
    AttackFilter(pieceLoc* attackingLoc, pieceLoc* attackedLoc, int minCount, int maxCount);
    AttackFilter(const AttackFilter&) = delete;
    AttackFilter& operator=(const AttackFilter&) = delete;
    ~AttackFilter() override;

    bool matchCurrentPosition(const Game* game) const;
    bool matchPosition(const Position* pos) const {
        int n = count(pos, max);
        return n >= min && n <= max;
    }
    // The number of attacks, counted no further than `limit`.
    int count(const Position* pos, int limit) const;
    // Whether matchSets can stand for matchPosition: neither designator
    // follows a tagged piece.
    bool onSets() const;
    // matchPosition on square sets indexed by piece code, EMPTY's being the
    // empty squares. When it fails, it adds to `read`, if given, the piece
    // codes (a bit each) whose squares decided it: codesOnSets(), or only
    // the attackers' when none stands on the attacking squares, since
    // nothing else counts until one does.
    bool matchSets(const SquareSet* sets, unsigned* read = nullptr) const;
    // The piece codes (a bit each) whose squares matchSets reads: both
    // designators', and the empty squares' when a slider attacks, since its
    // attacks end at the first piece in their way.
    unsigned codesOnSets() const;

    void makeFlip(char code);
    bool makeshift(int dx, int dy);
    AttackFilter* clone() const;
    void print() override;
};
