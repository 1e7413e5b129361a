#include "core/mfile.h"

#include <gtest/gtest.h>

#include <string>

#include "test_paths.h"

namespace {

std::string readAll(MFile& f) {
    std::string out;
    for (int ch = f.ReadOneByte(); ch != -1; ch = f.ReadOneByte()) out.push_back(char(ch));
    return out;
}

}  // namespace

TEST(MFile, ReadsEveryByteAcrossBufferRefills) {
    // Longer than two buffers, with every byte value, so that refills and
    // bytes above 127 (returned as 128..255, never as -1) are both covered.
    std::string text;
    for (size_t i = 0; i < 2 * MFile::BUFFER_SIZE + 1234; ++i) text.push_back(char(i * 7 % 256));
    std::string path = scratchDir() + "/big.pgn";
    writeFile(path, text);

    MFile f;
    ASSERT_EQ(f.Open(path.c_str(), FMODE_ReadOnly), OK);
    EXPECT_STREQ(f.GetFileName(), path.c_str());
    EXPECT_EQ(f.Location(), 0u);
    EXPECT_FALSE(f.EndOfFile());
    EXPECT_EQ(readAll(f), text);
    EXPECT_EQ(f.Location(), text.size());
    EXPECT_TRUE(f.EndOfFile());
    EXPECT_EQ(f.ReadOneByte(), -1);
}

TEST(MFile, EndOfFileOnlyWhenNothingIsLeft) {
    std::string path = scratchDir() + "/ab.pgn";
    writeFile(path, "ab");
    MFile f;
    ASSERT_EQ(f.Open(path.c_str(), FMODE_ReadOnly), OK);
    EXPECT_FALSE(f.EndOfFile());
    EXPECT_EQ(f.ReadOneByte(), 'a');
    EXPECT_FALSE(f.EndOfFile());
    EXPECT_EQ(f.Location(), 1u);
    EXPECT_EQ(f.ReadOneByte(), 'b');
    EXPECT_TRUE(f.EndOfFile());

    std::string empty = scratchDir() + "/empty.pgn";
    writeFile(empty, "");
    MFile g;
    ASSERT_EQ(g.Open(empty.c_str(), FMODE_ReadOnly), OK);
    EXPECT_TRUE(g.EndOfFile());
    EXPECT_EQ(g.ReadOneByte(), -1);
}

TEST(MFile, RefusesCompressedFilesWithoutTouchingThem) {
    std::string path = scratchDir() + "/games.pgn.gz";
    writeFile(path, "[Event \"x\"]\n");
    MFile f;
    EXPECT_EQ(f.Open(path.c_str(), FMODE_ReadOnly), ERROR_FileOpen);
    EXPECT_EQ(f.Open(path.c_str(), FMODE_WriteOnly), ERROR_FileOpen);
    EXPECT_EQ(readFile(path), "[Event \"x\"]\n");
    // Only the last suffix counts.
    std::string plain = scratchDir() + "/games.gz.pgn";
    writeFile(plain, "x");
    EXPECT_EQ(f.Open(plain.c_str(), FMODE_ReadOnly), OK);
}

TEST(MFile, ReportsOpenFailures) {
    MFile f;
    std::string missing = scratchDir() + "/missing.pgn";
    EXPECT_EQ(f.Open(missing.c_str(), FMODE_ReadOnly), ERROR_FileOpen);
    EXPECT_EQ(f.Open(missing.c_str(), FMODE_None), ERROR_FileMode);
    EXPECT_EQ(f.ReadOneByte(), -1);
    EXPECT_TRUE(f.EndOfFile());
}

// A directory opens as a stream on some systems and fails only when read; it
// must not pass for an empty file, and the file stays usable afterwards.
TEST(MFile, RefusesDirectoriesAndKeepsWorking) {
    MFile f;
    std::string dir = scratchDir();
    EXPECT_EQ(f.Open(dir.c_str(), FMODE_ReadOnly), ERROR_FileOpen);
    EXPECT_EQ(f.ReadOneByte(), -1);
    EXPECT_TRUE(f.EndOfFile());

    std::string path = dir + "/after.pgn";
    writeFile(path, "1. e4");
    ASSERT_EQ(f.Open(path.c_str(), FMODE_ReadOnly), OK);
    EXPECT_EQ(readAll(f), "1. e4");
}

TEST(MFile, ReadsMemoryInPlace) {
    const char data[] = "1.e4\0e5";
    MFile f;
    f.OpenMemory(data, sizeof data - 1, "memory");
    EXPECT_EQ(f.GetType(), MFILE_MEMORY);
    EXPECT_STREQ(f.GetFileName(), "memory");
    EXPECT_EQ(readAll(f), std::string(data, sizeof data - 1));
    EXPECT_TRUE(f.EndOfFile());
    EXPECT_EQ(f.Location(), sizeof data - 1);
}
