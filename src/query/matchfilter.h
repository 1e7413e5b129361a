// The game-level query, built from the top (match ...) form: input and
// output files, conditions on year, game number, result and player, and the
// position lists that every selected game must satisfy.
#pragma once

#include <cstdio>

#include "core/common.h"
#include "query/mfilter.h"

class positionFilter;
class positionFilterList;

class matchFilter : public mfilter {
  public:
    static constexpr int positionfiltersmax = 100;

    positionFilter* positionFilters[positionfiltersmax] = {};
    positionFilterList* positionListFilters[positionfiltersmax] = {};
    int npositionfilters = 0;
    const char* player = nullptr;
    resultT result = RESULT_None;
    int npositionlistfilters = 0;
    const char* pgnfile = nullptr;
    const char* outputfile = nullptr;
    int nmatches = 0;
    // The game number range is in force only when gamenumbermin > 0.
    int gamenumbermin = 0;
    int gamenumbermax = 100000000;
    int yearmin = 0;
    int yearmax = 0;
    bool checkyear = false;
    FILE* outputstream = nullptr;

    matchFilter() { type = "matchFilter"; }

    // Reads the elements after the word match, left to right.
    static matchFilter* fromStrlist(strlist* rest);

    void addPositionFilter(positionFilter* filter);
    positionFilter* getPositionFilter(int i);

    // The scan over the games of the PGN file.
    void match();
    using mfilter::match;

    void print() override;
};
