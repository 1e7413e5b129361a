#include "scan/parallelscan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "scan/batchreader.h"
#include "scan/batchscanner.h"
#include "scan/interruption.h"
#include "scan/matchfilter.h"
#include "scan/resultwriter.h"

namespace {

// Batches read and not yet written, besides those of the workers: enough to
// keep every worker busy while the writer waits for the oldest one, few
// enough that memory does not grow with the input.
constexpr size_t kSpareBatches = 4;

// How often a waiting writer looks for a signal.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

int digitCount(long n) {
    int digits = 1;
    while (n >= 10) n /= 10, digits++;
    return digits;
}

// The numbering of a batch scanned again by the writer, which knows it.
class KnownNumbering : public GameNumbering {
  public:
    explicit KnownNumbering(long before) : games(before) {}
    long before(uint64_t, bool& exact) override {
        exact = true;
        return games;
    }

  private:
    long games;
};

// What writing one batch's results came to.
enum class Written { More, Last, Failed, Interrupted };

}  // namespace

struct ParallelScan::Shared : GameNumbering {
    Shared(matchFilter& query, std::vector<std::unique_ptr<matchFilter>> queries,
           ResultWriter& writer, ParallelOptions options)
        : query(query),
          queries(std::move(queries)),
          writer(writer),
          options(options),
          limit(this->queries.size() + kSpareBatches) {}

    matchFilter& query;
    std::vector<std::unique_ptr<matchFilter>> queries;
    ResultWriter& writer;
    ParallelOptions options;
    const size_t limit;

    // Everything below `mutex` is guarded by it; `changed` wakes every waiter
    // at each change (few threads, rare changes: one batch at a time).
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<const Batch>> queue;
    // Read and not yet passed by the writer, by index: what a worker joins
    // to a batch that ended open.
    std::map<uint64_t, std::shared_ptr<const Batch>> pending;
    std::map<uint64_t, BatchResult> results;
    uint64_t writerNext = 0;  // index of the next batch to write
    int joinWaiters = 0;
    bool readerDone = false;
    uint64_t batchCount = 0;  // once readerDone
    int readError = 0;        // once readerDone
    std::exception_ptr fatal;
    std::atomic<bool> stop{false};

    // The game counts of scanned batches, by index: (last batch read, games).
    std::mutex countMutex;
    std::map<uint64_t, std::pair<uint64_t, uint32_t>> counts;
    uint64_t countedBatches = 0;  // batches before this are all counted
    long countedGames = 0;        // the games in them

    long before(uint64_t index, bool& exact) override {
        std::lock_guard<std::mutex> lock(countMutex);
        exact = index == countedBatches;
        if (exact || index < countedBatches || countedBatches == 0) return countedGames;
        // An estimate from the batches counted so far: a number of the same
        // length needs no renumbering of the record's layout.
        long perBatch = countedGames / long(countedBatches);
        return countedGames + long(index - countedBatches) * perBatch;
    }

    void publish(uint64_t index, uint64_t through, uint32_t games) {
        std::lock_guard<std::mutex> lock(countMutex);
        if (index < countedBatches) return;
        counts[index] = {through, games};
        for (auto it = counts.find(countedBatches); it != counts.end();
             it = counts.find(countedBatches)) {
            countedGames += it->second.second;
            uint64_t next = it->second.first + 1;
            counts.erase(counts.begin(), counts.lower_bound(next));
            countedBatches = next;
        }
    }

    void fail(std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!fatal) fatal = error;
        stop = true;
        changed.notify_all();
    }

    void read(int input);
    void work(matchFilter& query);
    std::shared_ptr<const Batch> successor(uint64_t scanned, uint64_t index);
    void deliver(BatchResult&& result);
    Written write(BatchResult& result, long& games, BatchScanner& again);
};

void ParallelScan::Shared::read(int input) {
    try {
        BatchReader reader(input, options.batchSize, stop);
        while (true) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock,
                             [&] { return stop || pending.size() < limit || joinWaiters > 0; });
                if (stop) return;
            }
            std::shared_ptr<Batch> batch = reader.next();
            std::lock_guard<std::mutex> lock(mutex);
            if (batch == nullptr || batch->last) {
                readerDone = true;
                readError = reader.readError();
                batchCount = batch == nullptr ? 0 : batch->index + 1;
            }
            if (batch != nullptr) {
                pending[batch->index] = batch;
                queue.push_back(batch);
            }
            changed.notify_all();
            if (readerDone) return;
        }
    } catch (...) {
        fail(std::current_exception());
    }
}

std::shared_ptr<const Batch> ParallelScan::Shared::successor(uint64_t scanned, uint64_t index) {
    std::unique_lock<std::mutex> lock(mutex);
    joinWaiters++;
    changed.notify_all();
    // The writer passes the batch scanned only when an earlier join took it
    // in: then its result is not wanted.
    changed.wait(lock, [&] { return stop || writerNext > scanned || pending.count(index + 1); });
    joinWaiters--;
    if (stop || writerNext > scanned) return nullptr;
    return pending[index + 1];
}

void ParallelScan::Shared::deliver(BatchResult&& result) {
    std::lock_guard<std::mutex> lock(mutex);
    if (result.index >= writerNext) results.emplace(result.index, std::move(result));
    changed.notify_all();
}

