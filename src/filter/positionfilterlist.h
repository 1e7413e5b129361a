// A position list expanded into its variants (the parsed filter and its
// transformed copies), any one of which must match, with the conditions that
// belong to the list as a whole; it walks a game and marks what matches.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/common.h"
#include "core/moveobserver.h"
#include "query/mfilter.h"

class AttackFilter;
class Game;
struct moveT;
class Position;
class RayFilter;
class ScanState;
class positionFilter;
class VariantIndex;

class positionFilterList : public mfilter {
  public:
    static constexpr int nfiltersmax = 10000;
    static constexpr int naccumulators_max = 10;

    bool markAll = false;
    bool searchVariations = false;
    bool donotannotate = false;
    bool searchVariationsOnly = false;
    bool mate = false;
    bool notposition = false;
    bool stalemate = false;
    int movemin = -1;
    int movemax = -1;
    int nmatches = -1;
    int npretransformmatchesmin = 0;
    int npretransformmatchesmax = 0;
    bool checknpretransformmatches = false;
    bool accumulator_checks[naccumulators_max] = {};
    int accumulator_mins[naccumulators_max] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int accumulator_maxes[naccumulators_max] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    bool checksum = false;
    const char* name = nullptr;
    int nmatchesmin = 0;
    int nmatchesmax = 0;
    bool checknmatches = false;
    bool checkmovenumber = false;
    bool varinitial = false;
    bool varterminal = false;
    bool initial = false;
    bool terminal = false;
    bool check = false;
    bool notincheck = false;

    // The member the list was expanded from, which its reader keeps and
    // frees; the list owns every other member. Copies own all theirs.
    const positionFilter* borrowed = nullptr;

    positionFilterList();
    positionFilterList(const positionFilterList&) = delete;
    positionFilterList& operator=(const positionFilterList&) = delete;
    ~positionFilterList() override;

    int nfilters() const { return int(filters.size()); }
    void addFilter(positionFilter* p);
    positionFilter* getPositionFilter(int i) const;

    // Walks the whole game from the position the caller has set and counts
    // the matching positions; true when there was any. A list always walks
    // with the state of its scan: the stateless game test is not for it.
    using mfilter::match;
    bool match(Game* game, ScanState& state);
    // The test of the current position: list conditions, members, sums,
    // count and mark.
    bool matchCurrentPosition(Game* game, ScanState& state);
    // Whether some single variant matched as often as :pretransformmatchcount asks.
    bool checkPretransformMatchCount() const;

    positionFilterList* clone() const;
    void makeFlip(char code);
    // Drops the members that refuse the shift; false when none is left.
    bool makeshift(int filei, int ranki);
    // Prepares the fast selection of the members that can match a position;
    // called once the list is complete.
    void index();
    // What follows a game as it is read, for a reader to set on the game it
    // reads into (Game::SetObserver): the walk then passes over the positions
    // that the board test refused while the moves were added, without
    // replaying them. Null when the list has no board test.
    MoveObserver* follower();

    void print() override;

  private:
    // One line of play being walked: the main line or a variation.
    struct WalkFrame {
        bool allowcurrent;
        bool testedHere;
        bool matched;
        unsigned nextVariation;
    };

    // A designator as the walk's quick test sees it: any of these piece codes
    // on any of these squares.
    struct BoardLoc {
        uint16_t piecemask;
        SquareSet squares;
    };
    // A member's side to move, its designators (a range of boardLocs) and
    // the ray and attack conditions tested on square sets (ranges of
    // boardRays and boardAttacks).
    struct BoardMember {
        colorT sideToMove;
        uint32_t begin, end;
        uint32_t raysBegin, raysEnd;
        uint32_t attacksBegin, attacksEnd;
    };

    // Tests the board of each position of a game as its moves are added, and
    // marks each move whose position, the one it is made in, the test lets
    // through. Like the look-ahead, it tests again only once the moves have
    // changed something the last refusal read: it watches those codes, and
    // sleeps through the side to move that every member refuses.
    class BoardFollower : public MoveObserver {
      public:
        static constexpr byte kPasses = 1;

        explicit BoardFollower(const positionFilterList& list) : list(list) {}
        // Whether the marks of `game`'s moves are this follower's, for its
        // whole tree.
        bool follows(const Game* game) const;
        // Whether any move of the game followed is marked, and whether it
        // has variations.
        bool anyMarks() const { return marks != 0; }
        bool anyVariations() const { return variations; }

