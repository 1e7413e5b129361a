#include "scan/indexedscan.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>

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
    // A plain file's text at any offset, for any number of readers at once.
    explicit TextReader(int plain) : fd(plain), stream(nullptr) {}

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

// One thread's test of the games the plan keeps, with a game, a replay and
// a text buffer of its own.
class KeptGames {
  public:
    enum class Outcome { NoMatch, Matched, Unwritable, ReadFailed };

    KeptGames(matchFilter& query, bool replay) : query(query), step(query), replay(replay) {}

    // Whether the game's signatures and packed moves are wanted: a replay
    // from them may spare reading its text.
    bool wantsMoves() const { return replay && !replayUseless(); }

    // Tests game `n`, whose text is the `length` bytes at `at`. `signatures`
    // and the `movesLength` bytes of `codes` (null when not read) may decide
    // that it cannot match. A match's record is then in text() and size();
    // a failed read leaves its errno in readError().
    Outcome test(long n, const uint8_t* signatures, const uint8_t* codes, uint32_t movesLength,
                 TextReader& reader, uint64_t at, uint32_t length) {
        // The positions of a game rebuilt from its packed moves tell whether
        // its text need be read at all; a game from a set-up position, or
        // one whose moves could not be rebuilt, is read.
        if (signatures != nullptr && wantsMoves()) {
            // Of the signatures, the replay needs only the flags and tags.
            r.decodeForPlan(signatures, 0);
            if ((r.flags & (kPacked | kFenStart)) == kPacked &&
                packed.load(codes, movesLength, rebuilt)) {
                rebuilt.SetResult(resultT(r.result));
                rebuilt.SetWhiteElo(r.whiteElo);
                rebuilt.SetBlackElo(r.blackElo);
                step.prepare(rebuilt, n);
                replayed++;
                if (!query.matchPositions(&rebuilt)) {
                    spared++;
                    return Outcome::NoMatch;
                }
            }
        }
        errno = 0;
        if (!reader.read(at, length, buffer)) {
            error = errno;
            return Outcome::ReadFailed;
        }
        // A game read on its own is read as in the whole text: the index's
        // ranges start where the reader of the whole text started each game.
        MFile file;
        file.OpenMemory(buffer.data(), buffer.size(), "");
        PgnParser parser(&file);
        if (parser.ParseGame(&game) == ERROR_NotFound) return Outcome::NoMatch;
        step.prepare(game, n);
        switch (step.test(game, n)) {
            case GameTest::Outcome::NoMatch:
                return Outcome::NoMatch;
            case GameTest::Outcome::Unwritable:
                return Outcome::Unwritable;
            case GameTest::Outcome::Matched:
                break;
        }
        return Outcome::Matched;
    }
    const char* text() const { return step.text(); }
    size_t size() const { return step.size(); }
    int readError() const { return error; }

  private:
    // When nearly every game the plan keeps matches, the replay only adds to
    // the reading of its text: after a fair trial it stops.
    bool replayUseless() const { return replayed >= 512 && spared * 8 < replayed; }

    matchFilter& query;
    Game game;
    Game rebuilt;
    PackedGame packed;
    GameTest step;
    GameRecord r;
    std::vector<char> buffer;
    const bool replay;
    int error = 0;
    // The games replayed, and those of them whose text the replay spared.
    uint64_t replayed = 0, spared = 0;
};

// Batches made and not yet written, besides those of the workers: enough to
// keep every worker busy while the writer waits for the oldest one, few
// enough that memory does not grow with the input.
constexpr size_t kSpareBatches = 4;
// A batch ends at this many kept games, or at this many games in all, so
// that the progress marks keep coming when the plan keeps few.
constexpr size_t kBatchKept = 256;
constexpr long kBatchGames = 1 << 14;
// How often a waiting writer looks for a signal.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

