// The games' input from arbitrary bytes: the first byte picks how the rest
// reaches the reader: as a file of its own (fuzzed compressed bytes, or
// anything else), or as text wrapped in a valid gzip or zstd stream, whole
// or cut. A valid stream must give back its text exactly; any input must end
// without a crash, a hang or a sanitizer report, and what is read goes
// through the PGN reader.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "scan/inputsource.h"

namespace {

std::string gzip(const std::string& text) {
    z_stream s = {};
    if (deflateInit2(&s, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        __builtin_trap();
    std::string out(deflateBound(&s, text.size()) + 32, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = static_cast<uInt>(text.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    if (deflate(&s, Z_FINISH) != Z_STREAM_END) __builtin_trap();
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

std::string zstd(const std::string& text) {
    std::string out(ZSTD_compressBound(text.size()), '\0');
    size_t n = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 1);
    if (ZSTD_isError(n)) __builtin_trap();
    out.resize(n);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int mode = data[0] % 4;
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string bytes = rest;
    bool valid = false;
    if (mode == 1 || mode == 2) {
        bytes = mode == 1 ? gzip(rest) : zstd(rest);
        valid = true;
    } else if (mode == 3) {
        // A valid frame cut where the text's first byte says.
        bytes = zstd(rest);
        if (!rest.empty()) bytes.resize(bytes.size() * static_cast<uint8_t>(rest[0]) / 256);
    }

    int fd = memfd_create("input", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) __builtin_trap();
    lseek(fd, 0, SEEK_SET);
    std::unique_ptr<InputSource> source = InputSource::adopt(fd, "fuzz.pgn");
    if (source == nullptr || !source->refusal().empty()) return 0;

    MFile file;
    if (file.OpenStream(source->stream(), "fuzz.pgn") != OK) __builtin_trap();
    std::string text;
    while (true) {
        int c = file.ReadOneByte();
        if (c < 0) break;
        text.push_back(char(c));
    }
    if (valid && (text != rest || !source->damage().empty())) __builtin_trap();

    MFile memory;
    memory.OpenMemory(text.data(), text.size(), "fuzz.pgn");
    PgnParser parser(&memory);
    Game game;
    while (parser.ParseGame(&game) != ERROR_NotFound) game.MoveToPly(0);
    return 0;
}
