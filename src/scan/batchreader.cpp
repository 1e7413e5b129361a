#include "scan/batchreader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// How long a read waits for a pipe before it looks at the stop flag again.
constexpr int kPollMilliseconds = 100;
// Spare buffers kept at most; more are only in use while a batch is joined.
constexpr size_t kMaxSpares = 64;

}  // namespace

BatchReader::BatchReader(int input, size_t targetSize, const std::atomic<bool>& stop)
    : input(input), targetSize(targetSize == 0 ? 1 : targetSize), stop(stop) {}

size_t BatchReader::lastCut(const char* data, size_t size, size_t from) {
    // Nearly every file ends its lines with LF or CRLF; only a file with
    // CR-only line ends needs the second search.
    size_t cut = lastCutAfter('\n', data, size, from);
    return cut != 0 ? cut : lastCutAfter('\r', data, size, from);
}

size_t BatchReader::lastCutAfter(char end, const char* data, size_t size, size_t from) {
    if (from == 0) from = 1;
    // Scans backwards from the end: the search touches little more than the
    // last game of the batch. A cut point needs its own first byte, so the
    // last byte is no candidate's line end.
    size_t limit = size > 0 ? size - 1 : 0;
    while (limit > 0) {
        const void* found = memrchr(data, end, limit);
        if (found == nullptr) return 0;
        size_t lineEnd = static_cast<size_t>(static_cast<const char*>(found) - data);
        if (lineEnd + 1 < from) return 0;
        // A tag line before it, blank lines apart, means a tag section that
        // goes on: files with a blank line after every line have one.
        if (data[lineEnd + 1] == '[' && !afterTagLine(data, lineEnd)) return lineEnd + 1;
        limit = lineEnd;
    }
    return 0;
}

bool BatchReader::afterTagLine(const char* data, size_t lineEnd) {
    // The reader ends a line at LF, CR or CRLF, whatever the file's habit.
    while (true) {
        size_t lineStart = lineEnd;
        if (data[lineEnd] == '\n' && lineStart > 0 && data[lineStart - 1] == '\r') lineStart--;
        while (lineStart > 0 && data[lineStart - 1] != '\n' && data[lineStart - 1] != '\r')
            lineStart--;
        if (data[lineStart] != '\n' && data[lineStart] != '\r') return data[lineStart] == '[';
        if (lineStart == 0) return false;
        lineEnd = lineStart - 1;
    }
}

bool BatchReader::fill(Bytes& bytes, size_t n) {
    size_t old = bytes.size();
    bytes.resize(old + n);
    size_t got = 0;
    bool more = true;
    while (got < n) {
        struct pollfd ready = {input, POLLIN, 0};
        int polled = poll(&ready, 1, kPollMilliseconds);
        if (stop.load(std::memory_order_relaxed)) {
            more = false;
            break;
        }
        if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
        ssize_t r = read(input, bytes.data() + old + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        // A read error ends the input: the batches before it are scanned,
        // and the run reports the error afterwards, as for the single reader.
        if (r <= 0) {
            if (r < 0) error = errno;
            more = false;
            break;
        }
        got += size_t(r);
    }
    bytes.resize(old + got);
    return more;
}

std::shared_ptr<Batch> BatchReader::newBatch() {
    auto batch = std::make_unique<Batch>();
    {
        std::lock_guard<std::mutex> lock(spares->mutex);
        if (!spares->buffers.empty()) {
            batch->bytes.swap(spares->buffers.back());
            spares->buffers.pop_back();
        }
    }
    // A batch may outlive its reader: the store of spares lives as long as
    // the last batch.
    return std::shared_ptr<Batch>(batch.release(), [keep = spares](Batch* done) {
        {
            std::lock_guard<std::mutex> lock(keep->mutex);
            if (keep->buffers.size() < kMaxSpares) keep->buffers.push_back(std::move(done->bytes));
        }
        delete done;
    });
}

std::shared_ptr<Batch> BatchReader::next() {
    if (done) return nullptr;
    std::shared_ptr<Batch> batch = newBatch();
    batch->index = index++;
    batch->offset = offset;
    Bytes& bytes = batch->bytes;
    bytes.assign(carry.begin(), carry.end());
    carry.clear();
    // Only the bytes read since the last search can hold a new cut point.
    size_t searchFrom = 1;
    size_t want = targetSize;
    while (true) {
        if (!atEnd && bytes.size() < want) atEnd = !fill(bytes, want - bytes.size());
        size_t cut = lastCut(bytes.data(), bytes.size(), searchFrom);
        if (cut > 0) {
            carry.assign(bytes.begin() + static_cast<ptrdiff_t>(cut), bytes.end());
            bytes.resize(cut);
            break;
        }
        if (atEnd) {
            batch->last = true;
            done = true;
            break;
        }
        // No cut point yet: the batch grows by another target's worth.
        searchFrom = bytes.size();
        want = bytes.size() + targetSize;
    }
    offset += bytes.size();
    return batch;
}
