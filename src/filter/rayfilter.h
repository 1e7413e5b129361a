// One ray condition (:ray, :rayattack and the line-restricted forms): designators
// that stand in order along one line with only empty squares between them,
// looked for in a list of directions; optionally the number of such lines
// found is compared with a range.
#pragma once

#include "core/common.h"

class Game;
class Position;
class pieceLoc;

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
    // The walk of matchStarting on the squares where each designator holds,
    // from a start where the first one does.
    static bool walk(const SquareSet* holds, int n, SquareSet occupied, squareT start,
                     directionT dir);
};
