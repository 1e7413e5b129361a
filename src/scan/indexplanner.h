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

    // The piece kinds whose squares mayMatch reads.
    uint16_t squareKinds() const { return kinds; }

    // Whether the plan can skip any game at all.
    bool prunes() const { return tagConditions || !needs.empty() || !lists.empty(); }

  private:
    // One flag a game must have had, on the main line or in a variation.
    struct Need {
        uint16_t flag;
        bool mainLine;
        bool variations;
    };
    // A designator's demand: a piece of one of `kinds` on one of `squares`
    // (see GameRecord::squares).
    struct OnSquares {
        uint16_t kinds;
        uint64_t squares;
        bool operator==(const OnSquares&) const = default;
    };
    // At most `max` pieces of `kinds` on the whole board (:piececount).
    struct CountBound {
        uint16_t kinds;
        int max;
        bool operator==(const CountBound&) const = default;
    };
    // What one variant of a list demands of a single position and its move.
    struct Variant {
        std::vector<OnSquares> pieces;
        std::vector<CountBound> counts;
        uint8_t promotions = 0;  // one of these promotions (GameRecord bits), when not 0
        bool enPassant = false;
        bool operator==(const Variant&) const = default;
    };
    // A list matches only through one of its variants.
    struct Alternatives {
        std::vector<Variant> variants;
        bool mainLine;
        bool variations;
    };

    bool satisfies(const gameindex::GameRecord& game, const Variant& variant, bool mainLine,
                   bool variations) const;
    // Whether some position of the main line may have at most `bound.max`
    // pieces of its kinds.
    static bool fewEnough(const gameindex::GameRecord& game, const CountBound& bound);
    // The conditions on names, through what is known of each text.
    bool namesMatch(const gameindex::GameIndex& index, const gameindex::GameRecord& game) const;
    // What the name conditions say of text `id`: bit 0 known, bit 1 UTF-8,
    // then for each condition (player, white, black, event, site) whether it
    // holds read as UTF-8 (bits 2-6) and read as Latin-1 (bits 7-11).
    uint16_t facts(const gameindex::GameIndex& index, uint32_t id) const;

    const matchFilter& query;
    bool tagConditions = false;
    bool nameConditions = false;
    mutable std::vector<uint16_t> textFacts;
    std::vector<Need> needs;
    std::vector<Alternatives> lists;
    uint16_t kinds = 0;
};
