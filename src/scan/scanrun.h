// Runs a read query's scan over its PGN file, on one thread or on many, and
// reports how it ended: the same output and status for every number of
// threads.
#pragma once

#include <memory>
#include <string>

#include "scan/parallelscan.h"

class matchFilter;

struct ScanSettings {
    int jobs = 1;  // worker threads; 1 scans on the calling thread alone
    ParallelOptions parallel;
    bool useIndex = true;  // an up-to-date index of the games may spare reading them
    std::string indexDir;  // where indexes are kept; empty: beside the games
    // Tests: the index is used on many threads whatever share of the games
    // its plan keeps.
    bool alwaysIndexed = false;
};

// Scans the games of the query's PGN file, writing the matching ones and the
// progress; returns the exit status (128 plus the signal's number when a
// signal stopped the run).
int runScan(matchFilter& query, const ScanSettings& settings);

// A copy of the query for a worker, with nothing shared that a scan changes:
// built anew from the query's list tree, which it shares.
std::unique_ptr<matchFilter> copyQuery(const matchFilter& query);

// The number of cores this process may run on.
int availableCores();
