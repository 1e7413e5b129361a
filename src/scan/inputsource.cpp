#include "scan/inputsource.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scan/batchreader.h"
#include "scan/decoder.h"

namespace {

// Decoded text travels in chunks of this size, at most kQueuedChunks of them
// waiting for the reader: the memory of the decoding, whatever the input.
constexpr size_t kChunkSize = 256 * 1024;
constexpr size_t kQueuedChunks = 8;
// A chunk grows until it holds the start of a later game, up to this size:
// only whole games are passed on before damage (a longer game is no game).
constexpr size_t kHoldLimit = 1024 * 1024;
constexpr size_t kReadSize = 256 * 1024;
constexpr int kPipeSize = 1024 * 1024;
// How often a decoder waiting for input looks whether the reader has gone.
constexpr int kPollMilliseconds = 100;

// The damage of an input whose read failed with `errnum`.
std::string unreadable(int errnum) {
    return std::string("could not be read to its end (") + strerror(errnum) + ")";
}

}  // namespace

InputSource::InputSource(int fd, const char* name) : fd(fd), shown(name) {
    if (shown == "-") shown = "standard input";
}

std::unique_ptr<InputSource> InputSource::open(const char* name) {
    int fd = strcmp(name, "-") == 0 ? dup(0) : ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return nullptr;
    }
    return adopt(fd, name);
}

std::unique_ptr<InputSource> InputSource::adopt(int fd, const char* name) {
    std::unique_ptr<InputSource> source(new InputSource(fd, name));
    source->head.resize(kSniffSize);
    size_t got = 0;
    if (!source->readFully(source->head.data(), source->head.size(), got)) return nullptr;
    source->head.resize(got);
    source->format = compressionOf(source->head.data(), got);
    source->start();
    return source;
}

bool InputSource::readFully(char* buffer, size_t size, size_t& got) {
    got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += size_t(n);
    }
    return true;
}

void InputSource::start() {
    if (format == Compression::None) {
        refused = nonTextReason(head.data(), head.size());
    } else {
        decoder = Decoder::create(format);
        producer = std::thread([this] { decodeAll(); });
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return judged; });
    }
    if (!refused.empty()) return;
    cookie_io_functions_t functions = {cookieRead, nullptr, nullptr, cookieClose};
    text = fopencookie(this, "r", functions);
}

InputSource::~InputSource() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    // A pump writing to a pipe nobody reads fails, and ends.
    if (pipeEnd >= 0) close(pipeEnd);
    if (pumper.joinable()) pumper.join();
    if (producer.joinable()) producer.join();
    if (text != nullptr) fclose(text);
    close(fd);
}

int InputSource::descriptor() {
    struct stat info;
    if (format == Compression::None && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        lseek(fd, 0, SEEK_SET) == 0)
        return fd;
    if (pipeEnd >= 0) return pipeEnd;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return -1;
    // A larger pipe takes a reader's whole request in fewer calls.
    fcntl(ends[1], F_SETPIPE_SZ, kPipeSize);
    pipeEnd = ends[0];
    pumper = std::thread([this, out = ends[1]] { pump(out); });
    return pipeEnd;
}

void InputSource::pump(int out) {
    // A closed pipe must fail the write, not end the process.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::vector<char> buffer(kReadSize);
    while (true) {
        ssize_t n = read(buffer.data(), buffer.size());
        if (n <= 0) break;
        const char* data = buffer.data();
        while (n > 0) {
            ssize_t written = write(out, data, size_t(n));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                close(out);
                return;
            }
            data += written;
            n -= written;
        }
    }
    close(out);
}

void InputSource::readFailed(int errnum) {
    std::lock_guard<std::mutex> lock(mutex);
    if (damageFound.empty()) damageFound = unreadable(errnum);
    ended = true;
}

std::string InputSource::damage() const {
    std::lock_guard<std::mutex> lock(mutex);
    return ended ? damageFound : std::string();
}

void InputSource::judge(const char* data, size_t size) {
    std::lock_guard<std::mutex> lock(mutex);
    if (judged) return;
    refused = nonTextReason(data, size);
    judged = true;
    changed.notify_all();
}

ssize_t InputSource::readInput(char* buffer, size_t size) {
    while (true) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) return 0;
        }
        pollfd ready = {fd, POLLIN, 0};
        int events = poll(&ready, 1, kPollMilliseconds);
        if (events == 0 || (events < 0 && errno == EINTR)) continue;
        ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

InputSource::Chunk InputSource::takeFree(size_t capacity) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return stopping || ready.size() < kQueuedChunks; });
    Chunk chunk;
    if (stopping) return chunk;
    if (!spare.empty()) {
        chunk = std::move(spare.back());
        spare.pop_back();
    }
    if (chunk.bytes.size() < capacity) chunk.bytes.resize(capacity);
    chunk.used = 0;
    return chunk;
}

