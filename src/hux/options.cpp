#include "hux/options.h"

#include <cstring>

#include "query/util.h"

namespace {

constexpr int kMaxJobs = 1024;

// The value of an option given as "--name VALUE", "--name=VALUE" or, for
// the short form, "-xVALUE"; null (and `error` set) when it is missing.
const char* optionValue(int argc, char** argv, int& i, const char* name, size_t nameLength,
                        std::string& error) {
    const char* arg = argv[i];
    if (arg[nameLength] == '=') return arg + nameLength + 1;
    if (arg[nameLength] != '\0') return arg + nameLength;
    if (i + 1 == argc) {
        error = std::string("missing ") + name + " after " + arg;
        return nullptr;
    }
    return argv[++i];
}

// Whether `arg` is the option `name` itself or followed by its value.
bool isOption(const char* arg, const char* name, bool attached) {
    size_t n = strlen(name);
    if (strncmp(arg, name, n) != 0) return false;
    return arg[n] == '\0' || arg[n] == '=' || attached;
}

}  // namespace

const char* const kOptionUsage =
    "Usage: hux [-j N] [--pgn FILE] [--output FILE] filter.hux (hux --help for more)\n";

Options readOptions(int argc, char** argv, int jobs) {
    Options options;
    options.jobs = jobs;
    bool optionsEnd = false;
    for (int i = 1; i < argc && options.error.empty(); i++) {
        const char* arg = argv[i];
        if (optionsEnd || arg[0] != '-' || arg[1] == '\0') {
            options.files.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            optionsEnd = true;
        } else if (strcmp(arg, "--help") == 0) {
            options.help = true;
        } else if (strcmp(arg, "--version") == 0) {
            options.version = true;
        } else if (strcmp(arg, "--index") == 0) {
            options.index = true;
        } else if (strcmp(arg, "--no-index") == 0) {
            options.noIndex = true;
        } else if (isOption(arg, "--index-dir", false)) {
            options.indexDir = optionValue(argc, argv, i, "index directory", 11, options.error);
            if (options.indexDir != nullptr && *options.indexDir == '\0')
                options.error = "the index directory's name is empty";
        } else if (isOption(arg, "--jobs", false) || isOption(arg, "-j", true)) {
            size_t length = arg[1] == '-' ? 6 : 2;
            const char* value = optionValue(argc, argv, i, "number of jobs", length, options.error);
            if (value == nullptr) break;
            options.jobs = util::intValue(value);
            if (options.jobs < 1 || options.jobs > kMaxJobs)
                options.error = std::string("the number of jobs must be from 1 to 1024: ") + value;
        } else if (isOption(arg, "--pgn", false)) {
            options.pgn = optionValue(argc, argv, i, "PGN file", 5, options.error);
            if (options.pgn != nullptr && *options.pgn == '\0')
                options.error = "the PGN file's name is empty";
        } else if (isOption(arg, "--output", false)) {
            options.output = optionValue(argc, argv, i, "output file", 8, options.error);
            if (options.output != nullptr && *options.output == '\0')
                options.error = "the output file's name is empty";
        } else {
            options.error = std::string("unknown option ") + arg;
        }
    }
    return options;
}

std::string helpText(int defaultJobs) {
    return "Usage: hux [OPTIONS] filter.hux\n"
           "       hux --index [--index-dir DIR] [-j N] FILE...\n"
           "Runs the query in filter.hux over the games of its PGN file and writes the games\n"
           "that match. The games may be PGN text or compressed with gzip, zstd, bzip2 or xz,\n"
           "whatever the file's name.\n"
           "\n"
           "Options:\n"
           "  -j N, --jobs N     scan with N threads (default: the cores this process may\n"
           "                     use, here " +
           std::to_string(defaultJobs) +
           "); the output is the same for every N\n"
           "  --pgn FILE         read the games from FILE instead of the query's :pgn;\n"
           "                     - reads them from standard input\n"
           "  --output FILE      write the matching games to FILE instead of the query's\n"
           "                     :output; a name ending in .gz or .zst is written compressed;\n"
           "                     - writes them to standard output, and the progress and\n"
           "                     messages then go to standard error\n"
           "  --index FILE...    build the index of each games file (FILE.hxi), which later\n"
           "                     queries over FILE use while it is up to date\n"
           "  --index-dir DIR    keep the indexes in DIR instead of beside the games\n"
           "  --no-index         read the games' text even when an up-to-date index is there\n"
           "  --help             print this help and exit\n"
           "  --version          print the version and exit\n"
           "  --                 end of the options: what follows is the query file\n";
}
