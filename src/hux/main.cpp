// The console engine: reads one query file, runs it over the PGN file it
// names, and reports the matching games.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/common.h"
#include "query/matchfilter.h"
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

// An error while the query is read says, on a line of standard error after
// its message, which word of the query it was reading.
void reportPlace() {
    std::string where = strlist::placeLine();
    if (!where.empty()) fprintf(stderr, "%s\n", where.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Progress marks and games written to standard output must appear in the
    // order written, also when interleaved with messages.
    setvbuf(stdout, nullptr, _IONBF, 0);
    printf(
        "HUX version 3.02 (c) the HUX developers: chess games found by what happens on the "
        "board\n");
    util::init();
    brel_Init();
    util::uassert(argc == 2, "Usage: hux filter.hux");

    util::uassert(strlen(argv[1]) <= kMaxName, "query file name too long: at most 899 characters");
    // The query name must outlive the scan, which refuses to overwrite it.
    static const std::string name = queryFileName(argv[1]);

    // The query lives until the process ends; nothing frees it.
    atexit(reportPlace);
    static mfilter* query = mfilter::fromFile(name.c_str());
    strlist::forgetPlace();
    util::uassert(query != nullptr, "the query file holds no list: expected (match ...)");
    matchFilter* matcher = dynamic_cast<matchFilter*>(query);
    util::uassert(matcher != nullptr,
                  "the query's top list must be (match ...): position lists go inside it");
    matcher->match();
    if (util::debug()) matcher->print();
    return 0;
}