InputSource::Chunk InputSource::publish(Chunk chunk) {
    size_t cut = BatchReader::lastCut(chunk.bytes.data(), chunk.used);
    if (cut == 0 && chunk.bytes.size() < kHoldLimit) {
        chunk.bytes.resize(chunk.bytes.size() * 2);
        return chunk;
    }
    if (cut == 0) cut = chunk.used;
    size_t tail = chunk.used - cut;
    Chunk next = takeFree(tail + kChunkSize);
    if (next.bytes.empty()) return next;
    memcpy(next.bytes.data(), chunk.bytes.data() + cut, tail);
    next.used = tail;
    chunk.used = cut;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ready.push_back(std::move(chunk));
    }
    changed.notify_all();
    return next;
}

void InputSource::finishProducing(const std::string& damage) {
    std::lock_guard<std::mutex> lock(mutex);
    damageFound = damage;
    produced = true;
    judged = true;
    changed.notify_all();
}

void InputSource::decodeAll() {
    std::vector<char> input(kReadSize);
    const char* in = head.data();
    size_t inLeft = head.size();
    bool inputEnded = false;
    bool headJudged = false;
    std::string damage;
    Chunk chunk = takeFree(kChunkSize);
    while (!chunk.bytes.empty()) {
        if (inLeft == 0 && !inputEnded) {
            ssize_t n = readInput(input.data(), input.size());
            if (n < 0) {
                damage = unreadable(errno);
                break;
            }
            inputEnded = n == 0;
            in = input.data();
            inLeft = size_t(n);
        }
        bool finish = inputEnded && inLeft == 0;
        size_t consumed = 0, made = 0;
        if (!decoder->decode(in, inLeft, consumed, chunk.bytes.data() + chunk.used,
                             chunk.bytes.size() - chunk.used, made, finish)) {
            damage = std::string("is damaged (") + compressionName(format) + ": " +
                     decoder->damage() + ")";
            break;
        }
        if (!finish && consumed == 0 && made == 0) {
            damage = std::string("is damaged (") + compressionName(format) + ": no progress)";
            break;
        }
        in += consumed;
        inLeft -= consumed;
        chunk.used += made;
        if (finish && made == 0) {
            if (!decoder->complete()) damage = "is truncated";
            break;
        }
        if (!headJudged && chunk.used >= kSniffSize) {
            judge(chunk.bytes.data(), chunk.used);
            headJudged = true;
            if (!refused.empty()) break;
        }
        if (chunk.used == chunk.bytes.size()) chunk = publish(std::move(chunk));
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping) {
            produced = judged = true;
            changed.notify_all();
            return;
        }
    }
    if (!headJudged) judge(chunk.bytes.data(), chunk.used);
    if (refused.empty()) {
        // Past damage, the last game begun may be cut short: it stays out.
        if (!damage.empty()) chunk.used = BatchReader::lastCut(chunk.bytes.data(), chunk.used);
        std::lock_guard<std::mutex> lock(mutex);
        if (chunk.used > 0) ready.push_back(std::move(chunk));
    }
    finishProducing(damage);
}

ssize_t InputSource::readPlain(char* buffer, size_t size) {
    if (headPos < head.size()) {
        size_t n = std::min(size, head.size() - headPos);
        memcpy(buffer, head.data() + headPos, n);
        headPos += n;
        return ssize_t(n);
    }
    while (true) {
        ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::lock_guard<std::mutex> lock(mutex);
            if (n < 0) damageFound = unreadable(errno);
            ended = true;
        }
        return n;
    }
}

ssize_t InputSource::read(char* buffer, size_t size) {
    if (format == Compression::None) return readPlain(buffer, size);
    if (readPos == reading.used) {
        std::unique_lock<std::mutex> lock(mutex);
        if (!reading.bytes.empty()) spare.push_back(std::move(reading));
        reading = Chunk();
        readPos = 0;
        changed.wait(lock, [this] { return !ready.empty() || produced || stopping; });
        if (stopping) return 0;
        if (ready.empty()) {
            ended = true;
            if (damageFound.empty()) return 0;
            errno = EIO;
            return -1;
        }
        reading = std::move(ready.front());
        ready.pop_front();
        changed.notify_all();
    }
    size_t n = std::min(size, reading.used - readPos);
    memcpy(buffer, reading.bytes.data() + readPos, n);
    readPos += n;
    return ssize_t(n);
}

ssize_t InputSource::cookieRead(void* cookie, char* buffer, size_t size) {
    return static_cast<InputSource*>(cookie)->read(buffer, size);
}

int InputSource::cookieClose(void*) {
    return 0;
}
