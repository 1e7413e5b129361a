// What the first bytes of a game file say it is: one of the compressed
// formats the scan decodes, PGN text, or something it must refuse (an archive
// or other binary content) before any output is written.
#pragma once

#include <cstddef>
#include <string>

enum class Compression { None, Gzip, Zstd, Bzip2, Xz };

// The compression whose magic bytes start `data`; None when there are none.
// Six bytes are enough to tell.
Compression compressionOf(const char* data, size_t size);

// The name of a compression as users know it ("gzip", "zstd", ...).
const char* compressionName(Compression compression);

// Bytes of (decoded) input that decide whether it is text.
constexpr size_t kSniffSize = 64 * 1024;

// Why the first block of a (decoded) input is no PGN text, as the words that
// follow "NAME is ": "a zip archive, not PGN text: extract the .pgn file
// first". Empty for text: ASCII, Latin-1 or UTF-8, with or without a
// byte-order mark, any line ends.
std::string nonTextReason(const char* data, size_t size);
