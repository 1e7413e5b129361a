// Every PGN file of the shared corpus, real games and deliberately broken
// ones, is read to its end, and the reader finds as many games as an
// independent count of the file's text says there are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == static_cast<char>(0xA0);
}

// Counts games by the reader's rule, on whole lines: a game starts at a tag
// line (first non-blank character "[") that follows move text or the start
// of the file, or that names a tag its header already has (a header without
// moves is a game). Lines inside a brace comment belong to the move text even
// when they start with "[", and lines starting with "%" or ";" are neither
// tags nor move text. This ignores what the tokenizer does inside a line,
// which is exactly why it is an independent check of how the reader splits
// games.
int countGames(const std::string& text) {
    int games = 0;
    bool afterText = true;
    bool inBrace = false;
    std::set<std::string> header;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;

        if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        if (first == line.size()) continue;
        char c = line[first];
        if (!inBrace && c == '[') {
            size_t nameStart = line.find_first_not_of(" \t", first + 1);
            if (nameStart == std::string::npos) nameStart = line.size();
            size_t nameEnd = line.find_first_of(" \t", nameStart);
            if (nameEnd == std::string::npos) nameEnd = line.size();
            std::string name = line.substr(nameStart, nameEnd - nameStart);
            if (afterText || (!name.empty() && header.count(name) > 0)) {
                ++games;
                header.clear();
            }
            if (!name.empty()) header.insert(name);
            afterText = false;
            continue;
        }
        if (!inBrace && (c == '%' || c == ';')) continue;
        afterText = true;
        for (size_t i = first; i < line.size(); ++i) {
            if (inBrace) {
                if (line[i] == '}') inBrace = false;
            } else if (line[i] == '{') {
                inBrace = true;
            } else if (line[i] == ';') {
                break;
            }
        }
    }
    return games;
}

// Visits every position of the game the way the match loop does.
uint32_t walk(Game& g) {
    uint32_t positions = 1;
    for (uint32_t i = 0; i < g.GetNumVariations(); ++i) {
        if (g.MoveIntoVariation(i) != OK) return 0;
        positions += walk(g) - 1;
        if (g.MoveExitVariation() != OK) return 0;
    }
    if (g.AtVarEnd()) return positions;
    g.MoveForward();
    return positions + walk(g);
}

#ifdef __SANITIZE_ADDRESS__
// Under the sanitizers the 74 MB master file alone takes minutes; its games
// hold nothing (tags and plain moves) that the smaller files do not cover.
constexpr uintmax_t MAX_FILE_SIZE = 32u << 20;
#else
constexpr uintmax_t MAX_FILE_SIZE = UINTMAX_MAX;
#endif

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    for (const char* dir : {"dev", "edge", "debian"}) {
        std::string root = dataPath(dir);
        if (root.empty()) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().extension() == ".pgn" &&
                entry.file_size() <= MAX_FILE_SIZE) {
                files.push_back(entry.path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(PgnCorpusCounter, FollowsTheReadersRule) {
    EXPECT_EQ(countGames(""), 0);
    EXPECT_EQ(countGames("1. e4 *\n"), 0);
    EXPECT_EQ(countGames("[A \"1\"]\n[B \"2\"]\n\n1. e4 *\n\n[A \"3\"]\n1. d4\n"), 2);
    EXPECT_EQ(countGames("[A \"1\"]\n\n[B \"2\"]\n% x\n[C \"3\"]\n\n*"), 1);
    // A tag the header already has starts the next game.
    EXPECT_EQ(countGames("[A \"1\"]\n\n[A \"2\"]\n% x\n[B \"3\"]\n[A \"4\"]\n\n*"), 3);
    EXPECT_EQ(countGames("[A \"1\"]\r\n\r\n1. e4 {\r\n[note]\r\n} *\r\n[A \"2\"]\r\n"), 2);
    EXPECT_EQ(countGames("\xEF\xBB\xBF[A \"1\"]\n1. e4 ; {\n[A \"2\"]\n"), 2);
}

TEST(PgnCorpus, EveryFileIsReadToItsEndWithEveryGame) {
    std::vector<std::string> files = corpusFiles();
    SKIP_WITHOUT_DATA(dataPath("dev"));
    Game game;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        MFile file;
        ASSERT_EQ(file.Open(path.c_str(), FMODE_ReadOnly), OK);
        PgnParser parser(&file);
        int games = 0;
        while (parser.ParseGame(&game) != ERROR_NotFound) {
            ++games;
            game.MoveToPly(0);
            ASSERT_GT(walk(game), 0u);
            game.MoveToPly(0);
            ASSERT_TRUE(game.GetCurrentPos()->IsConsistent());
        }
        EXPECT_TRUE(file.EndOfFile());
        EXPECT_EQ(games, countGames(readFile(path)));
    }
}
