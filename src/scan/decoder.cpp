#include "scan/decoder.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <climits>

namespace {

// The libraries count in 32-bit units; larger pieces go in several calls.
unsigned int clamp32(size_t n) {
    return n > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(n);
}

class ZstdDecoder : public Decoder {
  public:
    ZstdDecoder() : context(ZSTD_createDCtx()) {}
    ~ZstdDecoder() override { ZSTD_freeDCtx(context); }

    bool decode(const char* in, size_t inSize, size_t& consumed, char* out, size_t outSize,
                size_t& produced, bool) override {
        if (context == nullptr) {
            message = "out of memory";
            return false;
        }
        ZSTD_inBuffer input = {in, inSize, 0};
        ZSTD_outBuffer output = {out, outSize, 0};
        size_t hint = ZSTD_decompressStream(context, &output, &input);
        consumed = input.pos;
        produced = output.pos;
        if (ZSTD_isError(hint)) {
            message = ZSTD_getErrorName(hint);
            return false;
        }
        // 0: a frame is decoded and flushed whole; the next byte starts another.
        if (consumed > 0 || produced > 0) ended = hint == 0;
        return true;
    }
    bool complete() const override { return ended; }

  private:
    ZSTD_DCtx* context;
    bool ended = false;
};

class GzipDecoder : public Decoder {
  public:
    GzipDecoder() {
        // 16 + 15: a gzip header and trailer around the largest window.
        ready = inflateInit2(&stream, 16 + MAX_WBITS) == Z_OK;
    }
    ~GzipDecoder() override {
        if (ready) inflateEnd(&stream);
    }

    bool decode(const char* in, size_t inSize, size_t& consumed, char* out, size_t outSize,
                size_t& produced, bool) override {
        consumed = produced = 0;
        if (!ready) {
            message = "out of memory";
            return false;
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
        stream.avail_in = clamp32(inSize);
        stream.next_out = reinterpret_cast<Bytef*>(out);
        stream.avail_out = clamp32(outSize);
        int status = inflate(&stream, Z_NO_FLUSH);
        consumed = static_cast<size_t>(reinterpret_cast<const char*>(stream.next_in) - in);
        produced = static_cast<size_t>(reinterpret_cast<char*>(stream.next_out) - out);
        if (consumed > 0 || produced > 0) ended = false;
        if (status == Z_STREAM_END) {
            // Another member may follow, as in files joined with cat.
            ended = true;
            inflateReset(&stream);
            return true;
        }
        if (status == Z_OK || status == Z_BUF_ERROR) return true;
        message = stream.msg != nullptr ? stream.msg : "damaged data";
        return false;
    }
    bool complete() const override { return ended; }

  private:
    z_stream stream = {};
    bool ready = false;
    bool ended = false;
};

class Bzip2Decoder : public Decoder {
  public:
    Bzip2Decoder() { ready = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK; }
    ~Bzip2Decoder() override {
        if (ready) BZ2_bzDecompressEnd(&stream);
    }

    bool decode(const char* in, size_t inSize, size_t& consumed, char* out, size_t outSize,
                size_t& produced, bool) override {
        consumed = produced = 0;
        if (!ready) {
            message = "out of memory";
            return false;
        }
        stream.next_in = const_cast<char*>(in);
        stream.avail_in = clamp32(inSize);
        stream.next_out = out;
        stream.avail_out = clamp32(outSize);
        int status = BZ2_bzDecompress(&stream);
        consumed = static_cast<size_t>(stream.next_in - in);
        produced = static_cast<size_t>(stream.next_out - out);
        if (consumed > 0 || produced > 0) ended = false;
        if (status == BZ_STREAM_END) {
            // Parallel compressors write one stream per block of the input.
            ended = true;
            BZ2_bzDecompressEnd(&stream);
            stream = {};
            ready = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK;
            return true;
        }
        if (status == BZ_OK) return true;
        message = status == BZ_MEM_ERROR ? "out of memory" : "damaged data";
        return false;
    }
    bool complete() const override { return ended; }

  private:
    bz_stream stream = {};
    bool ready = false;
    bool ended = false;
};

class XzDecoder : public Decoder {
  public:
    XzDecoder() { ready = lzma_stream_decoder(&stream, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK; }
    ~XzDecoder() override { lzma_end(&stream); }

    bool decode(const char* in, size_t inSize, size_t& consumed, char* out, size_t outSize,
                size_t& produced, bool finish) override {
        consumed = produced = 0;
        if (!ready) {
            message = "out of memory";
            return false;
        }
        if (ended) return true;
        stream.next_in = reinterpret_cast<const uint8_t*>(in);
        stream.avail_in = inSize;
        stream.next_out = reinterpret_cast<uint8_t*>(out);
        stream.avail_out = outSize;
        lzma_ret status = lzma_code(&stream, finish ? LZMA_FINISH : LZMA_RUN);
        consumed = static_cast<size_t>(reinterpret_cast<const char*>(stream.next_in) - in);
        produced = static_cast<size_t>(reinterpret_cast<char*>(stream.next_out) - out);
        // Concatenated streams end only when told that no input follows.
        if (status == LZMA_STREAM_END) {
            ended = true;
            return true;
        }
        if (status == LZMA_OK) return true;
        // No progress: at the end of the input, a stream cut short.
        if (status == LZMA_BUF_ERROR) return true;
        switch (status) {
            case LZMA_MEM_ERROR:
            case LZMA_MEMLIMIT_ERROR:
                message = "out of memory";
                break;
            case LZMA_FORMAT_ERROR:
                message = "not in the xz format";
                break;
            case LZMA_OPTIONS_ERROR:
                message = "unsupported options";
                break;
            default:
                message = "damaged data";
                break;
        }
        return false;
    }
    bool complete() const override { return ended; }

  private:
    lzma_stream stream = LZMA_STREAM_INIT;
    bool ready = false;
    bool ended = false;
};

}  // namespace

std::unique_ptr<Decoder> Decoder::create(Compression compression) {
    switch (compression) {
        case Compression::Gzip:
            return std::make_unique<GzipDecoder>();
        case Compression::Zstd:
            return std::make_unique<ZstdDecoder>();
        case Compression::Bzip2:
            return std::make_unique<Bzip2Decoder>();
        case Compression::Xz:
            return std::make_unique<XzDecoder>();
        case Compression::None:
            break;
    }
    return nullptr;
}
