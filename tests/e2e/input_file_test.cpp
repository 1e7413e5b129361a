// Inputs that exist but cannot be read as a PGN file: the scan must report
// them as unopenable, not read them as empty files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

TEST(ScanInput, DirectoryIsReportedAsUnopenable) {
    std::string dir = scratchDir();
    ASSERT_EQ(mkdir((dir + "/games.pgn").c_str(), 0755), 0);
    writeFile(dir + "/q.hux", "(match :pgn games.pgn)");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Attempting to open file: games.pgn.\n"
                           "matchFilter::match could not open file: games.pgn\n");
    EXPECT_EQ(run.status, 1);
}
