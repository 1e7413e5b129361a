// Game boundaries: any text, read by one reader and by four workers over
// small batches, must give the same output. The first byte picks the batch
// size, the query and whether records are first numbered wrongly; the rest
// is the PGN text.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "scan_capture.h"

namespace {

const std::string& scratch() {
    static const std::string dir = [] {
        char name[] = "/tmp/hux-boundary-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    return dir;
}

const char* const kQueries[] = {
    "(match :pgn games.pgn :output out.pgn)",
    "(match :pgn games.pgn :output out.pgn (position :check))",
    "(match :pgn games.pgn :output out.pgn :gamenumber 2 3)",
    "(match :pgn games.pgn)",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const uint8_t options = data[0];
    std::ofstream(scratch() + "/games.pgn", std::ios::binary)
        .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    const char* query = kQueries[options & 3];
    CapturedScan single = captureScan(scratch(), query, ScanSettings());
    ScanSettings parallel;
    parallel.jobs = 4;
    parallel.parallel.batchSize = 1 + ((options >> 2) & 15) * 16;
    parallel.parallel.guessWrong = (options & 64) != 0;
    CapturedScan many = captureScan(scratch(), query, parallel);
    if (!(many == single)) {
        fprintf(stderr, "different output with %d workers, batches of %zu bytes, query %s\n",
                parallel.jobs, parallel.parallel.batchSize, query);
        abort();
    }
    return 0;
}
