// The condition of a position list on the move played from the position:
// where it starts, where it goes and what stands there, what it promotes to,
// whether it takes en passant; with variation search, the first moves of the
// variations that branch off there count too.
#pragma once

#include <vector>

#include "query/mfilter.h"

class Game;
class MarkBoard;
class pieceLoc;
struct simpleMoveT;
class Position;

class MoveFilter : public mfilter {
  public:
    pieceLoc* topieceloc = nullptr;
    pieceLoc* frompieceloc = nullptr;
    pieceLoc* promotedpieceloc = nullptr;
    bool enpassant = false;
    bool notenpassant = false;

    MoveFilter() { type = "MoveFilter"; }
    ~MoveFilter() override;

    // The game is left at the same position, move and variation level. With
    // tags in use, variations are entered through the board of `marks`.
    bool matchCurrentPosition(Game* game, bool searchVariations, MarkBoard* marks);

    void makeFlip(char code);
    // False as soon as a designator refuses; the caller drops the copy.
    bool makeshift(int dx, int dy);
    MoveFilter* clone() const;
    void print() override;

  private:
    // For clone(), which then copies the designators.
    MoveFilter(const MoveFilter&) = default;
    MoveFilter& operator=(const MoveFilter&) = delete;

    bool matchMove(const Position* pos, const simpleMoveT& move) const;
    bool matchCurrentMove(const Game* game) const;

    // The variation being tried at each level of the search; kept between
    // calls so that the search allocates nothing once it has grown.
    std::vector<unsigned> nextVariation;
};
