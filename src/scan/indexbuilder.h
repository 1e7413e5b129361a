// Builds the index of a games file (plain or compressed): reads every game
// once, signs it and packs its moves, and writes the index beside the games
// (or in a directory of indexes) under a temporary name, renamed into place
// only when whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct IndexBuildSettings {
    std::string directory;               // where the indexes go; empty: beside each games file
    int jobs = 1;                        // threads: over several files, or over one file's batches
    bool progress = true;                // dots and counts on standard output
    size_t batchSize = size_t(1) << 20;  // bytes of text a worker reads at a time
};

struct IndexBuildResult {
    std::string indexFile;
    std::string error;  // empty when the index was built
    uint64_t games = 0;
    uint64_t bytes = 0;  // of the index
};

// Builds the index of one games file.
IndexBuildResult buildIndex(const char* gamesFile, const IndexBuildSettings& settings);

// Builds the index of each file, several at once when allowed; reports each
// on standard output and each failure on standard error. Returns the exit
// status: 0 when every index was built.
int buildIndexes(const std::vector<const char*>& files, const IndexBuildSettings& settings);
