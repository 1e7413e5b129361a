// The reader of a parallel scan: cuts the PGN input into batches of whole
// lines, each starting where a game certainly may start, for workers that
// read each batch with a reader of their own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// Bytes read into storage that is not cleared first: the read fills it.
template <class T>
struct UnclearedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnclearedAllocator<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using Bytes = std::vector<char, UnclearedAllocator<char>>;

// A run of the input. Its first byte is the start of the input or a line
// starting with '[' that follows a line that does not; it ends at a line end
// unless it is the last. Whether the PGN reader really starts a game there is
// for the worker to confirm: see PgnParser::EndedOpen.
struct Batch {
    uint64_t index = 0;   // 0, 1, 2 ... in input order
    uint64_t offset = 0;  // of the first byte in the input
    Bytes bytes;
    bool last = false;  // nothing of the input follows
};

class BatchReader {
  public:
    // Reads the file descriptor `input` (kept open by the caller) in
    // batches of about `targetSize` bytes. A read that waits (a pipe) gives
    // up once `stop` is set, as if the input ended there.
    BatchReader(int input, size_t targetSize, const std::atomic<bool>& stop);

    // The next batch, or null after the last. Single consumer.
    std::shared_ptr<Batch> next();
    // The error (an errno value) of the read that ended the input early; 0
    // when the input was read to its end or the reading was stopped.
    int readError() const { return error; }

    // Where the last cut point of `data` lies: the start of a line beginning
    // with '[' whose previous non-blank line does not, at an offset of at
    // least `from` (at least 1); 0 when there is none. Lines end at LF, CR
    // or CRLF.
    static size_t lastCut(const char* data, size_t size, size_t from = 1);

  private:
    // lastCut for the lines that end with `end`.
    static size_t lastCutAfter(char end, const char* data, size_t size, size_t from);
    // Whether the last line before the one that ends at `lineEnd`, blank
    // lines skipped, begins with '['.
    static bool afterTagLine(const char* data, size_t lineEnd);

    // The storage of batches no longer used, for the next ones: the same few
    // megabytes serve the whole input.
    struct Spares {
        std::mutex mutex;
        std::vector<Bytes> buffers;
    };

    std::shared_ptr<Batch> newBatch();
    // Appends up to `n` bytes from the input; false at its end.
    bool fill(Bytes& bytes, size_t n);

    int input;
    size_t targetSize;
    const std::atomic<bool>& stop;
    std::shared_ptr<Spares> spares = std::make_shared<Spares>();
    Bytes carry;  // the part after the last cut
    uint64_t offset = 0;
    uint64_t index = 0;
    bool atEnd = false;
    bool done = false;
    int error = 0;
};