// A game a batch holds for a worker to test.
struct KeptGame {
    long number = 0;
    uint64_t at = 0;  // its text in the games file
    uint32_t length = 0;
    uint32_t movesLength = 0;
    // Its signatures, then its packed moves, in the batch's bytes; npos when
    // they were not read.
    size_t bytesAt = std::string::npos;
};

// A matching game's record within a batch's text.
struct FoundRecord {
    long number = 0;
    size_t start = 0, length = 0;
};

// A run of games in order: the progress marks of all of them, the kept ones
// for a worker to test, and once tested, the records of those that matched.
struct IndexBatch {
    uint64_t index = 0;
    long first = 1, last = 0;  // the games it marks; none when first > last
    std::vector<KeptGame> kept;
    std::vector<uint8_t> bytes;
    bool final = false;       // no batch follows it
    bool unreadable = false;  // the index could not be read after game `last`
    std::vector<FoundRecord> found;
    std::string text;
    // The game whose test ended the batch early, 0 when none did, and why.
    long failed = 0;
    KeptGames::Outcome failure = KeptGames::Outcome::NoMatch;
    int readError = 0;
    std::exception_ptr error;
};

}  // namespace

// The state the producer of batches, the workers and the writer share.
struct IndexedScan::Parallel {
    Parallel(std::vector<std::unique_ptr<matchFilter>> queries, int text)
        : queries(std::move(queries)), text(text), limit(this->queries.size() + kSpareBatches) {}

    std::vector<std::unique_ptr<matchFilter>> queries;
    const int text;
    const size_t limit;

    // Everything below `mutex` is guarded by it; `changed` wakes every waiter
    // at each change.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::unique_ptr<IndexBatch>> queue;           // made, not yet taken
    std::map<uint64_t, std::unique_ptr<IndexBatch>> tested;  // not yet written
    size_t inFlight = 0;                                     // made and not yet written
    bool made = false;                                       // every batch is made
    uint64_t batches = 0;                                    // once made
    std::exception_ptr fatal;
    std::atomic<bool> stop{false};

    void fail(std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!fatal) fatal = error;
        stop = true;
        changed.notify_all();
    }
    // Hands a batch to the workers, waiting while too many are in flight;
    // false when the run stops.
    bool hand(std::unique_ptr<IndexBatch> batch) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || inFlight < limit; });
        if (stop) return false;
        if (batch->final) {
            made = true;
            batches = batch->index + 1;
        }
        queue.push_back(std::move(batch));
        inFlight++;
        changed.notify_all();
        return true;
    }
    void work(matchFilter& own, bool replay);

    // The writer's own: what ended the run, besides its ScanEnd.
    int readError = 0;
    bool indexCut = false;
    // Writes a tested batch's marks and records; false when the run ends
    // with it (`end` says how, unless a read failed or the index was cut).
    bool write(const IndexBatch& batch, ResultWriter& writer, ScanEnd& end);
};

void IndexedScan::Parallel::work(matchFilter& own, bool replay) {
    try {
        KeptGames tester(own, replay);
        TextReader reader(text);
        while (true) {
            std::unique_ptr<IndexBatch> batch;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || !queue.empty() || made; });
                if (stop || queue.empty()) return;
                batch = std::move(queue.front());
                queue.pop_front();
            }
            for (const KeptGame& g : batch->kept) {
                if (stop) return;
                const bool read = g.bytesAt != std::string::npos;
                const uint8_t* signatures = read ? batch->bytes.data() + g.bytesAt : nullptr;
                KeptGames::Outcome outcome;
                try {
                    outcome = tester.test(g.number, signatures,
                                          read ? signatures + kSignatureSize : nullptr,
                                          g.movesLength, reader, g.at, g.length);
                } catch (...) {
                    batch->failed = g.number;
                    batch->error = std::current_exception();
                    break;
                }
                if (outcome == KeptGames::Outcome::NoMatch) continue;
                if (outcome == KeptGames::Outcome::Matched) {
                    batch->found.push_back({g.number, batch->text.size(), tester.size()});
                    batch->text.append(tester.text(), tester.size());
                    continue;
                }
                batch->failed = g.number;
                batch->failure = outcome;
                batch->readError = tester.readError();
                break;
            }
            std::lock_guard<std::mutex> lock(mutex);
            tested.emplace(batch->index, std::move(batch));
            changed.notify_all();
        }
    } catch (...) {
        fail(std::current_exception());
    }
}

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

