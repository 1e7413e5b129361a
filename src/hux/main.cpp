// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/common.h"
#include "query/queryerror.h"
#include "query/util.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"
#include "scan/scanrun.h"

namespace {

// The working buffer leaves room for the ".HUX" extension and the terminator.
constexpr size_t kNameBuffer = 1000;
constexpr size_t kMaxName = 899;
constexpr int kMaxJobs = 1024;

[[noreturn]] void optionError(const char* message, const char* arg) {
    throw QueryError(
        std::string("hux: ") + message + arg + "\nUsage: hux [-j N | --jobs N] filter.hux\n",
        QueryError::Stream::Err);
}

int jobsValue(const char* text) {
    int jobs = util::intValue(text);
    if (jobs < 1 || jobs > kMaxJobs)
        optionError("the number of jobs must be from 1 to 1024: ", text);
    return jobs;
}

// Reads the options before the query file: -j N, --jobs N (also -jN and
// --jobs=N), and -- to end them. Returns the other arguments.
std::vector<const char*> readOptions(int argc, char** argv, int& jobs) {
    std::vector<const char*> files;
    bool options = true;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (!options || arg[0] != '-' || arg[1] == '\0') {
            files.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            options = false;
        } else if (strcmp(arg, "-j") == 0 || strcmp(arg, "--jobs") == 0) {
            if (i + 1 == argc) optionError("missing number of jobs after ", arg);
            jobs = jobsValue(argv[++i]);
        } else if (strncmp(arg, "--jobs=", 7) == 0) {
            jobs = jobsValue(arg + 7);
        } else if (strncmp(arg, "-j", 2) == 0) {
            jobs = jobsValue(arg + 2);
        } else {
            optionError("unknown option ", arg);
        }
    }
    return files;
}

// The query file's top list, which must be a match form.
std::unique_ptr<matchFilter> readQuery(const char* name) {
    std::unique_ptr<mfilter> query(readQueryFile(name));
    util::uassert(query != nullptr, "the query file holds no list: expected (match ...)");
    util::uassert(dynamic_cast<matchFilter*>(query.get()) != nullptr,
                  "the query's top list must be (match ...): position lists go inside it");
    return std::unique_ptr<matchFilter>(static_cast<matchFilter*>(query.release()));
}

// Reads and runs the query named on the command line; returns the exit
// status. A refusal leaves as a QueryError.
int run(int argc, char** argv) {
    brel_Init();
    int jobs = availableCores();
    std::vector<const char*> files = readOptions(argc, argv, jobs);
    util::uassert(files.size() == 1, "Usage: hux filter.hux");

    util::uassert(strlen(files[0]) <= kMaxName, "query file name too long: at most 899 characters");
    char name[kNameBuffer];
    strcpy(name, files[0]);
    if (strchr(name, '.') == nullptr) strcat(name, ".HUX");

    std::unique_ptr<matchFilter> matcher = readQuery(name);
    ScanSettings settings;
    settings.jobs = jobs;
    interruption::install();
    int status = runScan(*matcher, settings);
    if (matcher->state.debug) matcher->print();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Progress marks and games written to standard output must appear in the
    // order written, also when interleaved with messages.
    setvbuf(stdout, nullptr, _IONBF, 0);
    printf(
        "HUX version 3.02 (c) the HUX developers: chess games found by what happens on the "
        "board\n");
    try {
        return run(argc, argv);
    } catch (const QueryError& error) {
        fputs(error.text(), error.stream() == QueryError::Stream::Err ? stderr : stdout);
        return error.status();
    }
}
