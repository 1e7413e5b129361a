// The ray conditions of one position list, all of which must hold.
#pragma once

#include "filter/rayfilter.h"
#include "query/mfilter.h"

class Game;
class Position;

class RayFilterList : public mfilter {
  public:
    static constexpr int nfiltersmax = 100;

    int nfilters = 0;
    RayFilter* filters[nfiltersmax] = {};

    RayFilterList() { type = "RayFilterList"; }
    RayFilterList(const RayFilterList&) = delete;
    RayFilterList& operator=(const RayFilterList&) = delete;
    ~RayFilterList() override;

    // Takes ownership; the 101st ray condition is refused.
    void addFilter(RayFilter* f);
    RayFilter* getFilter(int i) const;

    // True when every ray condition holds; an empty list holds.
    bool matchCurrentPosition(const Game* game) const;
    bool matchPosition(const Position* pos) const {
        for (int i = 0; i < nfilters; i++)
            if (!filters[i]->matchPosition(pos)) return false;
        return true;
    }

    void makeFlip(char code);
    void shift(int dx, int dy);
    RayFilterList* clone() const;
    void print() override;
};
