// Runs a query's scan inside the test process, with the settings of a test
// (threads, batch size, wrong first guesses of game numbers), and captures
// what it prints and writes: for comparing a scan on many threads with the
// single reader's.
#pragma once

#include <string>

#include "scan/scanrun.h"

struct CapturedScan {
    std::string out;     // standard output
    std::string output;  // the output file, when the query names out.pgn
    int status = -1;

    bool operator==(const CapturedScan& other) const {
        return out == other.out && output == other.output && status == other.status;
    }
};

// Runs `query` (a match form whose file names are relative to `dir`: the
// output file, when any, must be out.pgn) in `dir`.
CapturedScan captureScan(const std::string& dir, const std::string& query,
                         const ScanSettings& settings);
