#include "scan/indexedscan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "scan/gametest.h"
#include "scan/indexplanner.h"
#include "scan/inputsource.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/packedgame.h"
#include "scan/resultwriter.h"

using namespace gameindex;

namespace {

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

IndexedScan::IndexedScan(matchFilter& q) : query(q), plan(std::make_unique<IndexPlanner>(q)) {
    // A query without position lists is decided by the tags alone.
    replay = query.npositionlistfilters > 0;
}

IndexedScan::IndexedScan(matchFilter& q, const GameIndex& idx) : IndexedScan(q) {
    use(idx);
    const SignatureVisitor visit = planner();
    IndexStream signatures(idx, idx.recordsAt(), idx.spansAt());
    constexpr uint64_t kBatch = (1 << 20) / kSignatureSize;
    for (uint64_t i = 0; i < idx.games(); i += kBatch) {
        const size_t n = size_t(std::min(kBatch, idx.games() - i));
        const uint8_t* batch = signatures.next(n * kSignatureSize);
        if (batch == nullptr) {
            unreadable = true;
            return;
        }
        visit(idx, i, batch, n);
    }
}

IndexedScan::~IndexedScan() = default;

SignatureVisitor IndexedScan::planner() {
    return [this](const GameIndex& checked, uint64_t first, const uint8_t* signatures, size_t n) {
        if (first == 0) {
            wanted.assign(checked.games(), false);
            kept = 0;
        }
        GameRecord r;
        const uint16_t kinds = plan->squareKinds();
        for (size_t i = 0; i < n; i++) {
            r.decodeForPlan(signatures + i * kSignatureSize, kinds);
            const bool may = plan->mayMatch(checked, r);
            wanted[first + i] = may;
            kept += may;
        }
    };
}

ScanEnd IndexedScan::run(InputSource& input, ResultWriter& writer) {
    TextReader reader(input);
    Game game;
    Game rebuilt;
    PackedGame packed;
    GameTest step(query);
    std::vector<char> text;
    uint64_t offset = 0;
    // Only the spans are read for every game; the signatures and the moves
    // only for the games the plan keeps.
    IndexStream spans(*index, index->spansAt(), index->movesAt());
    IndexStream records(*index, index->recordsAt(), index->spansAt());
    IndexStream moves(*index, index->movesAt(), index->textsAt());
    GameRecord r;
    for (uint64_t i = 0; i < index->games(); i++) {
        if (interruption::signal() != 0) return ScanEnd::Interrupted;
        const long n = long(i + 1);
        const uint64_t at = offset;
        const uint8_t* span = spans.next(kSpanSize);
        if (span == nullptr) {
            unreadable = true;
            return ScanEnd::Done;
        }
        const uint32_t length = GameRecord::lengthOf(span);
        const uint32_t movesLength = GameRecord::movesLengthOf(span);
        offset += length;
        writer.progress(n);
        if (query.gamenumbermin > 0 && n > query.gamenumbermax) break;
        if (!wanted[i] || (query.gamenumbermin > 0 && n < query.gamenumbermin)) {
            records.skip(kSignatureSize);
            moves.skip(movesLength);
            continue;
        }
        // The positions of a game rebuilt from its packed moves tell whether
        // its text need be read at all; a game from a set-up position, or
        // one whose moves could not be rebuilt, is read.
        if (replay && !replayUseless()) {
            const uint8_t* signatures = records.next(kSignatureSize);
            if (signatures == nullptr) {
                unreadable = true;
                return ScanEnd::Done;
            }
            // Of the signatures, the replay needs only the flags and tags.
            r.decodeForPlan(signatures, 0);
            const uint8_t* codes = moves.next(movesLength);
            if (codes == nullptr) {
                unreadable = true;
                return ScanEnd::Done;
            }
            if ((r.flags & (kPacked | kFenStart)) == kPacked &&
                packed.load(codes, movesLength, rebuilt)) {
                rebuilt.SetResult(resultT(r.result));
                rebuilt.SetWhiteElo(r.whiteElo);
                rebuilt.SetBlackElo(r.blackElo);
                step.prepare(rebuilt, n);
                replayed++;
                if (!query.matchPositions(&rebuilt)) {
                    spared++;
                    continue;
                }
            }
        } else {
            records.skip(kSignatureSize);
            moves.skip(movesLength);
        }
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
        step.prepare(game, n);
        GameTest::Outcome outcome = step.test(game, n);
        if (outcome == GameTest::Outcome::NoMatch) continue;
        if (outcome == GameTest::Outcome::Unwritable || !writer.write(n, step.text(), step.size()))
            return ScanEnd::WriteFailed;
    }
    return interruption::signal() != 0 ? ScanEnd::Interrupted : ScanEnd::Done;
}

std::unique_ptr<GameIndex> usableIndex(const char* gamesFile, const std::string& directory,
                                       const SignatureVisitor* visitor, int threads) {
    FileIdentity games;
    if (!FileIdentity::of(gamesFile, games)) return nullptr;
    const std::string path = indexPath(gamesFile, directory);
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::open(path, &games, verdict, visitor, threads);
    if (verdict != Verdict::Usable && verdict != Verdict::Missing)
        fprintf(stderr,
                "hux: the index %s %s: not used, the games' text is read instead "
                "(hux --index %s rebuilds it)\n",
                path.c_str(), verdictText(verdict), gamesFile);
    return index;
}
