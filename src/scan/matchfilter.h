// The game-level query, built from the top (match ...) form: input and
// output files, conditions on year, game number, result, players, event,
// site and opening code, and the position lists that every selected game
// must satisfy. The scan that runs it is runScan's (scan/scanrun.h).
#pragma once

#include <optional>
#include <string>

#include "core/common.h"
#include "filter/scanstate.h"
#include "query/mfilter.h"
#include "query/namematcher.h"

class MoveObserver;
class positionFilter;
class positionFilterList;

// The game-level facts the match form tests: from a game read, or from an
// index of the games.
struct GameTags {
    const char* white;
    const char* black;
    const char* event;
    const char* site;
    ecoT eco;
    int year;
    resultT result;
};

class matchFilter : public mfilter {
  public:
    static constexpr int positionfiltersmax = 100;

    positionFilter* positionFilters[positionfiltersmax] = {};
    positionFilterList* positionListFilters[positionfiltersmax] = {};
    int npositionfilters = 0;
    // Texts the game's tags must hold (see NameMatcher): :player on either
    // side, :white, :black, :event and :site on their own tag.
    std::optional<NameMatcher> player;
    std::optional<NameMatcher> white;
    std::optional<NameMatcher> black;
    std::optional<NameMatcher> event;
    std::optional<NameMatcher> site;
    // :eco FROM [TO]: main opening codes, A00 being 0 and E99 499, with the
    // games that have an ECO tag in that range.
    bool checkeco = false;
    int ecomin = 0;
    int ecomax = 0;
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
    // What the scan shares between its position lists (accumulators, tags
    // and the board of marks); the query registers names and tags in it
    // while it is read.
    ScanState state;
    // The query file this object was read from, when it came from a file:
    // the scan refuses an output file that is this file or the PGN input.
    std::string queryfile;

    matchFilter() { type = "matchFilter"; }
    matchFilter(const matchFilter&) = delete;
    matchFilter& operator=(const matchFilter&) = delete;
    // Frees the position lists and their expansions.
    ~matchFilter() override;

    // Reads the elements after the word match, left to right.
    static matchFilter* fromStrlist(strlist* rest);

    void addPositionFilter(positionFilter* filter);
    positionFilter* getPositionFilter(int i);

    // Expands every position list into its transformed variants, once.
    void expand();
    // What the query sets on the game its games are read into
    // (Game::SetObserver), to follow each as its moves are added: the first
    // expanded position list that can use it, if any, and none where tags
    // are bound, since their walks replay every position.
    MoveObserver* follower();
    // Whether one game, already read and rewound, matches the query.
    bool match(Game* game) override;
    // Whether the game's positions pass the position lists, whatever its
    // tags: for a game rebuilt from an index, whose tags the index judged.
    bool matchPositions(Game* game);
    // Whether a game with these tags passes the conditions on names, year,
    // result and opening code.
    bool matchGameTags(const GameTags& tags) const;
    // The conditions on year, result and opening code alone.
    bool matchYearResultEco(int year, resultT result, ecoT eco) const;

    void print() override;

  private:
    // Whether every expanded list passes in the game.
    bool matchLists(Game* game);
    // Whether some binding of the tags makes every list pass.
    bool matchBindings(Game* game);
    // Whether one expanded list passes in the game: walked from the start,
    // with its count bounds.
    bool matchList(Game* game, positionFilterList* list);
};
