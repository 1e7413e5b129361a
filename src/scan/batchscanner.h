// One worker's scan of a batch of games: reads them with a PGN reader of its
// own, tests each with its own copy of the query, and keeps the records of
// the matching games, written with the game numbers known so far.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"
#include "scan/batchreader.h"
#include "scan/gametest.h"

class matchFilter;

// Where the games of a batch stand in the whole input: the number of games
// before it, when the batches before it are all read.
class GameNumbering {
  public:
    virtual ~GameNumbering() = default;
    // The number of games before batch `index`; `exact` tells whether it is
    // known or only an estimate.
    virtual long before(uint64_t index, bool& exact) = 0;
};

// A matching game's record within BatchResult::text.
struct FoundGame {
    uint32_t game = 0;  // index within the batch, from 0
    long number = 0;    // the game number the record was written with
    size_t start = 0;   // of the record in the text
    size_t length = 0;
    // The number's offset within the record; npos when it was not found.
    size_t digits = std::string::npos;
    // Whether the rest of the record stays as it is for a number of another
    // length: the comment holding the number holds nothing else.
    bool numberAlone = false;
};

struct BatchResult {
    uint64_t index = 0;    // of the batch the scan started with
    uint64_t through = 0;  // of the last batch it read: more than index when joined
    uint32_t games = 0;    // games read (the one that failed or stopped included)
    std::vector<FoundGame> found;
    std::string text;
    // Set when testing game `failedGame` raised an error.
    std::exception_ptr error;
    uint32_t failedGame = 0;
    bool last = false;  // the batch `through` ends the input
    // The scan gave up early: interrupted, or past the last game wanted.
    bool stopped = false;
    // The text that was scanned, kept for a scan over again.
    std::shared_ptr<const Bytes> joined;
    std::shared_ptr<const Batch> batch;

    const char* data() const;
    size_t size() const;
};

class BatchScanner {
  public:
    explicit BatchScanner(matchFilter& query);

    // Scans `size` bytes at `data`, the text of batch `index`, into `out`
    // (which it clears). `stop` is polled between games. Returns whether the
    // text ended open (see PgnParser::EndedOpen), meaning the batches after
    // it were cut where no game starts.
    bool scan(const char* data, size_t size, uint64_t index, GameNumbering& numbering,
              const std::atomic<bool>& stop, BatchResult& out);

    // The game number of every record is a guess that is always wrong: for
    // tests of the renumbering.
    void guessWrong() { wrongGuesses = true; }

  private:
    // Keeps the record of matching game `game`; `written` false when it
    // could not be written.
    void keep(uint32_t game, long number, bool written, BatchResult& out);

    matchFilter& query;
    Game game;
    GameTest step;
    bool wrongGuesses = false;
};
