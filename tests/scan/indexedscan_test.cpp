#include "scan/indexedscan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "query/mfilter.h"
#include "scan/gameindex.h"
#include "scan/indexbuilder.h"
#include "scan/inputsource.h"
#include "scan/matchfilter.h"
#include "scan/outputsink.h"
#include "scan/queryreader.h"
#include "scan/resultwriter.h"
#include "scan/scanrun.h"
#include "scan_capture.h"
#include "test_paths.h"

using namespace gameindex;

namespace {

void index(const std::string& path) {
    IndexBuildSettings settings;
    settings.progress = false;
    ASSERT_EQ(buildIndex(path.c_str(), settings).error, "");
}

// The games of `source` in `dir` as games.pgn, indexed, and compressed as
// games.pgn.gz, indexed too.
void prepareGames(const std::string& dir, const std::string& source) {
    const std::string text = readFile(source);
    writeFile(dir + "/games.pgn", text);
    index(dir + "/games.pgn");
    FILE* gz = openGamesOutput((dir + "/games.pgn.gz").c_str());
    ASSERT_NE(gz, nullptr);
    fwrite(text.data(), 1, text.size(), gz);
    ASSERT_EQ(fclose(gz), 0);
    index(dir + "/games.pgn.gz");
}

// Every query over a plain and a compressed file: the indexed scan on one,
// two and three threads writes what a scan of the text alone writes, marks
// and records, in ranges of game numbers too.
TEST(IndexedScan, ThreadsWriteWhatTheTextScanWrites) {
    std::string pgn = dataPath("dev/online-lichess.pgn");
    SKIP_WITHOUT_DATA(pgn);
    std::string dir = scratchDir();
    prepareGames(dir, pgn);
    const char* items[] = {
        "(position :check)",  // most games match
        "(position :mate)",
        ":gamenumber 990 1010 (position :check)",
        ":gamenumber 1 1 (position :check)",
        ":result 1-0",  // tags alone: no replay
        "(position :promote [RBNrbn])",
    };
    for (const char* file : {"games.pgn", "games.pgn.gz"}) {
        for (const char* item : items) {
            const std::string query =
                std::string("(match :pgn ") + file + " :output out.pgn " + item + ")";
            ScanSettings text;
            text.useIndex = false;
            CapturedScan expected = captureScan(dir, query, text);
            ASSERT_EQ(expected.status, 0) << query << expected.out;
            ASSERT_NE(expected.out.find("+<"), std::string::npos) << query;
            for (int jobs : {1, 2, 3}) {
                ScanSettings indexed;
                indexed.jobs = jobs;
                indexed.alwaysIndexed = true;
                CapturedScan got = captureScan(dir, query, indexed);
                EXPECT_EQ(got, expected) << query << " with " << jobs << " threads";
            }
        }
    }
}

std::unique_ptr<matchFilter> readMatch(const std::string& dir, const std::string& query) {
    writeFile(dir + "/q.hux", query);
    std::unique_ptr<matchFilter> match(
        dynamic_cast<matchFilter*>(readQueryFile((dir + "/q.hux").c_str())));
    if (match != nullptr) match->expand();
    return match;
}

// An index cut while a scan reads it: on one thread or on two, the scan
// stops at the same game, after writing the ones before, and says so;
// nothing hangs.
TEST(IndexedScan, IndexCutWhileInUse) {
    std::string pgn = dataPath("dev/online-lichess.pgn");
    SKIP_WITHOUT_DATA(pgn);
    std::string dir = scratchDir();
    const std::string games = dir + "/games.pgn";
    writeFile(games, readFile(pgn));
    index(games);
    Verdict verdict;
    std::unique_ptr<GameIndex> idx = GameIndex::open(indexPath(games, ""), nullptr, verdict);
    ASSERT_EQ(verdict, Verdict::Usable);
    const std::string query = "(match :pgn " + games + " (position :check))";
    for (uint64_t cut : {idx->spansAt() + idx->games() / 2 * kSpanSize,
                         idx->movesAt() + (idx->textsAt() - idx->movesAt()) / 2}) {
        ASSERT_EQ(truncate(indexPath(games, "").c_str(), off_t(cut)), 0);
        long read[2] = {}, matched[2] = {};
        for (int threads : {0, 2}) {
            std::unique_ptr<matchFilter> match = readMatch(dir, query);
            ASSERT_NE(match, nullptr);
            IndexedScan scan(*match, *idx);
            ASSERT_FALSE(scan.indexUnreadable());
            std::unique_ptr<InputSource> input = InputSource::open(games.c_str());
            ASSERT_NE(input, nullptr);
            // The writer keeps the names it is given.
            const std::string output = dir + "/out.pgn";
            ResultWriter writer(output.c_str(), games.c_str(), "");
            writer.open();
            std::vector<std::unique_ptr<matchFilter>> workers;
            for (int i = 0; i < threads; i++) workers.push_back(readMatch(dir, query));
            EXPECT_EQ(scan.run(*input, writer, std::move(workers)), ScanEnd::Done);
            EXPECT_TRUE(scan.indexUnreadable());
            EXPECT_TRUE(writer.close());
            read[threads / 2] = writer.gamesRead();
            matched[threads / 2] = writer.matches();
        }
        EXPECT_EQ(read[0], read[1]) << "cut at " << cut;
        EXPECT_EQ(matched[0], matched[1]) << "cut at " << cut;
        EXPECT_LT(read[0], long(idx->games()));
    }
}

}  // namespace
