// The step every scan takes for each game it reads: number and rewind the
// game for the query's walks, test it, and write the record of a game that
// matches. The serial scan, the indexed scan and the batch workers share it,
// so that a game gets the same record whichever of them reads it.
#pragma once

#include "core/textbuf.h"

class Game;
class matchFilter;

class GameTest {
  public:
    enum class Outcome { NoMatch, Matched, Unwritable };

    explicit GameTest(matchFilter& query);

    // Has the query follow every game then read into `game` as its moves are
    // added, which spares its walks replaying what the reader replayed.
    void follow(Game& game);

    // Numbers `game`, just read, and rewinds it (marks included) for the walks.
    void prepare(Game& game, long number);
    // Tests a prepared game; a match is written into record(), numbered
    // `number()`, asked only then (it may differ from the number the game
    // was prepared with).
    template <class Number>
    Outcome test(Game& game, Number number) {
        return matches(game) ? write(game, number()) : Outcome::NoMatch;
    }
    Outcome test(Game& game, long number) {
        return test(game, [number] { return number; });
    }
    // The record of the last game that matched.
    const char* text() const { return record.GetBuffer(); }
    size_t size() const { return record.GetByteCount(); }

  private:
    bool matches(Game& game);
    Outcome write(Game& game, long number);

    matchFilter& query;
    TextBuffer record;
};
