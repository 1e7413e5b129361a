#include "scan/outputsink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// The games' own descriptor once standard output is reserved for them.
int gamesDescriptor = -1;

constexpr size_t kCompressedBuffer = 256 * 1024;
constexpr int kGzipLevel = 6;  // the usual default of gzip and zlib
constexpr int kZstdLevel = 3;  // the usual default of zstd

bool endsWith(const char* name, const char* suffix) {
    size_t n = strlen(name), m = strlen(suffix);
    return n > m && strcmp(name + n - m, suffix) == 0;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// A compressor behind a stdio stream: the writer's bytes go in, compressed
// bytes go to the file as its buffer fills.
class Compressor {
  public:
    explicit Compressor(int fd) : fd(fd), buffer(kCompressedBuffer) {}
    virtual ~Compressor() = default;

    // Takes all of `data`; false on failure, errno set.
    virtual bool put(const char* data, size_t size) = 0;
    // Ends the stream and writes what is left; false on failure.
    virtual bool finish() = 0;

    static ssize_t cookieWrite(void* cookie, const char* data, size_t size) {
        // A stream that failed once stays failed.
        auto* self = static_cast<Compressor*>(cookie);
        if (self->error == 0 && !self->put(data, size)) self->error = errno != 0 ? errno : EIO;
        if (self->error != 0) {
            errno = self->error;
            return 0;
        }
        return ssize_t(size);
    }
    static int cookieClose(void* cookie) {
        auto* self = static_cast<Compressor*>(cookie);
        if (self->error == 0 && !self->finish()) self->error = errno != 0 ? errno : EIO;
        int error = self->error;
        if (close(self->fd) != 0 && error == 0) error = errno;
        delete self;
        if (error == 0) return 0;
        errno = error;
        return -1;
    }

  protected:
    int fd;
    std::vector<char> buffer;
    int error = 0;  // errno of the first failure
};

class GzipCompressor : public Compressor {
  public:
    explicit GzipCompressor(int fd) : Compressor(fd) {
        ready = deflateInit2(&stream, kGzipLevel, Z_DEFLATED, 16 + MAX_WBITS, 8,
                             Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~GzipCompressor() override {
        if (ready) deflateEnd(&stream);
    }
    bool ok() const { return ready; }

    bool put(const char* data, size_t size) override { return run(data, size, Z_NO_FLUSH); }
    bool finish() override { return run(nullptr, 0, Z_FINISH); }

  private:
    bool run(const char* data, size_t size, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream.avail_in = static_cast<uInt>(size);
        while (true) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            int status = deflate(&stream, flush);
            if (status == Z_STREAM_ERROR) {
                errno = EIO;
                return false;
            }
            size_t made = buffer.size() - stream.avail_out;
            if (!writeAll(fd, buffer.data(), made)) return false;
            if (flush == Z_FINISH ? status == Z_STREAM_END
                                  : stream.avail_in == 0 && stream.avail_out != 0)
                return true;
        }
    }

    z_stream stream = {};
    bool ready = false;
};

class ZstdCompressor : public Compressor {
  public:
    explicit ZstdCompressor(int fd) : Compressor(fd), context(ZSTD_createCCtx()) {
        if (context != nullptr)
            ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, kZstdLevel);
    }
    ~ZstdCompressor() override { ZSTD_freeCCtx(context); }
    bool ok() const { return context != nullptr; }

    bool put(const char* data, size_t size) override { return run(data, size, ZSTD_e_continue); }
    bool finish() override { return run(nullptr, 0, ZSTD_e_end); }

  private:
    bool run(const char* data, size_t size, ZSTD_EndDirective mode) {
        ZSTD_inBuffer in = {data, size, 0};
        while (true) {
            ZSTD_outBuffer out = {buffer.data(), buffer.size(), 0};
            size_t left = ZSTD_compressStream2(context, &out, &in, mode);
            if (ZSTD_isError(left)) {
                errno = EIO;
                return false;
            }
            if (!writeAll(fd, buffer.data(), out.pos)) return false;
            if (mode == ZSTD_e_end ? left == 0 : in.pos == in.size) return true;
        }
    }

    ZSTD_CCtx* context;
};

template <class C>
FILE* compressed(int fd) {
    auto* compressor = new C(fd);
    FILE* stream = nullptr;
    if (compressor->ok()) {
        cookie_io_functions_t functions = {nullptr, Compressor::cookieWrite, nullptr,
                                           Compressor::cookieClose};
        stream = fopencookie(compressor, "w", functions);
    }
    if (stream == nullptr) {
        delete compressor;
        close(fd);
        errno = ENOMEM;
    }
    return stream;
}

// The file behind a name as this run uses it.
bool identify(const char* name, int standardFd, struct stat& info) {
    if (strcmp(name, "-") == 0) return standardFd >= 0 && fstat(standardFd, &info) == 0;
    return stat(name, &info) == 0;
}

}  // namespace

void reserveStandardOutput() {
    if (gamesDescriptor >= 0) return;
    fflush(stdout);
    gamesDescriptor = fcntl(1, F_DUPFD_CLOEXEC, 3);
    if (gamesDescriptor >= 0) dup2(2, 1);
}

FILE* openGamesOutput(const char* name) {
    if (strcmp(name, "-") == 0) {
        reserveStandardOutput();
        if (gamesDescriptor < 0) return nullptr;
        int fd = dup(gamesDescriptor);
        return fd < 0 ? nullptr : fdopen(fd, "w");
    }
    int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    if (endsWith(name, ".gz")) return compressed<GzipCompressor>(fd);
    if (endsWith(name, ".zst")) return compressed<ZstdCompressor>(fd);
    FILE* stream = fdopen(fd, "w");
    if (stream == nullptr) close(fd);
    return stream;
}

bool sameFile(const char* output, const char* input) {
    // A terminal or a pipe may well serve both ways; only a file is overwritten.
    struct stat a, b;
    return identify(output, gamesDescriptor >= 0 ? gamesDescriptor : 1, a) &&
           identify(input, 0, b) && S_ISREG(a.st_mode) && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}
