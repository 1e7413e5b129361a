// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/common.h"
#include "query/matchfilter.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"

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

// Reads and runs the query named on the command line; a refusal leaves as a
// QueryError.
void run(int argc, char** argv) {
    brel_Init();
    util::uassert(argc == 2, "Usage: hux filter.hux");

    util::uassert(strlen(argv[1]) <= kMaxName, "query file name too long: at most 899 characters");
    const std::string name = queryFileName(argv[1]);

    std::unique_ptr<mfilter> query(mfilter::fromFile(name.c_str()));
    // Errors from here on concern the run, not a word of the query.
    strlist::forgetPlace();
    util::uassert(query != nullptr, "the query file holds no list: expected (match ...)");
    matchFilter* matcher = dynamic_cast<matchFilter*>(query.get());
    util::uassert(matcher != nullptr,
                  "the query's top list must be (match ...): position lists go inside it");
    matcher->match();
    if (matcher->state.debug) matcher->print();
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
        run(argc, argv);
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
    return 0;
}