void ParallelScan::Shared::work(matchFilter& own) {
    try {
        BatchScanner scanner(own);
        if (options.guessWrong) scanner.guessWrong();
        while (true) {
            std::shared_ptr<const Batch> batch;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || !queue.empty() || readerDone; });
                if (stop || queue.empty()) return;
                batch = queue.front();
                queue.pop_front();
            }
            BatchResult result;
            result.index = batch->index;
            result.batch = batch;
            bool open = scanner.scan(batch->bytes.data(), batch->bytes.size(), batch->index, *this,
                                     stop, result);
            // A batch that ended inside a game's text, a tag section or the
            // text before a game takes in the next batch, until one ends
            // where the next starts a game: read whole, it is what a single
            // reader reads.
            std::shared_ptr<const Batch> tail = batch;
            std::shared_ptr<Bytes> joined;
            while (open && !tail->last) {
                tail = successor(batch->index, tail->index);
                if (tail == nullptr) break;
                if (!joined) joined = std::make_shared<Bytes>(batch->bytes);
                joined->insert(joined->end(), tail->bytes.begin(), tail->bytes.end());
                open =
                    scanner.scan(joined->data(), joined->size(), batch->index, *this, stop, result);
            }
            if (tail == nullptr) continue;
            result.through = tail->index;
            result.last = tail->last;
            result.joined = joined;
            if (!result.stopped && !result.error)
                publish(result.index, result.through, result.games);
            deliver(std::move(result));
        }
    } catch (...) {
        fail(std::current_exception());
    }
}

Written ParallelScan::Shared::write(BatchResult& result, long& games, BatchScanner& again) {
    const bool ranged = query.gamenumbermin > 0;
    auto inRange = [&](long n) {
        return !ranged || (n >= query.gamenumbermin && n <= query.gamenumbermax);
    };
    // A record written with a wrong number is renumbered in place when its
    // layout allows; otherwise, as for an error raised by a game the range
    // leaves out, the batch is scanned again with its numbers known.
    bool scanAgain = false;
    for (const FoundGame& found : result.found) {
        long n = games + found.game + 1;
        if (!inRange(n) || found.number == n) continue;
        if (found.digits == std::string::npos ||
            (!found.numberAlone && digitCount(n) != digitCount(found.number)))
            scanAgain = true;
    }
    if (result.error && ranged && games + long(result.failedGame) + 1 < query.gamenumbermin)
        scanAgain = true;
    if (scanAgain) {
        KnownNumbering known(games);
        BatchResult fresh;
        fresh.index = result.index;
        fresh.batch = result.batch;
        fresh.joined = result.joined;
        again.scan(result.data(), result.size(), result.index, known, stop, fresh);
        fresh.through = result.through;
        fresh.last = result.last;
        result = std::move(fresh);
    }
    if (!result.stopped && !result.error) publish(result.index, result.through, result.games);

    std::string renumbered;
    size_t next = 0;
    for (uint32_t i = 0; i < result.games; i++) {
        long n = ++games;
        writer.progress(n);
        const FoundGame* found = nullptr;
        if (next < result.found.size() && result.found[next].game == i)
            found = &result.found[next++];
        if (ranged) {
            if (n < query.gamenumbermin) continue;
            if (n > query.gamenumbermax) return Written::Last;
        }
        if (result.error && i == result.failedGame) std::rethrow_exception(result.error);
        if (found == nullptr) continue;
        if (interruption::signal() != 0) return Written::Interrupted;
        const char* record = result.text.data() + found->start;
        size_t length = found->length;
        if (found->number != n) {
            size_t end = found->digits;
            while (end < length && record[end] >= '0' && record[end] <= '9') end++;
            renumbered.assign(record, found->digits);
            renumbered += std::to_string(n);
            renumbered.append(record + end, length - end);
            record = renumbered.data();
            length = renumbered.size();
        }
        if (length == 0 || !writer.write(n, record, length)) return Written::Failed;
    }
    if (result.stopped) return Written::Interrupted;
    return result.last ? Written::Last : Written::More;
}

ParallelScan::ParallelScan(matchFilter& query, std::vector<std::unique_ptr<matchFilter>> workers,
                           ResultWriter& writer, ParallelOptions options)
    : shared(std::make_unique<Shared>(query, std::move(workers), writer, options)) {}

ParallelScan::~ParallelScan() = default;

int ParallelScan::readError() const {
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->readError;
}

ScanEnd ParallelScan::run(int input) {
    Shared& s = *shared;
    std::vector<std::thread> threads;
    threads.emplace_back([&s, input] { s.read(input); });
    for (auto& query : s.queries) threads.emplace_back([&s, &query] { s.work(*query); });

    BatchScanner again(s.query);
    long games = 0;
    ScanEnd end = ScanEnd::Done;
    std::exception_ptr raised;
    try {
        while (true) {
            BatchResult result;
            {
                std::unique_lock<std::mutex> lock(s.mutex);
                while (!s.fatal && !s.results.count(s.writerNext) &&
                       !(s.readerDone && s.writerNext >= s.batchCount) &&
                       interruption::signal() == 0)
                    s.changed.wait_for(lock, kSignalPoll);
                if (s.fatal) std::rethrow_exception(s.fatal);
                if (interruption::signal() != 0) {
                    end = ScanEnd::Interrupted;
                    break;
                }
                auto it = s.results.find(s.writerNext);
                if (it == s.results.end()) break;
                result = std::move(it->second);
                s.results.erase(it);
            }
            Written written = s.write(result, games, again);
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                s.pending.erase(s.pending.begin(), s.pending.upper_bound(result.through));
                s.writerNext = result.through + 1;
                s.results.erase(s.results.begin(), s.results.lower_bound(s.writerNext));
                s.changed.notify_all();
            }
            if (written == Written::Last) break;
            if (written == Written::Failed) {
                end = ScanEnd::WriteFailed;
                break;
            }
            if (written == Written::Interrupted) {
                end = ScanEnd::Interrupted;
                break;
            }
        }
    } catch (...) {
        raised = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stop = true;
        s.changed.notify_all();
    }
    for (std::thread& thread : threads) thread.join();
    if (raised) std::rethrow_exception(raised);
    return end;
}