        void movesCleared(const Position& start) override;
        byte moveAdded(Position& before, const simpleMoveT& move) override;
        void variationEntered() override;
        void variationLeft(Position& end) override;
        void followingLost() override;

      private:
        const positionFilterList& list;
        bool following = false;
        bool variations = false;
        uint32_t marks = 0;
    };

    // The walk of match(), through the board of marks when `tagged`.
    template <bool tagged>
    bool walk(Game* game, ScanState& state);
    // The list conditions and members at the current position, without the
    // count and the mark; the :not of the list inverts exactly this.
    bool testPosition(Game* game, ScanState& state);
    bool testConditions(Game* game);
    bool anyMemberOnBoard(const Position* pos) const;
    // Tests the members in order, or only those `selected` by the index.
    bool testMembers(Game* game, ScanState& state, const std::vector<uint16_t>* selected);
    bool checkSums(const ScanState& state) const;
    // Sets up quickReject() for the list as it is now.
    void prepareQuickTests();
    // True for a position that testPosition would refuse, decided on the
    // side to move, the board and whether a move follows, and skipping only
    // tests that change nothing: what the walk asks first of every position.
    bool quickReject(const Game* game) const;
    // The board test of quickReject on square sets indexed by piece code
    // (EMPTY's being the empty squares). When it refuses, it adds to `read`
    // the piece codes (a bit each) whose squares the refusal read.
    bool boardRejects(const SquareSet* sets, colorT toMove, unsigned* read = nullptr) const;
    bool boardRejects(const Position* pos, unsigned* read = nullptr) const;
    // Looks ahead along the line from the current position, on the moves'
    // records alone, for the first position that quickReject lets through
    // (or any position when `testFirst` is false for the current one and
    // the line's positions are not tested), one with variations to walk, or
    // the end of the line; then brings the game there. The positions passed
    // over are those the full test would have refused. True when the
    // position it leaves the game at is known to pass quickReject.
    bool skipAhead(Game* game, bool testFirst, bool testLine, bool searchVars);
    enum class BoardWatch : uint8_t { Nothing, Squares, Codes, Refusals };
    template <BoardWatch watch>
    bool skipAhead(Game* game, bool testFirst, bool testLine, bool searchVars);
    // The same on the marks of a game the follower followed.
    bool skipMarked(Game* game, bool testFirst, bool searchVars);
    // Brings the game `steps` moves on along its line, to `node`.
    static void goForward(Game* game, const moveT* node, uint32_t steps);
    void markMatch(Game* game);

    std::vector<positionFilter*> filters;
    // Whether any condition of the list itself is set: most lists have none.
    bool positionConditions = false;
    std::unique_ptr<VariantIndex> variantIndex;
    std::vector<WalkFrame> walkStack;
    // quickReject's parts: a move that follows rules out a mate or stalemate
    // (lineEndTest); no member whose designators, rays and attack counts hold
    // on the board rules out the rest (boardTest, then over boardMembers).
    bool lineEndTest = false;
    bool boardTest = false;
    std::vector<BoardMember> boardMembers;
    std::vector<BoardLoc> boardLocs;
    std::vector<const RayFilter*> boardRays;
    std::vector<const AttackFilter*> boardAttacks;
    // The piece codes that each of boardRays reads.
    std::vector<unsigned> boardRayCodes;
    // The side to move that every member asks for, if they all ask for the
    // same: the look-ahead refuses the other side's positions, half of
    // them, at once.
    colorT boardSide = NOCOLOR;
    // What the look-ahead watches to pass over positions where the board
    // test would refuse again what it refused, with the same side to move:
    // the squares of the designators, when the members test nothing else;
    // the piece codes whose squares designators and attack counts read,
    // when none reads the empty squares; with rays, the piece codes that
    // each refusal read. Nothing when the members ask for different sides
    // to move, or an attack count reads the empty squares without rays.
    BoardWatch boardWatch = BoardWatch::Nothing;
    SquareSet boardWatchSquares = ~SquareSet(0);
    unsigned boardWatchCodes = ~0u;
    BoardFollower boardFollower{*this};
};
