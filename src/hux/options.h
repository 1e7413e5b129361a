// The options of the console program, read before the query file: the
// number of threads, the games' input and output in place of the query's,
// help and version.
#pragma once

#include <string>
#include <vector>

struct Options {
    int jobs = 1;
    const char* pgn = nullptr;       // replaces the query's :pgn; "-" standard input
    const char* output = nullptr;    // replaces the query's :output; "-" standard output
    bool index = false;              // build the indexes of the files named
    bool noIndex = false;            // scan the text even when an index is there
    const char* indexDir = nullptr;  // where indexes are kept; null: beside the games
    bool help = false;
    bool version = false;
    std::vector<const char*> files;  // the arguments that are no options
    std::string error;               // why the command line was refused; empty when it was not
};

// Reads the command line; `jobs` is the default number of threads.
Options readOptions(int argc, char** argv, int jobs);

// The whole usage, for --help.
std::string helpText(int defaultJobs);
// The short usage after a refused option.
extern const char* const kOptionUsage;
