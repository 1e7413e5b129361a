// Runs the real hux binary as a child process and captures what it prints, so
// end-to-end tests can compare exact text and exit statuses.
#pragma once

#include <string>
#include <vector>

struct HuxRun {
    std::string out;  // standard output
    std::string err;  // standard error
    int status = -1;  // exit status, or 128 + signal number when killed
};

// Runs hux with the given arguments in directory `cwd` (the current directory
// when empty), after --jobs=N when the environment sets HUX_TEST_JOBS=N. A run that takes longer than `timeoutSeconds` is killed.
HuxRun runHux(const std::vector<std::string>& args, const std::string& cwd = "",
              int timeoutSeconds = 600);

// Runs hux on a query file holding `text`, in a fresh scratch directory.
HuxRun runQuery(const std::string& text);

// `word` n times, each followed by a blank: queries beyond a reader's limits.
std::string repeat(const std::string& word, int n);

// The "+<n>" marks of a run, in order: the games it selected.
std::string selectedGames(const HuxRun& run);

// The banner line every run starts with.
extern const char* const kBanner;
