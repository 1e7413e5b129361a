// The scan of a query over a games file with an up-to-date index: the
// planner picks the games that may match, and only their text is read and
// replayed, each on its own, on one thread or on many; every other game only
// counts for the progress marks and the numbering, which stay those of a
// scan of the whole text.
#pragma once

#include <memory>
#include <vector>

#include "scan/gameindex.h"
#include "scan/parallelscan.h"

class IndexPlanner;
class InputSource;
class matchFilter;
class ResultWriter;

class IndexedScan {
  public:
    // `query` is expanded.
    explicit IndexedScan(matchFilter& query);
    // The plan made by a read of its own of `index`'s signatures, which
    // describes the games of the input of run (for tools and tests).
    IndexedScan(matchFilter& query, const gameindex::GameIndex& index);
    ~IndexedScan();

    // Plans each game while the index is checked (see GameIndex::open).
    gameindex::SignatureVisitor planner();
    // The index the plan was made from, found usable; it describes the games
    // of the input of run.
    void use(const gameindex::GameIndex& usable) { index = &usable; }

    // The number of games the planner keeps.
    uint64_t candidates() const { return kept; }
    uint64_t games() const { return index->games(); }
    // Whether game `i` (from 0) is read.
    bool wants(uint64_t i) const { return wanted[i]; }

    // Scans on the calling thread, or with `workers` (expanded copies of the
    // query, one a thread) when there are two or more and the text may be
    // read at any offset; the output is the same either way.
    ScanEnd run(InputSource& input, ResultWriter& writer,
                std::vector<std::unique_ptr<matchFilter>> workers = {});
    // After run: the errno of a failed read, 0 when none failed.
    int readError() const { return error; }
    // Whether the index could not be read whole (it was cut while in use).
    bool indexUnreadable() const { return unreadable; }

  private:
    struct Parallel;
    ScanEnd runSerially(InputSource& input, ResultWriter& writer);
    ScanEnd runParallel(int text, ResultWriter& writer,
                        std::vector<std::unique_ptr<matchFilter>> workers);
    // Cuts the games into batches in order, for the workers: the kept ones
    // with their signatures and packed moves.
    void makeBatches(Parallel& shared);

    matchFilter& query;
    std::unique_ptr<IndexPlanner> plan;
    const gameindex::GameIndex* index = nullptr;
    // A bit a game: memory stays small whatever the number kept.
    std::vector<bool> wanted;
    uint64_t kept = 0;
    int error = 0;
    bool unreadable = false;
    // Whether games are first replayed from their packed moves.
    bool replay = false;
};

// The index of the query's games file, when there is one that may be used;
// says on standard error why one that is there is not used. `visitor` sees
// the games' signatures as the index is checked, on `threads` threads.
std::unique_ptr<gameindex::GameIndex> usableIndex(const char* gamesFile,
                                                  const std::string& directory,
                                                  const gameindex::SignatureVisitor* visitor,
                                                  int threads);
