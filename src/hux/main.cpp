// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/common.h"
#include "query/matchfilter.h"
#include "query/queryerror.h"
#include "query/util.h"

namespace {

// The working buffer leaves room for the ".HUX" extension and the terminator.
constexpr size_t kNameBuffer = 1000;
constexpr size_t kMaxName = 899;

// Reads and runs the query named on the command line; a refusal leaves as a
// QueryError.
void run(int argc, char** argv) {
    brel_Init();
    util::uassert(argc == 2, "Usage: hux filter.hux");

    util::uassert(strlen(argv[1]) <= kMaxName, "query file name too long: at most 899 characters");
    char name[kNameBuffer];
    strcpy(name, argv[1]);
    if (strchr(name, '.') == nullptr) strcat(name, ".HUX");

    std::unique_ptr<mfilter> query(mfilter::fromFile(name));
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
        fputs(error.text(), error.stream() == QueryError::Stream::Err ? stderr : stdout);
        return error.status();
    }
    return 0;
}
