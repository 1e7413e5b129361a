// The planner of an indexed scan skips only games that cannot match: for a
// query leaning on each signature the index keeps, every game a scan of the
// text selects is among the games the planner keeps, and the planner keeps
// fewer games than there are.
#include "scan/indexplanner.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <set>
#include <string>

#include "scan/gameindex.h"
#include "scan/indexbuilder.h"
#include "scan/indexedscan.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"
#include "scan_capture.h"
#include "test_paths.h"

using namespace gameindex;

namespace {

TEST(IndexPlanner, SkipsOnlyGamesThatCannotMatch) {
    std::string source = dataPath("dev/online-lichess.pgn");
    SKIP_WITHOUT_DATA(source);
    std::string dir = scratchDir();
    std::string games = dir + "/games.pgn";
    // The lichess games, then the sample's, which have variations.
    writeFile(games, readFile(source) + "\n" +
                         readFile(std::string(HUX_FIXTURES_DIR) + "/../../examples/sample.pgn"));
    IndexBuildSettings build;
    build.progress = false;
    ASSERT_EQ(buildIndex(games.c_str(), build).error, "");
    Verdict verdict;
    std::unique_ptr<GameIndex> index = GameIndex::open(indexPath(games, ""), nullptr, verdict);
    ASSERT_NE(index, nullptr);

    const char* queries[] = {
        "(position :mate)",
        "(position :stalemate :variations)",
        "(position :check :variationsonly)",
        "(position :mate Qh7 :flipcolor)",
        "(position :enpassant)",
        "(position :promote [RBNrbn])",
        "(position :promote q)",
        "(position Qh7 kg8 :btm)",
        "(position Nd5 :shift)",
        "(position [Rr]a8 :flipdihedral)",
        "(position kh8 :varterminal :variations)",
        "(position :piececount [Qq] 0 :piececount [RrBbNn] 0 2)",
        "(position :piececount [Pp] 0 4 :flipcolor)",
        ":gamenumber 500 900 (position Qh7 kg8 :btm :flipcolor)",
        ":player Carlsen",
        ":white a :black b :year 2020 2021",
        ":result 1-0 :eco B20 B99 (position :check)",
    };
    for (const char* items : queries) {
        SCOPED_TRACE(items);
        std::string text = std::string("(match :pgn games.pgn :output out.pgn ") + items + ")";
        writeFile(dir + "/q.hux", text);
        std::unique_ptr<mfilter> read(readQueryFile((dir + "/q.hux").c_str()));
        auto* query = dynamic_cast<matchFilter*>(read.get());
        ASSERT_NE(query, nullptr);
        query->expand();
        IndexedScan plan(*query, *index);
        EXPECT_LT(plan.candidates(), index->games());
        // The plan a query makes while it checks the index is the same.
        IndexedScan checked(*query);
        const SignatureVisitor planner = checked.planner();
        Verdict again;
        std::unique_ptr<GameIndex> reopened =
            GameIndex::open(indexPath(games, ""), nullptr, again, &planner);
        ASSERT_NE(reopened, nullptr);
        checked.use(*reopened);
        ASSERT_EQ(checked.candidates(), plan.candidates());
        for (uint64_t i = 0; i < index->games(); i++)
            ASSERT_EQ(checked.wants(i), plan.wants(i)) << "game " << i + 1;

        ScanSettings settings;
        settings.useIndex = false;
        CapturedScan scanned = captureScan(dir, text, settings);
        ASSERT_EQ(scanned.status, 0);
        std::set<long> found;
        std::regex mark("\\+<([0-9]+)>");
        for (auto it = std::sregex_iterator(scanned.out.begin(), scanned.out.end(), mark);
             it != std::sregex_iterator(); ++it)
            found.insert(std::stol((*it)[1]));
        for (long n : found) EXPECT_TRUE(plan.wants(uint64_t(n - 1))) << "game " << n;

        settings.useIndex = true;
        settings.jobs = 1;
        EXPECT_EQ(captureScan(dir, text, settings), scanned);
    }
}

}  // namespace
