// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/common.h"
#include "hux/options.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"
#include "scan/indexbuilder.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/outputsink.h"
#include "scan/queryreader.h"
#include "scan/scanrun.h"

namespace {

constexpr size_t kMaxName = 899;

// A name without a dot names NAME.hux, or NAME.HUX when only that exists;
// when neither does, the name tried last is the one the error reports.
std::string queryFileName(const char* given) {
    std::string name = given;
    if (strchr(given, '.') != nullptr) return name;
    struct stat info;
    if (stat((name + ".hux").c_str(), &info) == 0) return name + ".hux";
    return name + ".HUX";
}

// The query file's top list, which must be a match form.
std::unique_ptr<matchFilter> readQuery(const char* name) {
    std::unique_ptr<mfilter> query(readQueryFile(name));
    // Errors from here on concern the run, not a word of the query.
    strlist::forgetPlace();
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
    if (options.index) {
        util::uassert(!files.empty(), "Usage: hux --index [--index-dir DIR] FILE...");
        IndexBuildSettings build;
        if (options.indexDir != nullptr) build.directory = options.indexDir;
        build.jobs = options.jobs;
        interruption::install();
        return buildIndexes(files, build);
    }
    util::uassert(files.size() == 1, "Usage: hux filter.hux");

    util::uassert(strlen(files[0]) <= kMaxName, "query file name too long: at most 899 characters");
    const std::string name = queryFileName(files[0]);

    std::unique_ptr<matchFilter> matcher = readQuery(name.c_str());
    if (options.pgn != nullptr) matcher->pgnfile = options.pgn;
    if (options.output != nullptr) matcher->outputfile = options.output;
    ScanSettings settings;
    settings.jobs = options.jobs;
    settings.useIndex = !options.noIndex;
    if (options.indexDir != nullptr) settings.indexDir = options.indexDir;
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
        FILE* stream = error.stream() == QueryError::Stream::Err ? stderr : stdout;
        fputs(error.text(), stream);
        // Where the query was refused and why a file could not be opened, each
        // on a line of standard error of its own.
        const std::string text = error.text();
        bool lineOpen = stream == stderr && !text.empty() && text.back() != '\n';
        for (const std::string& note : {error.where(), error.cause()}) {
            if (note.empty()) continue;
            fprintf(stderr, "%s%s\n", lineOpen ? "\n" : "", note.c_str());
            lineOpen = false;
        }
        return error.status();
    }
}
