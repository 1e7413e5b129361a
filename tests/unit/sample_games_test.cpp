// The sample games shipped in examples/ must replay exactly as the fact sheet
// (established with an independent reader) describes them: every move legal,
// the same number of plies, and the mates and stalemates really on the board.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pgn_test_support.h"
#include "test_paths.h"

namespace {

struct Facts {
    std::string number, plies, ending;
};

std::vector<Facts> readFacts() {
    std::vector<Facts> facts;
    std::istringstream in(readFile(fixturePath("pgn/sample_game_facts.txt")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream cols(line);
        for (std::string field; std::getline(cols, field, '\t');) fields.push_back(field);
        if (fields.size() == 7) facts.push_back({fields[0], fields[5], fields[6]});
    }
    return facts;
}

TEST(SampleGames, ReplayAsTheFactSheetSays) {
    std::vector<Facts> facts = readFacts();
    ASSERT_GE(facts.size(), 30u);
    PgnReader reader(readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn"));
    Game game;
    for (const Facts& f : facts) {
        SCOPED_TRACE("game " + f.number);
        ASSERT_EQ(reader.next(game), OK);
        game.MoveToPly(100000);
        EXPECT_EQ(std::to_string(game.GetCurrentPly()), f.plies);
        Position* pos = game.GetCurrentPos();
        EXPECT_EQ(pos->myIsKingInMate(), f.ending == "mate");
        EXPECT_EQ(pos->myIsKingInStalemate(), f.ending == "stalemate");
    }
    EXPECT_EQ(reader.next(game), ERROR_NotFound);
    EXPECT_EQ(reader.parser().ErrorCount(), 0u) << reader.log();
}

}  // namespace
