// The positions of the game being scanned, as a relation compares them: every
// position its walk tests, grouped by what a relation looks at (the placement
// of the pieces, the side to move, whether in a variation) into classes that
// are hashed, so that the positions equal to a board are found at once.
#pragma once

#include <cstdint>
#include <vector>

#include "core/common.h"

class Game;
class Position;
class pieceLoc;
struct moveT;

// Which pieces stand where: one square set per piece code.
struct Placement {
    static constexpr pieceT kCodes[12] = {WK, WQ, WR, WB, WN, WP, BK, BQ, BR, BB, BN, BP};

    // The entry of EMPTY stays empty; empty squares are those of no set.
    SquareSet sets[16] = {};

    static Placement of(const Position* pos);
    SquareSet occupied() const;
    uint64_t hash() const;
    bool operator==(const Placement&) const = default;
    // The same pieces with every set moved by `move`, a map of square sets.
    template <typename Move>
    Placement moved(Move move) const;
    // The squares on which the designator holds.
    SquareSet matching(const pieceLoc* loc) const;
};

// The squares whose pieces differ between two placements, an empty square
// counting as a piece of its own.
SquareSet differingSquares(const Placement& a, const Placement& b);

class GamePositions {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The positions that a relation cannot tell apart but by where they are.
    struct Class {
        Placement placement;
        SquareSet occupied;
        uint64_t hash;
        // The next class in the same slot of the hash table, or kNone.
        uint32_t next;
        // The next class with the same placement: they form a ring.
        uint32_t samePlacement;
        // The positions, linked through Entry::nextInClass.
        uint32_t first;
        uint32_t size;
        // How many of them carry no relation's mark yet.
        uint32_t unmarked;
        colorT toMove;
        bool inVariation;
    };

    // Gathers the positions that a walk from the first position tests, along
    // the main line and, with `variations`, inside every variation after its
    // first move; unless this walk over this game gathered them already. The
    // positions do not change while a game is walked, so they are gathered
    // once per walk. The game is left where it was.
    void update(Game* game, unsigned walk, bool variations);

    const Class& getClass(uint32_t c) const { return classes[c]; }
    uint32_t nclasses() const { return uint32_t(classes.size()); }
    // A class of the positions with this placement, or kNone;
    // Class::samePlacement leads to the others.
    uint32_t find(const Placement& placement, uint64_t hash) const;
    // False when no position has exactly these squares occupied; true when
    // some position has, and now and then when none has.
    bool mayHold(SquareSet occupied) const;
    // The position at the game's cursor node `cursor` (Game::myCursor), or kNone.
    uint32_t find(const moveT* cursor) const;
    uint32_t classOf(uint32_t position) const { return entries[position].cls; }

    // Gives every position of class `c` but `except` a relation's mark,
    // through the game. Positions marked earlier in this walk are passed
    // over: a mark once given stays among the marks at the head of the comment.
    void mark(Game* game, uint32_t c, uint32_t except);

  private:
    struct Entry {
        moveT* cursor;
        uint32_t cls;
        uint32_t nextInClass;
        bool marked;
    };
    // One line of play being replayed: where it stands and what stands where.
    struct Line {
        moveT* cursor;
        // The next variation to enter at the cursor, or null.
        moveT* variation;
        Placement placement;
        colorT toMove;
    };

    void gather(Game* game, bool variations);
    void record(const Line& line, bool inVariation);
    uint32_t classFor(const Placement& placement, uint64_t hash, colorT toMove, bool inVariation);

    std::vector<Entry> entries;
    std::vector<Class> classes;
    std::vector<uint32_t> heads;
    std::vector<uint32_t> cursorSlots;
    // A bit per hash of the occupied squares of each class.
    std::vector<uint64_t> occupancies;
    std::vector<Line> lines;
    std::vector<const moveT*> pending;
    const Game* game = nullptr;
    unsigned walk = 0;
    bool gathered = false;
    bool withVariations = false;
};

template <typename Move>
Placement Placement::moved(Move move) const {
    Placement p;
    for (pieceT code : kCodes)
        if (sets[code] != 0) p.sets[code] = move(sets[code]);
    return p;
}
