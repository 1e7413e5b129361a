#include "scan/inputformat.h"

#include <cstring>

namespace {

bool startsWith(const char* data, size_t size, const char* magic, size_t length, size_t at = 0) {
    return size >= at + length && memcmp(data + at, magic, length) == 0;
}

struct Signature {
    const char* magic;
    size_t length;
    size_t at;
    const char* what;
};

// Archives hold files rather than a text: the user must pick the one wanted.
// Compressions read by other tools only come next.
const Signature kRefused[] = {
    {"PK\x03\x04", 4, 0, "a zip archive, not PGN text: extract the .pgn file first"},
    {"PK\x05\x06", 4, 0, "a zip archive, not PGN text: extract the .pgn file first"},
    {"PK\x07\x08", 4, 0, "a zip archive, not PGN text: extract the .pgn file first"},
    {"7z\xBC\xAF\x27\x1C", 6, 0, "a 7z archive, not PGN text: extract the .pgn file first"},
    {"Rar!\x1A\x07", 6, 0, "a rar archive, not PGN text: extract the .pgn file first"},
    {"ustar", 5, 257, "a tar archive, not PGN text: extract the .pgn file first"},
    {"\x04\x22\x4D\x18", 4, 0,
     "lz4-compressed, not PGN text: decompress it first, or compress it with zstd, gzip, "
     "bzip2 or xz"},
    {"LZIP", 4, 0,
     "lzip-compressed, not PGN text: decompress it first, or compress it with zstd, gzip, "
     "bzip2 or xz"},
    {"\x1F\x9D", 2, 0,
     "compressed with compress, not PGN text: decompress it first, or compress it with zstd, "
     "gzip, bzip2 or xz"},
    {"\xFF\xFE", 2, 0, "UTF-16 text, not PGN text: save it as UTF-8 or Latin-1"},
    {"\xFE\xFF", 2, 0, "UTF-16 text, not PGN text: save it as UTF-8 or Latin-1"},
};

// Bytes that no text encoding puts in a text: C0 controls other than tab,
// line feed, vertical tab, form feed, carriage return and the DOS end-of-file
// mark, and DEL.
bool isControl(unsigned char c) {
    if (c >= 0x20) return c == 0x7F;
    return c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != 0x1A;
}

}  // namespace

Compression compressionOf(const char* data, size_t size) {
    if (startsWith(data, size, "\x1F\x8B", 2)) return Compression::Gzip;
    if (startsWith(data, size, "\x28\xB5\x2F\xFD", 4)) return Compression::Zstd;
    // A zstd file may start with a skippable frame: magic 0x184D2A50 to 5F.
    if (size >= 4 && (static_cast<unsigned char>(data[0]) & 0xF0) == 0x50 &&
        startsWith(data + 1, size - 1, "\x2A\x4D\x18", 3))
        return Compression::Zstd;
    if (startsWith(data, size, "BZh", 3) && size >= 4 && data[3] >= '1' && data[3] <= '9')
        return Compression::Bzip2;
    if (startsWith(data, size,
                   "\xFD"
                   "7zXZ\0",
                   6))
        return Compression::Xz;
    return Compression::None;
}

const char* compressionName(Compression compression) {
    switch (compression) {
        case Compression::Gzip:
            return "gzip";
        case Compression::Zstd:
            return "zstd";
        case Compression::Bzip2:
            return "bzip2";
        case Compression::Xz:
            return "xz";
        case Compression::None:
            break;
    }
    return "plain";
}

std::string nonTextReason(const char* data, size_t size) {
    for (const Signature& s : kRefused)
        if (startsWith(data, size, s.magic, s.length, s.at)) return s.what;
    if (size > kSniffSize) size = kSniffSize;
    if (memchr(data, '\0', size) != nullptr) return "binary data, not PGN text";
    size_t controls = 0;
    for (size_t i = 0; i < size; i++) controls += isControl(static_cast<unsigned char>(data[i]));
    // A stray control byte or two is damage a text may carry; many are not text.
    if (controls * 10 > size) return "binary data, not PGN text";
    return "";
}
