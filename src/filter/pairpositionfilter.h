// :relation: the other positions of a game that repeat the position being
// tested (the source), or one of its shifted or mirrored copies, up to pieces
// missing or added and, with a pattern, on the pattern's squares only. Each
// position found gets the mark MATCH2; the game is left where it was.
#pragma once

#include <vector>

#include "core/common.h"
#include "filter/gamepositions.h"
#include "query/mfilter.h"

class Game;
class ScanState;
class pieceComputeFilter;
class pieceLoc;
class strlist;

class PairPositionFilter : public mfilter {
  public:
    static constexpr int npiecesmax = 100;
    static constexpr int nboardsMax = 2000;

    // The pattern: clones of the designators written before :relation.
    std::vector<pieceLoc*> pieces;
    bool donotannotate = false;
    bool allowshifts = false;
    bool allowflips = false;
    // The same side to move as at the source, the other side, or (neither
    // set) either side.
    bool identicalcolor = true;
    bool switchcolor = false;
    bool searchVariations = false;
    bool searchVariationsOnly = false;
    // Bounds on the squares that differ from the source and on those holding
    // the same piece as there; not tested while they are 0 and 64 or more.
    int noriginaldifferencesmin = 0;
    int noriginaldifferencesmax = 64;
    int noriginalsamesmin = 0;
    int noriginalsamesmax = 64;
    // The pieces of the source that may be missing and the pieces that may
    // stand where it had none, with their counts; null when none may.
    pieceComputeFilter* missingpiececountfilter = nullptr;
    pieceComputeFilter* newpiececountfilter = nullptr;

    PairPositionFilter() { type = "PairPositionFilter"; }
    PairPositionFilter(const PairPositionFilter&) = delete;
    PairPositionFilter& operator=(const PairPositionFilter&) = delete;
    ~PairPositionFilter() override;

    // Reads ":missingpiececount D min [max]" or ":newpiececount D min [max]"
    // from the keyword's cell; returns the cell after the last one read.
    // A later one of the same kind replaces the earlier.
    strlist* handleCountSpec(strlist* cell);
    // Clones of the designators become the pattern; more than 100 end the run.
    void setPattern(const std::vector<pieceLoc*>& designators);

    // Whether some other position that the relation's walk from the first
    // position tests relates to the current one; each such position gets the
    // mark unless `donotannotate`. The game stays at the current position.
    bool matchCurrentPosition(Game* game, ScanState& state);

    PairPositionFilter* clone() const;
    void makeFlip(char code);
    // Never refuses: squares that leave the board drop out of the designators.
    bool makeshift(int dx, int dy);
    // Whether makeFlip with 'H', 'V' or 'D' and makeshift leave it as it is.
    bool boardWide() const;
    void print() override;

  private:
    // The source position or one of its transformed copies.
    struct Board {
        Placement placement;
        SquareSet occupied;
        // The pattern's squares carried along; every square without one.
        SquareSet mask;
        uint64_t hash;
        // What the transformation pushed off the board: pieces, or with a
        // pattern, pattern squares. They count as missing pieces.
        int lost;
    };

    void initialize(Game* game, const GamePositions& positions);
    // The shifted and mirrored copies of the source that can match.
    void addTransformed(const GamePositions& positions);
    void addBoard(const Placement& placement, SquareSet mask, int lost);
    // Whether no position can miss as many pieces of the source as the
    // relation asks: then none relates, whatever the copies.
    bool tooFewToMiss() const;
    // Whether a position relates to the source only when equal to a board:
    // no pattern, no missing and no new pieces.
    bool exact() const;
    bool findMatches(Game* game, GamePositions& positions);
    // Whether the walk tests the positions of the class with the side to
    // move the relation asks for.
    bool tested(const GamePositions::Class& k) const;
    bool boardequalcheck(const Board& b, const GamePositions::Class& k) const;
    bool board_original_check(const GamePositions::Class& k) const;
    void resetGame();

    // Set while a source position is being compared.
    bool saved = false;
    moveT* savedMove = nullptr;
    // The source among the positions gathered, or kNone.
    uint32_t savedEntry = GamePositions::kNone;
    colorT tomove = NOCOLOR;
    // Whether the counts against the source are tested at all.
    bool countOriginal = false;
    // The pattern's squares at the source; every square without a pattern.
    SquareSet okboard = 0;
    // Board 0 is the source; after it come the transformed copies that can
    // match at all, in the order they are made. Refilled at every source.
    std::vector<Board> boards;
};
