#include "scan/resultwriter.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include "query/queryerror.h"
#include "query/util.h"
#include "scan/outputsink.h"

namespace {

// Games are written whole, many kilobytes at a time: a large buffer saves
// most of the write calls that the default one would make.
constexpr size_t kOutputBufferSize = 1 << 20;

// The marks held are shown when they reach this size or this age.
constexpr size_t kHeldMarks = 1 << 14;
constexpr auto kMarksAge = std::chrono::milliseconds(100);

}  // namespace

ResultWriter::ResultWriter(const char* outputfile, const char* pgnfile, std::string queryfile)
    : outputfile(outputfile), pgnfile(pgnfile), queryfile(std::move(queryfile)) {}

ResultWriter::~ResultWriter() {
    flushMarks();
    if (stream != nullptr && stream != stdout) fclose(stream);
}

void ResultWriter::open() {
    if (outputfile == nullptr) {
        stream = stdout;
        return;
    }
    // Opening for writing truncates: refuse before that when the output is
    // one of the files this run reads.
    std::string message = std::string("the output file ") + outputfile + " is ";
    util::uassert(!sameFile(outputfile, pgnfile),
                  (message + "the PGN file " + pgnfile + ": it would be overwritten").c_str());
    util::uassert(queryfile.empty() || !sameFile(outputfile, queryfile.c_str()),
                  (message + "the query file " + queryfile + ": it would be overwritten").c_str());
    errno = 0;
    stream = openGamesOutput(outputfile);
    if (stream == nullptr) {
        const int cause = errno;
        throw QueryError(std::string("could not open the file: ") + outputfile + " for writing\n")
            .withCause(cause);
    }
    // Given no buffer, the C library keeps its own small one whatever the
    // size asked.
    buffer.resize(kOutputBufferSize);
    setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
}

void ResultWriter::hold(const char* mark, size_t length) {
    marks.append(mark, length);
    if (!holding || marks.size() >= kHeldMarks ||
        std::chrono::steady_clock::now() - shown >= kMarksAge)
        flushMarks();
}

void ResultWriter::flushMarks() {
    if (!marks.empty()) fwrite(marks.data(), 1, marks.size(), stdout);
    marks.clear();
    shown = std::chrono::steady_clock::now();
}

void ResultWriter::progress(long n) {
    games = n;
    char mark[32];
    if ((n - 1) % 1000 == 0 && n > 1000)
        hold(mark, size_t(snprintf(mark, sizeof mark, "%ld\n", n)));
    else if ((n - 1) % 100 == 0)
        hold(".", 1);
}

bool ResultWriter::write(long n, const char* record, size_t length) {
    nmatches++;
    char mark[32] = "+<";
    char* end = std::to_chars(mark + 2, mark + sizeof mark - 1, n).ptr;
    *end++ = '>';
    hold(mark, size_t(end - mark));
    // Games written to standard output come after their marks.
    if (stream == stdout) flushMarks();
    // From the second game on, a blank line separates the games. A buffered
    // stream may have failed on an earlier game's bytes.
    bool written = (nmatches == 1 || fputs("\n\n", stream) != EOF) &&
                   fwrite(record, 1, length, stream) == length && !ferror(stream);
    if (!written) error = errno;
    return written;
}

bool ResultWriter::close() {
    flushMarks();
    // Standard output is unbuffered: its failures show at each write.
    if (stream == nullptr || stream == stdout) return true;
    // A full disk often shows only when the last buffer is written out.
    bool closed = fclose(stream) == 0;
    stream = nullptr;
    if (!closed) error = errno;
    return closed;
}

void ResultWriter::summary() const {
    printf("\nNumber of matching games: %d to file: %s\n", nmatches, shownOutput());
}

std::string ResultWriter::failure() const {
    return std::string("Error: could not write the output to ") + shownOutput() + ": " +
           strerror(error) + "\n";
}

const char* ResultWriter::shownOutput() const {
    return outputfile == nullptr || strcmp(outputfile, "-") == 0 ? "stdout" : outputfile;
}
