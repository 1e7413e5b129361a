// One position list of a query, (position ...): the piece designators and
// conditions that a single position must satisfy, read from the query's list
// tree, and the test of one transformed variant of it at the current position.
#pragma once

#include <memory>
#include <vector>

#include "core/common.h"
#include "core/position.h"
#include "filter/pieceloc.h"
#include "query/mfilter.h"

class Game;
class ScanState;
class pieceComputeFilterList;
class positionFilterList;
class AttackFilter;
class MarkBoard;
class MoveFilter;
class PairPositionFilter;
class RayFilterList;
class SequenceFilter;
class TagFilter;

class positionFilter : public mfilter {
  public:
    static constexpr int npiecesmax = 65;
    static constexpr int nlogicfilters = 99;
    static constexpr int naccumulators_max = 10;
    static constexpr int nattackfilters_max = 100;
    static constexpr int ntagfilters_max = 10;
    // Position lists nested through :and and :or deeper than this are
    // refused: every operation on a filter tree recurses along them.
    static constexpr int maxNesting = 100;

    // The designators that must all hold, in the order written.
    std::vector<pieceLoc*> pieces;
    const char* name = nullptr;
    int nmatches = 0;
    int nmatchesmin = 0;
    int nmatchesmax = 0;
    bool checkresult = false;
    bool checksum = false;
    bool accumulate = false;
    int whiteelomin = 0;
    int whiteelomax = 0;
    bool checkwhiteelo = false;
    int blackelomin = 0;
    int blackelomax = 0;
    bool checkblackelo = false;
    int elomin = 0;
    int elomax = 0;
    bool checkelo = false;
    resultT result = RESULT_None;
    int npretransformmatchesmin = 0;
    int npretransformmatchesmax = 0;
    bool checknpretransformmatches = false;
    bool donotannotate = false;
    bool checknmatches = false;
    bool check = false;
    bool notincheck = false;
    colorT sideToMove = NOCOLOR;
    bool shift = false;
    bool searchVariations = false;
    bool searchVariationsOnly = false;
    bool fliphorizontal = false;
    bool flipvertical = false;
    bool flipdiagonal = false;
    bool flipcolor = false;
    bool flipdihedral = false;
    bool horizontalshift = false;
    bool verticalshift = false;
    bool diagonalshift = false;
    bool maindiagonalshift = false;
    bool initial = false;
    bool varinitial = false;
    bool varterminal = false;
    bool terminal = false;
    bool offdiagonalshift = false;
    bool stalemate = false;
    bool mate = false;
    bool markAll = false;
    bool notposition = false;

    // Nested lists as read, and the lists that expansion makes of them.
    std::vector<positionFilter*> andFilters;
    std::vector<positionFilterList*> andlistFilters;
    std::vector<positionFilter*> orFilters;
    std::vector<positionFilterList*> orlistFilters;

    // Created on the first use of their keyword.
    pieceComputeFilterList* materialPowerFilterList = nullptr;
    pieceComputeFilterList* pieceCountFilterList = nullptr;
    pieceComputeFilterList* powerDifferenceFilterList = nullptr;
    RayFilterList* rayFilterList = nullptr;
    std::vector<AttackFilter*> attackFilters;

    // :sequence or :gappedsequence; null when absent.
    SequenceFilter* sequenceFilter = nullptr;

    bool accumulator_checks[naccumulators_max] = {};
    bool accumulates[naccumulators_max] = {};
    int accumulator_mins[naccumulators_max] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int accumulator_maxes[naccumulators_max] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

    // :tagmatch conditions.
    std::vector<TagFilter*> tagFilters;

    int movemin = -1;
    int movemax = -1;
    bool checkmovenumber = false;
    // :relation; null when absent.
    PairPositionFilter* pairFilter = nullptr;
    // Created by the first move keyword.
    MoveFilter* moveFilter = nullptr;

    // The state of a list read on its own, outside any match form; copies
    // share it.
    std::shared_ptr<ScanState> loneState;

    positionFilter() { type = "positionFilter"; }
    // Frees every part it holds; the copy is clone()'s, which then replaces
    // each part with a copy of its own.
    ~positionFilter() override;

    // Reads the items after the head word of a (position ...) list. Every
    // error in them ends the run; accumulator names are registered in
    // `state`. `depth` counts the position lists this one is nested in.
    static positionFilter* fromStrlist(strlist* str, ScanState& state, int depth = 0);

    void addPieceLoc(pieceLoc* loc);
    pieceLoc* getPieceLoc(int i);

    // Pushes the variation search of a list down into its nested lists.
    void subsetVariations(bool vars, bool varsonly);

    // The filter followed by its shifted, flipped and colour-swapped copies.
    positionFilterList* expand();
    positionFilter* clone() const;
    void makeFlip(char code);
    // False when some part refuses the shift; the copy is then dropped.
    bool makeshift(int fileoffset, int rankoffset);
    // Whether its shifted and mirrored copies are all the same filter as it
    // is, and may stand for each other in a list: every part covers the
    // whole board, and no variant is counted or summed on its own.
    bool sameUnderBoardMoves() const;

    // The side to move and every designator hold: the variant test's first
    // steps, which have no effect of their own.
    bool matchBoard(const Position* pos) const;

    // Notes which kinds of condition the variant has, once it is complete;
    // the variant test then skips what is not there.
    void prepare();
    // Tests this one variant at the game's current position and counts a
    // match; the conditions of the list as a whole are its list's business.
    bool matchCurrentPosition(Game* game, ScanState& state);

    void print() override;

  private:
    // For clone(), which then copies the parts.
    positionFilter(const positionFilter&) = default;
    positionFilter& operator=(const positionFilter&) = delete;

    // Set by prepare(): every condition is on the board or the side to move;
    // or on those, the lines and attacks on the board, the move played and
    // the relation.
    bool boardOnly = false;
    bool linesAndMoveOnly = false;

    bool matchPieceComputations(const Position* pos) const;
    bool matchElo(const Game* game) const;
    bool matchLinesAndMove(Game* game, MarkBoard* marks) const;
    bool matchTags(const Position* pos) const;
};

// Inline: tested at every position of every game, for every selected variant.
inline bool positionFilter::matchBoard(const Position* pos) const {
    if (sideToMove != NOCOLOR && pos->GetToMove() != sideToMove) return false;
    for (const pieceLoc* loc : pieces)
        if (!loc->match(pos)) return false;
    return true;
}