ScanEnd IndexedScan::run(InputSource& input, ResultWriter& writer,
                         std::vector<std::unique_ptr<matchFilter>> workers) {
    // A compressed text is read forward only: by one reader, in order.
    if (workers.size() >= 2 && input.compression() == Compression::None && input.descriptor() >= 0)
        return runParallel(input.descriptor(), writer, std::move(workers));
    return runSerially(input, writer);
}

ScanEnd IndexedScan::runSerially(InputSource& input, ResultWriter& writer) {
    TextReader reader(input);
    KeptGames tester(query, replay);
    uint64_t offset = 0;
    // Only the spans are read for every game; the signatures and the moves
    // only for the games the plan keeps.
    IndexStream spans(*index, index->spansAt(), index->movesAt());
    IndexStream records(*index, index->recordsAt(), index->spansAt());
    IndexStream moves(*index, index->movesAt(), index->textsAt());
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
        const bool keep = wanted[i] && !(query.gamenumbermin > 0 && n < query.gamenumbermin);
        const uint8_t* signatures = nullptr;
        const uint8_t* codes = nullptr;
        if (keep && tester.wantsMoves()) {
            signatures = records.next(kSignatureSize);
            codes = signatures == nullptr ? nullptr : moves.next(movesLength);
            if (codes == nullptr) {
                unreadable = true;
                return ScanEnd::Done;
            }
        } else {
            records.skip(kSignatureSize);
            moves.skip(movesLength);
            if (!keep) continue;
        }
        switch (tester.test(n, signatures, codes, movesLength, reader, at, length)) {
            case KeptGames::Outcome::NoMatch:
                break;
            case KeptGames::Outcome::ReadFailed:
                error = tester.readError();
                return ScanEnd::Done;
            case KeptGames::Outcome::Unwritable:
                return ScanEnd::WriteFailed;
            case KeptGames::Outcome::Matched:
                if (!writer.write(n, tester.text(), tester.size())) return ScanEnd::WriteFailed;
                break;
        }
    }
    return interruption::signal() != 0 ? ScanEnd::Interrupted : ScanEnd::Done;
}

void IndexedScan::makeBatches(Parallel& shared) {
    try {
        IndexStream spans(*index, index->spansAt(), index->movesAt());
        IndexStream records(*index, index->recordsAt(), index->spansAt());
        IndexStream moves(*index, index->movesAt(), index->textsAt());
        const bool ranged = query.gamenumbermin > 0;
        uint64_t offset = 0;
        uint64_t count = 0;
        auto fresh = [&count](long first) {
            auto batch = std::make_unique<IndexBatch>();
            batch->index = count++;
            batch->first = first;
            batch->last = first - 1;
            return batch;
        };
        std::unique_ptr<IndexBatch> batch = fresh(1);
        for (uint64_t i = 0; i < index->games() && !batch->final; i++) {
            if (shared.stop) return;
            const long n = long(i + 1);
            const uint64_t at = offset;
            const uint8_t* span = spans.next(kSpanSize);
            if (span == nullptr) {
                batch->unreadable = batch->final = true;
                break;
            }
            const uint32_t length = GameRecord::lengthOf(span);
            const uint32_t movesLength = GameRecord::movesLengthOf(span);
            offset += length;
            batch->last = n;
            if (ranged && n > query.gamenumbermax) {
                batch->final = true;
                break;
            }
            if (!wanted[i] || (ranged && n < query.gamenumbermin)) {
                records.skip(kSignatureSize);
                moves.skip(movesLength);
                continue;
            }
            KeptGame g{n, at, length, movesLength, std::string::npos};
            if (replay) {
                const uint8_t* signatures = records.next(kSignatureSize);
                const uint8_t* codes = signatures == nullptr ? nullptr : moves.next(movesLength);
                if (codes == nullptr) {
                    batch->unreadable = batch->final = true;
                    break;
                }
                g.bytesAt = batch->bytes.size();
                batch->bytes.insert(batch->bytes.end(), signatures, signatures + kSignatureSize);
                batch->bytes.insert(batch->bytes.end(), codes, codes + movesLength);
            } else {
                records.skip(kSignatureSize);
                moves.skip(movesLength);
            }
            batch->kept.push_back(g);
            if (batch->kept.size() >= kBatchKept || n - batch->first + 1 >= kBatchGames) {
                if (!shared.hand(std::move(batch))) return;
                batch = fresh(n + 1);
            }
        }
        batch->final = true;
        shared.hand(std::move(batch));
    } catch (...) {
        shared.fail(std::current_exception());
    }
}

