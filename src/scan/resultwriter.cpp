#include "scan/resultwriter.h"

#include <cerrno>
#include <cstring>

#include "query/queryerror.h"
#include "query/util.h"
#include "scan/outputsink.h"

namespace {

// Games are written whole, many kilobytes at a time: a large buffer saves
// most of the write calls that the default one would make.
constexpr size_t kOutputBufferSize = 1 << 20;

}  // namespace

ResultWriter::ResultWriter(const char* outputfile, const char* pgnfile, std::string queryfile)
    : outputfile(outputfile), pgnfile(pgnfile), queryfile(std::move(queryfile)) {}

ResultWriter::~ResultWriter() {
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
    stream = openGamesOutput(outputfile);
    if (stream == nullptr)
        throw QueryError(std::string("could not open the file: ") + outputfile + " for writing\n");
    setvbuf(stream, nullptr, _IOFBF, kOutputBufferSize);
}

void ResultWriter::progress(long n) {
    games = n;
    if ((n - 1) % 1000 == 0 && n > 1000)
        printf("%ld\n", n);
    else if ((n - 1) % 100 == 0)
        printf(".");
}

bool ResultWriter::write(long n, const char* record, size_t length) {
    nmatches++;
    printf("+<%ld>", n);
    // From the second game on, a blank line separates the games. A buffered
    // stream may have failed on an earlier game's bytes.
    bool written = (nmatches == 1 || fputs("\n\n", stream) != EOF) &&
                   fwrite(record, 1, length, stream) == length && !ferror(stream);
    if (!written) error = errno;
    return written;
}

bool ResultWriter::close() {
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
