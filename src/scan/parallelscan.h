// The scan over many cores: one thread cuts the input into batches, workers
// scan them with copies of the query, and the calling thread writes their
// results in input order, so that the output is the one a single thread
// writes, byte for byte.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class matchFilter;
class ResultWriter;

struct ParallelOptions {
    size_t batchSize = 1 << 20;  // bytes a batch holds, about
    // Tests: every record is first written with a wrong number, so that the
    // writer's renumbering and its scans over again are exercised.
    bool guessWrong = false;
};

// How a scan ended, when it was not refused.
enum class ScanEnd { Done, WriteFailed, Interrupted };

class ParallelScan {
  public:
    // `query` is the one the writer uses for any batch it scans over again;
    // each worker gets one of `workers`. All are expanded already.
    ParallelScan(matchFilter& query, std::vector<std::unique_ptr<matchFilter>> workers,
                 ResultWriter& writer, ParallelOptions options = {});
    ~ParallelScan();
    ParallelScan(const ParallelScan&) = delete;
    ParallelScan& operator=(const ParallelScan&) = delete;

    // Scans `input` to its end (or to the last game wanted). An error raised
    // by a test is raised here, after the marks of the games before it.
    ScanEnd run(int input);
    // After run: the error (an errno value) of the read that ended the input
    // early, 0 when it was read to its end.
    int readError() const;

  private:
    struct Shared;
    std::unique_ptr<Shared> shared;
};
