#include "scan/indexedscan.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/textbuf.h"
#include "filter/markboard.h"
#include "scan/indexplanner.h"
#include "scan/inputsource.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/resultwriter.h"

using namespace gameindex;

namespace {

constexpr uint32_t kRecordBufferSize = 100000;

// The games' text read in order: at any offset of a plain file, forward
// only in a compressed one.
class TextReader {
  public:
    explicit TextReader(InputSource& input)
        : fd(input.compression() == Compression::None ? input.descriptor() : -1),
          stream(fd < 0 ? input.stream() : nullptr) {}

    // Reads `size` bytes at `offset` into `out`; false (errno set) when the
    // text ends before them or cannot be read.
    bool read(uint64_t offset, size_t size, std::vector<char>& out) {
        out.resize(size);
        if (fd >= 0) return readPlain(offset, out.data(), size);
        while (streamAt < offset) {
            skip.resize(1 << 16);
            size_t n =
                fread(skip.data(), 1, std::min<uint64_t>(skip.size(), offset - streamAt), stream);
            if (n == 0) return failed();
            streamAt += n;
        }
        size_t n = fread(out.data(), 1, size, stream);
        streamAt += n;
        return n == size || failed();
    }

  private:
    bool readPlain(uint64_t offset, char* data, size_t size) {
        size_t got = 0;
        while (got < size) {
            ssize_t n = pread(fd, data + got, size - got, off_t(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return failed();
            got += size_t(n);
        }
        return true;
    }
    bool failed() {
        if (errno == 0) errno = EIO;
        return false;
    }

    int fd;
    FILE* stream;
    uint64_t streamAt = 0;
    std::vector<char> skip;
};

}  // namespace

IndexedScan::IndexedScan(matchFilter& q, const GameIndex& idx) : query(q), index(idx) {
    IndexPlanner planner(query);
    GameRecord r;
    wanted.resize(index.games());
    for (uint64_t i = 0; i < index.games(); i++) {
        index.record(i, r);
        wanted[i] = planner.mayMatch(index, r);
        kept += wanted[i];
        if ((i & 0xFFFFF) == 0xFFFFF) index.release(index.recordBytes(i));
    }
    index.release(index.recordBytes(index.games()));
}

ScanEnd IndexedScan::run(InputSource& input, ResultWriter& writer) {
    TextReader reader(input);
    Game game;
    TextBuffer record;
    record.SetBufferSize(kRecordBufferSize);
    record.SetGrowable(true);
    std::vector<char> text;
    uint64_t offset = 0;
    for (uint64_t i = 0; i < index.games(); i++) {
        if (interruption::signal() != 0) return ScanEnd::Interrupted;
        const long n = long(i + 1);
        const uint64_t at = offset;
        const uint32_t length = GameRecord::lengthOf(index.recordBytes(i));
        offset += length;
        if ((i & 0xFFFFF) == 0xFFFFF) index.release(index.recordBytes(i));
        writer.progress(n);
        if (query.gamenumbermin > 0) {
            if (n < query.gamenumbermin) continue;
            if (n > query.gamenumbermax) break;
        }
        if (!wanted[i]) continue;
        errno = 0;
        if (!reader.read(at, length, text)) {
            error = errno;
            return ScanEnd::Done;
        }
        // A game read on its own is read as in the whole text: the index's
        // ranges start where the reader of the whole text started each game.
        MFile file;
        file.OpenMemory(text.data(), text.size(), "");
        PgnParser parser(&file);
        if (parser.ParseGame(&game) == ERROR_NotFound) continue;
        game.SetNumber(uint32_t(n));
        game.MoveToPly(0);
        if (MarkBoard* marks = query.state.marks()) marks->initialize(&game);
        if (!query.match(&game)) continue;
        record.Clear();
        if (game.WriteToPGN_changed(&record) != OK ||
            !writer.write(n, record.GetBuffer(), record.GetByteCount()))
            return ScanEnd::WriteFailed;
    }
    return interruption::signal() != 0 ? ScanEnd::Interrupted : ScanEnd::Done;
}

std::unique_ptr<GameIndex> usableIndex(const char* gamesFile, const std::string& directory) {
    FileIdentity games;
    if (!FileIdentity::of(gamesFile, games)) return nullptr;
    const std::string path = indexPath(gamesFile, directory);
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::open(path, &games, verdict);
    if (verdict != Verdict::Usable && verdict != Verdict::Missing)
        fprintf(stderr,
                "hux: the index %s %s: not used, the games' text is read instead "
                "(hux --index %s rebuilds it)\n",
                path.c_str(), verdictText(verdict), gamesFile);
    return index;
}