ScanEnd IndexedScan::runParallel(int text, ResultWriter& writer,
                                 std::vector<std::unique_ptr<matchFilter>> workers) {
    Parallel shared(std::move(workers), text);
    std::vector<std::thread> threads;
    threads.emplace_back([this, &shared] { makeBatches(shared); });
    for (auto& own : shared.queries)
        threads.emplace_back([this, &shared, &own] { shared.work(*own, replay); });

    ScanEnd end = ScanEnd::Done;
    std::exception_ptr raised;
    try {
        for (uint64_t next = 0;; next++) {
            std::unique_ptr<IndexBatch> batch;
            {
                std::unique_lock<std::mutex> lock(shared.mutex);
                while (!shared.fatal && !shared.tested.count(next) &&
                       !(shared.made && next >= shared.batches) && interruption::signal() == 0)
                    shared.changed.wait_for(lock, kSignalPoll);
                if (shared.fatal) std::rethrow_exception(shared.fatal);
                if (interruption::signal() != 0) break;
                auto it = shared.tested.find(next);
                if (it == shared.tested.end()) break;
                batch = std::move(it->second);
                shared.tested.erase(it);
                shared.inFlight--;
                shared.changed.notify_all();
            }
            if (!shared.write(*batch, writer, end) || batch->final) break;
        }
    } catch (...) {
        raised = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.stop = true;
        shared.changed.notify_all();
    }
    for (std::thread& thread : threads) thread.join();
    if (raised) std::rethrow_exception(raised);
    error = shared.readError;
    unreadable = shared.indexCut;
    if (end == ScanEnd::Done && interruption::signal() != 0) end = ScanEnd::Interrupted;
    return end;
}

bool IndexedScan::Parallel::write(const IndexBatch& batch, ResultWriter& writer, ScanEnd& end) {
    size_t next = 0;
    for (long n = batch.first; n <= batch.last; n++) {
        if (interruption::signal() != 0) {
            end = ScanEnd::Interrupted;
            return false;
        }
        writer.progress(n);
        if (n == batch.failed) {
            if (batch.error) std::rethrow_exception(batch.error);
            if (batch.failure == KeptGames::Outcome::ReadFailed) {
                readError = batch.readError;
                return false;
            }
            end = ScanEnd::WriteFailed;
            return false;
        }
        if (next < batch.found.size() && batch.found[next].number == n) {
            const FoundRecord& found = batch.found[next++];
            if (!writer.write(n, batch.text.data() + found.start, found.length)) {
                end = ScanEnd::WriteFailed;
                return false;
            }
        }
    }
    if (batch.unreadable) {
        indexCut = true;
        return false;
    }
    return true;
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
