// The filters of one of `:piececount`, `:power` and `:powerdifference` in a
// position list; the list holds when every filter does.
#pragma once

#include <vector>

#include "core/position.h"
#include "filter/piececomputefilter.h"
#include "query/mfilter.h"

class pieceComputeFilterList : public mfilter {
  public:
    static constexpr int nfiltersmax = 100;
    int nfilters = 0;

    pieceComputeFilterList() { type = "pieceComputeFilterList"; }
    pieceComputeFilterList(const pieceComputeFilterList&) = delete;
    pieceComputeFilterList& operator=(const pieceComputeFilterList&) = delete;
    ~pieceComputeFilterList() override;

    // Takes ownership; the 101st filter ends the run with a message naming
    // the keyword (":piececount" and the like).
    void addFilter(pieceComputeFilter* f, const char* keyword);
    pieceComputeFilter* getFilter(int i) const;

    bool matchPieceCount(const Position* pos) const;
    bool matchPower(const Position* pos) const;
    bool matchPowerDifference(const Position* pos) const;

    // Flips every designator. The colour flip leaves the bounds alone: a
    // power difference changes sign under it, and its owner negates the
    // bounds with negateBounds.
    void makeFlip(char code);
    // [min, max] becomes [-max, -min] for every filter.
    void negateBounds();
    void shift(int dx, int dy);
    pieceComputeFilterList* clone() const;
    void print() override;

  private:
    std::vector<pieceComputeFilter*> filters;
};
