#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "long_text.h"
#include "run_hux.h"
#include "test_paths.h"

namespace {

// The hand-written records of the two plain games, numbered as the first two
// games of their file.
std::string plainRecords() {
    std::string text = readFile(fixturePath("golden/plain_games.pgn"));
    text.replace(text.find("Original game: 5"), 16, "Original game: 1");
    text.replace(text.find("Original game: 6"), 16, "Original game: 2");
    return text;
}

HuxRun runQuery(const std::string& dir, const std::string& query) {
    writeFile(dir + "/q.hux", query);
    return runHux({"q.hux"}, dir);
}

TEST(AnnotatedOutput, MatchingGamesGoToTheOutputFile) {
    std::string dir = scratchDir();
    writeFile(dir + "/in.pgn", readFile(fixturePath("pgn/writer_plain_games.pgn")));
    HuxRun run = runQuery(dir, "(match :pgn in.pgn :output out.pgn)");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: in.pgn.\n.+<1>+<2>" +
                           "\nNumber of matching games: 2 to file: out.pgn\n");
    EXPECT_EQ(readFile(dir + "/out.pgn"), plainRecords());
}

TEST(AnnotatedOutput, WithoutAnOutputFileGamesFollowTheirMarks) {
    std::string dir = scratchDir();
    writeFile(dir + "/in.pgn", readFile(fixturePath("pgn/writer_plain_games.pgn")));
    HuxRun run = runQuery(dir, "(match :pgn in.pgn)");
    EXPECT_EQ(run.status, 0);
    std::string records = plainRecords();
    size_t second = records.find("\n\n\n[Event") + 1;
    EXPECT_EQ(run.out, std::string(kBanner) + "Attempting to open file: in.pgn.\n.+<1>" +
                           records.substr(0, second) + "+<2>" + records.substr(second) +
                           "\nNumber of matching games: 2 to file: stdout\n");
}

TEST(AnnotatedOutput, OnlySelectedGamesAreWrittenAndKeepTheirNumbers) {
    std::string dir = scratchDir();
    writeFile(dir + "/in.pgn", readFile(fixturePath("pgn/writer_plain_games.pgn")));
    HuxRun run = runQuery(dir, "(match :pgn in.pgn :output out.pgn :gamenumber 2)");
    EXPECT_EQ(run.status, 0) << run.out;
    std::string records = plainRecords();
    EXPECT_EQ(readFile(dir + "/out.pgn"), records.substr(records.find("[Event \"Empty\"]")));
}

TEST(AnnotatedOutput, NamesAndCommentsKeepTheirBytes) {
    std::string dir = scratchDir();
    writeFile(dir + "/in.pgn", readFile(fixturePath("pgn/writer_utf8.pgn")));
    HuxRun run = runQuery(dir, "(match :pgn in.pgn :output out.pgn :player Jörg)");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(readFile(dir + "/out.pgn"), readFile(fixturePath("golden/utf8.pgn")));
}

// The text of the comment that follows `opening` in the record, with the
// writer's line breaks undone: a break either replaced a space or follows one.
std::string commentAfter(const std::string& record, const std::string& opening) {
    size_t from = record.find(opening);
    if (from == std::string::npos) return "(not found)";
    from += opening.size();
    std::string text;
    for (size_t i = from; i < record.size() && record[i] != '}'; ++i) {
        if (record[i] != '\n') {
            text += record[i];
        } else if (text.empty() || text.back() != ' ') {
            text += ' ';
        }
    }
    return text;
}

TEST(AnnotatedOutput, LongCommentsAreWrittenWhole) {
    const std::string start = words(200000, 1);
    const std::string onMove = words(200000, 2);
    std::string dir = scratchDir();
    writeFile(dir + "/in.pgn",
              "[Event \"Long\"]\n[Result \"*\"]\n\n{" + start + "} 1. e4 {" + onMove + "} e5 *\n");
    HuxRun run = runQuery(dir, "(match :pgn in.pgn :output out.pgn)");
    EXPECT_EQ(run.status, 0) << run.out;
    std::string record = readFile(dir + "/out.pgn");
    EXPECT_TRUE(sameText(commentAfter(record, "{Original game: 1 "), start));
    EXPECT_TRUE(sameText(commentAfter(record, "1.e4 {"), onMove));
    EXPECT_NE(record.find("} 1...e5 *\n"), std::string::npos);
    size_t longest = 0;
    for (size_t from = 0, end; (end = record.find('\n', from)) != std::string::npos; from = end + 1)
        longest = std::max(longest, end - from);
    EXPECT_LT(longest, 80u);
}

TEST(AnnotatedOutput, AFullDeviceEndsTheRunWithAnError) {
    std::string dir = scratchDir();
    // Enough text that the writes reach the device before the file is closed.
    std::string games;
    for (int i = 0; i < 200; i++) games += readFile(fixturePath("pgn/writer_plain_games.pgn"));
    writeFile(dir + "/in.pgn", games);
    HuxRun run = runQuery(dir, "(match :pgn in.pgn :output /dev/full)");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Error: "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Number of matching games"), std::string::npos) << run.out;
}

}  // namespace
