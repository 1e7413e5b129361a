#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "scan/batchreader.h"
#include "scan_capture.h"
#include "test_paths.h"

namespace {

TEST(BatchCut, LastCutPoint) {
    struct Case {
        const char* text;
        size_t cut;
    } cases[] = {
        {"", 0},
        {"[Event \"a\"]\n", 0},                           // the start is no cut
        {"1. e4 *\n\n[Event \"b\"]\n", 9},                // after a blank line
        {"1. e4 *\n[Event \"b\"]\n", 8},                  // after the move text
        {"[Event \"a\"]\n[Site \"b\"]\n", 0},             // inside a tag section
        {"1. e4 *\n\n[Event \"b\"]\n[Site \"c\"]\n", 9},  // the section's first line
        {"1. e4 *\r\n\r\n[Event \"b\"]\r\n", 11},         // CRLF
        {"1. e4 *\n\n[", 9},                              // a line just begun
        {"1. e4 *\n\n", 0},                               // nothing after the newline
        {"1. e4 *\n\n [Event \"b\"]\n", 0},               // not at the line's start
        {"\n[Event \"a\"]\n", 1},                         // after an empty first line
        {"{x\n[a]\n} *\n\n[b]\n[c]\n", 12},               // the last one wins
        {"1. e4 *\r\r[Event \"b\"]\r[Site \"c\"]\r", 9},  // CR alone
        {"[Event \"a\"]\r[Site \"b\"]\r", 0},             // CR alone, one section
        {"1. e4 *\r[Site \"b\"]\n[Round \"c\"]\n", 8},    // mixed line ends
        {"1. e4 *\n[Site \"b\"]\r\n[Round \"c\"]\r\n", 8},
        {"1. e4 *\n\n[Site \"b\"]\n\n[Round \"c\"]\n\n", 9},  // double-spaced
        {"1. e4 *\r\r[Site \"b\"]\r\r\n[Round \"c\"]\r\r\n", 9},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(BatchReader::lastCut(text.data(), text.size()), c.cut) << text;
    }
    std::string text = "a\n[b]\nc\n[d]\n";
    EXPECT_EQ(BatchReader::lastCut(text.data(), text.size(), 7), 8u);
    EXPECT_EQ(BatchReader::lastCut(text.data(), text.size(), 9), 0u);
}

// Fragments of PGN text with odd game boundaries; a text is a random run of
// them, with LF or CRLF line ends.
const std::vector<std::string> kFragments = {
    "[Event \"E\"]\n[Site \"S\"]\n[White \"Wa\"]\n[Black \"Ba\"]\n[Result \"1-0\"]\n\n"
    "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 1-0\n\n",
    "[Event \"Mate\"]\n[White \"Fool\"]\n\n1. f3 e5 2. g4 Qh4# 0-1\n\n",
    "[Event \"No result\"]\n\n1. d4 d5 2. c4\n",
    "1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n",  // no tags
    "[Event \"Comment\"]\n\n1. e4 {a comment\n[Event \"inside\"]\n} e5 *\n\n",
    "[Event \"Variation\"]\n\n1. e4 (1. d4\n[Event \"in a variation\"]\n d5) e5 *\n\n",
    "Some words between games, long enough to be wrapped when they become the "
    "comment before the first move of the next game that the reader finds\n",
    "%escaped line [Event \"no\"]\n",
    "; a line comment\n",
    "\n\n",
    "\xEF\xBB\xBF[Event \"Byte order mark\"]\n\n1. e4 *\n\n",
    "[Event \"Gap\"]\n\n[Site \"after a blank line\"]\n\n1. e4 e5 *\n\n",
    "[Event \"Twice\"]\n[Event \"again\"]\n1. e4 *\n",
    "[Event \"Same line\"]\n\n1. e4 1-0 [Event \"after the result\"]\n",
    "[Event \"Tight\"]\n1. d4 *\n[Event \"Next\"]\n1. c4 *\n",
    "[Event \"Escape\"]\n\n1. e4\n%[Event \"escaped\"]\ne5 1/2-1/2\n\n",
    "[Event \"Semicolon\"]\n\n1. e4 ; [Event \"rest of line\"]\n[Event \"x\"]\n",
    "[Event \"Deep\"]\n\n1. e4 (1. d4 (1. c4\n[Event \"deeper\"]\n) ) *\n",
    "  [Event \"Indented\"]\n\n1. e4 *\n",
    "[Event \"Open\"]\n\n1. e4 { never closed\n",
    "[Event \"Long\"]\n[White \"Wb\"]\n\n1. e4 {" + std::string(300, 'x') +
        " words words words words words words words words words words words words} e5 "
        "2. Nf3 Nc6 3. Bc4 Bc5 4. b4 Bxb4 5. c3 Ba5 6. d4 exd4 7. O-O d3 8. Qb3 Qf6 *\n\n",
};

std::string generatedText(std::mt19937& random) {
    std::uniform_int_distribution<size_t> pick(0, kFragments.size() - 1);
    std::uniform_int_distribution<int> count(1, 14);
    std::string text;
    for (int n = count(random); n > 0; n--) {
        size_t f = pick(random);
        // The unclosed comment swallows what follows: rarely.
        if (kFragments[f].find("never closed") != std::string::npos && random() % 4 != 0) continue;
        text += kFragments[f];
    }
    // Line ends LF, CRLF, CR alone, or a mixture of the three.
    int ends = static_cast<int>(random() % 6);
    if (ends >= 3) {
        std::string changed;
        for (char ch : text) {
            int end = ends == 5 ? static_cast<int>(random() % 3) : ends - 3;
            if (ch != '\n' || end == 0)
                changed += ch;
            else
                changed += end == 1 ? "\r\n" : "\r";
        }
        text = changed;
    }
    // The last game without its final newline.
    if (random() % 4 == 0)
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

const char* const kQueries[] = {
    "(match :pgn games.pgn :output out.pgn)",
    "(match :pgn games.pgn :output out.pgn (position :mate))",
    "(match :pgn games.pgn :output out.pgn :gamenumber 2 4)",
    "(match :pgn games.pgn :player Wb)",
};

// A read that fails ends the input and is told apart from its end, so that
// the run can fail instead of reporting the games before it as all there are.
TEST(BatchReader, TellsAReadErrorFromTheEnd) {
    const std::string path = scratchDir() + "/games.pgn";
    writeFile(path, "[Event \"e\"]\n\n1. e4 *\n");
    std::atomic<bool> stop{false};
    for (int mode : {O_RDONLY, O_WRONLY}) {
        int fd = open(path.c_str(), mode);
        ASSERT_GE(fd, 0);
        BatchReader reader(fd, 1 << 20, stop);
        while (reader.next() != nullptr) {
        }
        EXPECT_EQ(reader.readError(), mode == O_RDONLY ? 0 : EBADF);
        close(fd);
    }
}

// Every generated text, read by one reader and by four workers over batches
// of a few bytes (so that every possible cut is tried), with the records'
// numbers right away or always guessed wrong: the same output.
TEST(ParallelScan, OddBoundariesGiveTheSingleReadersOutput) {
    std::string dir = scratchDir();
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; round++) {
        std::string text = generatedText(random);
        writeFile(dir + "/games.pgn", text);
        for (const char* query : kQueries) {
            ScanSettings serial;
            CapturedScan expected = captureScan(dir, query, serial);
            ASSERT_EQ(expected.status, 0) << expected.out;
            for (size_t batch : {size_t(1), size_t(37), size_t(400)}) {
                for (bool wrong : {false, true}) {
                    ScanSettings parallel;
                    parallel.jobs = 4;
                    parallel.parallel.batchSize = batch;
                    parallel.parallel.guessWrong = wrong;
                    CapturedScan got = captureScan(dir, query, parallel);
                    ASSERT_EQ(got, expected)
                        << query << "\nbatch " << batch << " wrong " << wrong << "\ninput:\n"
                        << text << "\ngot:\n"
                        << got.out << "\nexpected:\n"
                        << expected.out;
                }
            }
        }
    }
}

// Many batches of real games, with three workers.
TEST(ParallelScan, RealGamesInSmallBatches) {
    std::string pgn = dataPath("dev/online-lichess.pgn");
    SKIP_WITHOUT_DATA(pgn);
    std::string dir = scratchDir();
    writeFile(dir + "/games.pgn", readFile(pgn));
    for (const char* query :
         {"(match :pgn games.pgn :output out.pgn (position :check))",
          "(match :pgn games.pgn :output out.pgn :gamenumber 990 1010 (position :mate))"}) {
        CapturedScan expected = captureScan(dir, query, ScanSettings());
        ScanSettings parallel;
        parallel.jobs = 3;
        parallel.parallel.batchSize = 20000;
        EXPECT_EQ(captureScan(dir, query, parallel), expected) << query;
        parallel.parallel.guessWrong = true;
        EXPECT_EQ(captureScan(dir, query, parallel), expected) << query;
    }
}

}  // namespace
