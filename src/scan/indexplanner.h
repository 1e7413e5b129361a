// The query planner of an indexed scan: from the match form it derives what
// a game must have had for the query to select it at all, and tells from a
// game's index record whether the game may be skipped. It only ever skips a
// game that cannot match; whatever it cannot judge, it leaves to the replay.
#pragma once

#include <cstdint>
#include <vector>

#include "scan/gameindex.h"

class matchFilter;

class IndexPlanner {
  public:
    // `query` must be expanded.
    explicit IndexPlanner(const matchFilter& query);

    // Whether the game may match the query and must be read.
    bool mayMatch(const gameindex::GameIndex& index, const gameindex::GameRecord& game) const;

    // Whether the plan can skip any game at all.
    bool prunes() const { return tagConditions || !needs.empty(); }

  private:
    // One flag a game must have had, on the main line or in a variation.
    struct Need {
        uint16_t flag;
        bool mainLine;
        bool variations;
    };

    const matchFilter& query;
    bool tagConditions = false;
    std::vector<Need> needs;
};
