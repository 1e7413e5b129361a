// :sequence and :gappedsequence: position lists that must match one after the
// other along a line of play from the position being tested. The search moves
// the game forward (and into variations) and brings it back where it was.
#pragma once

#include <cstdint>
#include <vector>

#include "filter/sequencememo.h"
#include "query/mfilter.h"

class Game;
class MarkBoard;
class ScanState;
class positionFilter;
class positionFilterList;
struct moveT;

class SequenceFilter : public mfilter {
  public:
    static constexpr int npositionsmax = 1000;

    // The elements as read, and the lists that expansion makes of them.
    std::vector<positionFilter*> positionFilters;
    std::vector<positionFilterList*> positionListFilters;
    // Any number of positions may lie before and between the elements.
    bool allowgaps = false;

    SequenceFilter() { type = "SequenceFilter"; }
    SequenceFilter(const SequenceFilter&) = delete;
    SequenceFilter& operator=(const SequenceFilter&) = delete;
    ~SequenceFilter() override;

    void addPositionFilter(positionFilter* p);

    // Expands every element into its list of variants; called once, by the
    // owner's own expansion, before the owner is copied.
    void expand();
    SequenceFilter* clone() const;
    void makeFlip(char code);
    // False when some element refuses the shift.
    bool makeshift(int filei, int ranki);

    // Whether elements start, start + 1, ... can be found in order from the
    // current position: the first of them at it when `searchthis`, else
    // after the next move, which with `searchvariations` may also be the
    // first move of a variation. The game is left where it was.
    bool matchCurrentPosition(Game* game, ScanState& state, bool searchvariations, bool searchthis,
                              int start);

    void print() override;

  private:
    // How the search reached a point, and so how it leaves it again.
    enum class Step : uint8_t { Stay, Forward, IntoVariation };

    // A point from which the search looks for `element` (and the elements
    // after it) at the positions that follow.
    struct Frame {
        const moveT* at;
        int element;
        uint32_t nextVariation;
        bool forwardTried;
        Step arrival;
    };

    // The element to look for after the current position once `element` has
    // been tested there, or -1 when the run has broken off.
    int elementAfter(Game* game, ScanState& state, int element);
    SequenceMemo::Known known(const Game* game, int element) const;
    void settle(const Frame& frame, bool found);
    static void stepBack(Game* game, MarkBoard* marks, Step step);

    // Set by expand(): the search is gapped and its elements read and
    // change nothing but the game, so what it learns at a point holds for
    // every later search within the same walk.
    bool useMemo = false;
    SequenceMemo memo;
    std::vector<Frame> frames;
};
