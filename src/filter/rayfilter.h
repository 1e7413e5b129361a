// One ray condition (:ray, :rayattack and the line-restricted forms): designators
// that stand in order along one line with only empty squares between them,
// looked for in a list of directions; optionally the number of such lines
// found is compared with a range.
#pragma once

#include <bit>

#include "core/common.h"
#include "filter/pieceloc.h"

class Game;
class Position;

class RayFilter {
  public:
    static constexpr int ndirectionsmax = 100;
    static constexpr int npiecelocsmax = 100;

    int ndirections = 0;
    directionT directions[ndirectionsmax] = {};
    pieceLoc* piecelocs[npiecelocsmax] = {};
    int npiecelocs = 0;
    bool isAttack = false;
    int min = 0;
    int max = 0;
    bool checkcount = false;

    RayFilter() = default;
    RayFilter& operator=(const RayFilter&) = delete;
    ~RayFilter();

    // Takes ownership.
    void addPieceLoc(pieceLoc* loc);
    void addDirection(directionT dir);
    pieceLoc* getPieceLoc(int i) const;
    directionT getDirection(int i) const;

    bool matchCurrentPosition(const Game* game) const;
    bool matchPosition(const Position* pos) const;
    // Whether matchSets can stand for matchPosition: no designator follows a
    // tagged piece.
    bool onSets() const;
    // matchPosition on square sets indexed by piece code, EMPTY's being the
    // empty squares, where onSets() holds. It tells whether a refusal came
    // from the designators' squares alone: one of them off every line from
    // the first one's squares, which stays so while no piece of their codes
    // moves.
    bool matchSets(const SquareSet* sets, bool& offLines) const;
    // The piece codes (a bit each) of the designators.
    unsigned codes() const;
    // Whether the designators stand in order from `start` in direction dir.
    bool matchStarting(const Position* pos, squareT start, directionT dir) const;
    void makeFlip(char code);
    // Never refuses: squares shifted off the board drop out of the designators.
    void shift(int dx, int dy);
    RayFilter* clone() const;
    void print() const;

  private:
    // For clone(), which then copies the designators.
    RayFilter(const RayFilter&) = default;
    // The union of the rays from each square in the filter's directions:
    // every designator after the first must hold on it.
    SquareSet lines[64] = {};

    void computeLines();
    bool matchAllSets(const SquareSet* sets) const;
    // The test on a board seen through the squares of a piece code and the
    // squares where a designator holds.
    template <typename SetOf, typename HoldsOf>
    bool matchOn(SetOf setOf, HoldsOf holdsOf) const;
    // The walk of matchStarting on the squares where each designator holds,
    // from a start where the first one does.
    static bool walk(const SquareSet* holds, int n, SquareSet occupied, squareT start,
                     directionT dir);
};

// Inline: the look-ahead of a position list asks it of every position. Most
// boards fail on a designator off the lines from the first one's squares,
// found here before the whole test is called.
inline bool RayFilter::matchSets(const SquareSet* sets, bool& offLines) const {
    offLines = false;
    if (npiecelocs > 1) {
        SquareSet reach = 0;
        for (SquareSet from = piecelocs[0]->matchingSquares(sets); from != 0; from &= from - 1)
            reach |= lines[std::countr_zero(from)];
        for (int k = 1; k < npiecelocs; k++) {
            if ((piecelocs[k]->matchingSquares(sets) & reach) == 0) {
                offLines = true;
                return checkcount && min == 0;
            }
        }
    }
    return matchAllSets(sets);
}
