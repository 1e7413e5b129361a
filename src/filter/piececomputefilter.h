// One `:piececount`, `:power` or `:powerdifference` condition: a designator
// and an inclusive range for the count or material it finds on the board.
// The list that holds the filter decides which of the three it is.
#pragma once

#include "core/position.h"
#include "filter/pieceloc.h"
#include "query/mfilter.h"

class pieceComputeFilter : public mfilter {
  public:
    pieceLoc* pieceloc;
    int min, max;
    // Never changed; shown by print.
    int count = 0;

    pieceComputeFilter(pieceLoc* loc, int min, int max);
    pieceComputeFilter(const pieceComputeFilter&) = delete;
    pieceComputeFilter& operator=(const pieceComputeFilter&) = delete;
    ~pieceComputeFilter() override;

    // Squares on which the designator holds.
    bool matchPieceCount(const Position* pos) const;
    // Summed piece values on those squares.
    bool matchPower(const Position* pos) const;
    // White's value minus Black's on those squares.
    bool matchPowerDifference(const Position* pos) const;

    void makeFlip(char code);
    // Never refused: squares that leave the board drop out.
    void shift(int dx, int dy);
    pieceComputeFilter* clone() const;
    void print() override;

  private:
    bool inRange(int value) const { return value >= min && value <= max; }
};
