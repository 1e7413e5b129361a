// Runs a read query's scan over its PGN file, on one thread or on many, and
// reports how it ended: the same output and status for every number of
// threads.
#pragma once

#include <functional>
#include <memory>

#include "scan/parallelscan.h"

class matchFilter;

struct ScanSettings {
    int jobs = 1;  // worker threads; 1 scans on the calling thread alone
    ParallelOptions parallel;
};

// A fresh copy of the query for a worker.
using QueryCopier = std::function<std::unique_ptr<matchFilter>()>;

// Scans the games of the query's PGN file, writing the matching ones and the
// progress; returns the exit status (128 plus the signal's number when a
// signal stopped the run).
int runScan(matchFilter& query, const QueryCopier& copy, const ScanSettings& settings);

// The number of cores this process may run on.
int availableCores();
