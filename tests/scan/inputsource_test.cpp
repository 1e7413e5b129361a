#include "scan/inputsource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scan/inputformat.h"
#include "scan/outputsink.h"
#include "test_paths.h"

namespace {

// `n` small games, each starting with its tag section.
std::string games(int n) {
    std::string text;
    for (int i = 1; i <= n; i++) {
        text += "[Event \"Game " + std::to_string(i) + "\"]\n[Result \"1-0\"]\n\n";
        for (int m = 1; m <= 40; m++) text += std::to_string(m) + ".Nf3 Nf6 2.Ng1 Ng8 ";
        text += "1-0\n\n";
    }
    return text;
}

// Writes `text` through the games' output under `name` (compressed by its
// ending) and returns the file's bytes.
std::string compress(const std::string& text, const std::string& name) {
    std::string path = scratchDir() + "/" + name;
    FILE* out = openGamesOutput(path.c_str());
    EXPECT_NE(out, nullptr);
    if (out == nullptr) return "";
    fwrite(text.data(), 1, text.size(), out);
    EXPECT_EQ(fclose(out), 0);
    return readFile(path);
}

struct Read {
    std::string text;
    std::string damage;
    std::string refusal;
};

// Everything a reader gets from a file holding `bytes`.
Read readAll(const std::string& bytes) {
    std::string path = scratchDir() + "/input";
    writeFile(path, bytes);
    std::unique_ptr<InputSource> source = InputSource::open(path.c_str());
    Read read;
    if (source == nullptr) return read;
    read.refusal = source->refusal();
    if (!read.refusal.empty()) return read;
    char buffer[5000];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, source->stream())) > 0) read.text.append(buffer, n);
    read.damage = source->damage();
    return read;
}

TEST(InputFormat, TellsFormatsAndTextFromTheFirstBytes) {
    struct Case {
        std::string head;
        Compression compression;
        const char* reason;  // prefix of the refusal, "" for text
    } cases[] = {
        {"\x1F\x8B\x08", Compression::Gzip, ""},
        {"\x28\xB5\x2F\xFD", Compression::Zstd, ""},
        {std::string("\x50\x2A\x4D\x18\0\0\0\0", 8), Compression::Zstd, ""},
        {"BZh9", Compression::Bzip2, ""},
        {"BZhx", Compression::None, ""},
        {std::string("\xFD"
                     "7zXZ\0",
                     6),
         Compression::Xz, ""},
        {"PK\x03\x04", Compression::None, "a zip archive"},
        {"7z\xBC\xAF\x27\x1C", Compression::None, "a 7z archive"},
        {"Rar!\x1A\x07\x01", Compression::None, "a rar archive"},
        {std::string(257, 'x') + "ustar", Compression::None, "a tar archive"},
        {std::string("[Event \"a\"]\0", 12), Compression::None, "binary data"},
        {"\xFF\xFE[\0", Compression::None, "UTF-16 text"},
        {"\x04\x22\x4D\x18", Compression::None, "lz4-compressed"},
        {"\xEF\xBB\xBF[Event \"\xC3\xA9\"]\r\n", Compression::None, ""},
        {"[Event \"\xE9t\xE9\"]\n1.e4 e5\x1A", Compression::None, ""},
        {"", Compression::None, ""},
        {"[Event \"x\"]\x01\x02\n", Compression::None, "binary data"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compressionOf(c.head.data(), c.head.size()), c.compression) << c.head;
        // Compressed bytes are judged once decoded.
        if (c.compression != Compression::None) continue;
        std::string reason = nonTextReason(c.head.data(), c.head.size());
        EXPECT_EQ(reason.substr(0, strlen(c.reason)), c.reason) << c.head;
        if (*c.reason == '\0') {
            EXPECT_EQ(reason, "") << c.head;
        }
    }
}

// Over the decoder's chunks and across their boundaries, the reader gets the
// text byte for byte, as from the plain file.
TEST(InputSource, DecodesWholeFilesOfEveryWrittenFormat) {
    std::string text = games(4000);  // about 3 MB
    ASSERT_GT(text.size(), 2u << 20);
    for (const char* name : {"g.pgn.gz", "g.pgn.zst", "g.pgn"}) {
        Read read = readAll(compress(text, name));
        EXPECT_EQ(read.refusal, "") << name;
        EXPECT_TRUE(read.text == text) << name << ": " << read.text.size() << " bytes read";
        EXPECT_EQ(read.damage, "") << name;
    }
}

// Wherever a compressed file is cut, the reader gets whole games only, those
// before the last one that the cut reached, and then learns of the damage.
TEST(InputSource, CutFilesGiveTheWholeGamesBeforeTheCut) {
    std::string text = games(300);
    for (const char* name : {"c.pgn.gz", "c.pgn.zst"}) {
        std::string whole = compress(text, name);
        for (size_t cut = 10; cut < whole.size(); cut += whole.size() / 23) {
            Read read = readAll(whole.substr(0, cut));
            EXPECT_EQ(read.damage, "is truncated") << name << " cut at " << cut;
            EXPECT_EQ(text.compare(0, read.text.size(), read.text), 0) << name << " " << cut;
            EXPECT_LT(read.text.size(), text.size());
            // It ends where a game starts.
            if (!read.text.empty()) {
                EXPECT_EQ(text.compare(read.text.size(), 7, "[Event "), 0) << name << " " << cut;
            }
        }
        // Bytes past the end of the stream are damage too.
        Read read = readAll(whole + "trailing");
        EXPECT_NE(read.damage.find("is damaged ("), std::string::npos) << name;
    }
}

TEST(InputSource, RefusesBinaryContentInsideACompressedFile) {
    Read read = readAll(compress(std::string(100000, '\0'), "z.gz"));
    EXPECT_EQ(read.refusal, "binary data, not PGN text");
}

// A reader that stops early (a last game number, an interruption) leaves a
// decoder that is waiting for room; closing the source stops it.
TEST(InputSource, ClosesWhileTheDecoderWaits) {
    std::string path = scratchDir() + "/big.zst";
    writeFile(path, compress(games(20000), "big.zst"));
    for (int i = 0; i < 5; i++) {
        std::unique_ptr<InputSource> source = InputSource::open(path.c_str());
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(fgetc(source->stream()), '[');
        EXPECT_EQ(source->damage(), "");
    }
}

TEST(InputSource, NamesStandardInputAndRefusesDirectories) {
    EXPECT_EQ(InputSource::open(scratchDir().c_str()), nullptr);
    EXPECT_EQ(InputSource::open("/no/such/file.pgn"), nullptr);
}

}  // namespace
