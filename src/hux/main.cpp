// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/common.h"
#include "hux/options.h"
#include "query/queryerror.h"
#include "query/util.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/outputsink.h"
#include "scan/queryreader.h"
#include "scan/scanrun.h"

namespace {

// The working buffer leaves room for the ".HUX" extension and the terminator.
constexpr size_t kNameBuffer = 1000;
constexpr size_t kMaxName = 899;

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
int run(const Options& options) {
    brel_Init();
    const std::vector<const char*>& files = options.files;
    util::uassert(files.size() == 1, "Usage: hux filter.hux");

    util::uassert(strlen(files[0]) <= kMaxName, "query file name too long: at most 899 characters");
    char name[kNameBuffer];
    strcpy(name, files[0]);
    if (strchr(name, '.') == nullptr) strcat(name, ".HUX");

    std::unique_ptr<matchFilter> matcher = readQuery(name);
    if (options.pgn != nullptr) matcher->pgnfile = options.pgn;
    if (options.output != nullptr) matcher->outputfile = options.output;
    ScanSettings settings;
    settings.jobs = options.jobs;
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
    Options options = readOptions(argc, argv, availableCores());
    // Games written to standard output leave it to them alone.
    if (options.output != nullptr && strcmp(options.output, "-") == 0) reserveStandardOutput();
    printf(
        "HUX version 3.02 (c) the HUX developers: chess games found by what happens on the "
        "board\n");
    if (!options.error.empty()) {
        fprintf(stderr, "hux: %s\n%s", options.error.c_str(), kOptionUsage);
        return 1;
    }
    if (options.help) {
        fputs(helpText(availableCores()).c_str(), stdout);
        return 0;
    }
    if (options.version) return 0;
    try {
        return run(options);
    } catch (const QueryError& error) {
        fputs(error.text(), error.stream() == QueryError::Stream::Err ? stderr : stdout);
        return error.status();
    }
}
