#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "run_hux.h"
#include "test_paths.h"

namespace {

std::string examplePath(const std::string& name) {
    return std::string(HUX_EXAMPLES_DIR) + "/" + name;
}

struct GameFacts {
    std::string white, black, year, result;
};

// The fact sheet is what the selection tests compare hux against, so it must
// describe the sample file as it stands: same games, same order, same tags.
std::vector<GameFacts> readFactSheet() {
    std::vector<GameFacts> facts;
    std::istringstream in(readFile(fixturePath("pgn/sample_game_facts.txt")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream cols(line);
        std::string field;
        while (std::getline(cols, field, '\t')) fields.push_back(field);
        EXPECT_EQ(fields.size(), 7u) << line;
        if (fields.size() != 7) continue;
        EXPECT_EQ(fields[0], std::to_string(facts.size() + 1)) << line;
        facts.push_back({fields[1], fields[2], fields[3], fields[4]});
    }
    return facts;
}

std::string tagValue(const std::string& line) {
    size_t open = line.find('"');
    size_t close = line.rfind('"');
    return open == std::string::npos || close <= open ? ""
                                                      : line.substr(open + 1, close - open - 1);
}

std::vector<GameFacts> readSampleTags() {
    std::vector<GameFacts> games;
    std::istringstream in(readFile(examplePath("sample.pgn")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("[Event ", 0) == 0) games.emplace_back();
        if (games.empty()) continue;
        GameFacts& g = games.back();
        if (line.rfind("[White ", 0) == 0) g.white = tagValue(line);
        if (line.rfind("[Black ", 0) == 0) g.black = tagValue(line);
        if (line.rfind("[Result ", 0) == 0) g.result = tagValue(line);
        if (line.rfind("[Date ", 0) == 0) {
            std::string year = tagValue(line).substr(0, 4);
            g.year = year.find('?') == std::string::npos ? std::to_string(std::stoi(year)) : "0";
        }
    }
    return games;
}

TEST(Examples, FactSheetDescribesSampleGames) {
    std::vector<GameFacts> facts = readFactSheet();
    std::vector<GameFacts> games = readSampleTags();
    ASSERT_EQ(facts.size(), games.size());
    ASSERT_GE(games.size(), 30u);
    for (size_t i = 0; i < games.size(); ++i) {
        SCOPED_TRACE("game " + std::to_string(i + 1));
        EXPECT_EQ(facts[i].white, games[i].white);
        EXPECT_EQ(facts[i].black, games[i].black);
        EXPECT_EQ(facts[i].year, games[i].year);
        EXPECT_EQ(facts[i].result, games[i].result);
    }
}

// The game-level examples select the games their comments describe (read
// off the sample's tags); they are run on copies, so the source tree gets no
// output files.
TEST(Examples, GameLevelQueriesSelectTheDescribedGames) {
    struct Case {
        const char* name;
        const char* games;
    } cases[] = {
        {"example.hux", "+<4>+<5>"},
        {"by-year.hux", "+<2>+<3>+<4>+<5>+<7>+<8>+<9>+<10>+<11>"},
        {"draws.hux", "+<6>+<7>+<24>"},
        {"game-numbers.hux", "+<3>+<4>+<5>"},
        {"player-capitals.hux", "+<22>+<24>+<26>+<27>+<28>+<29>"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        writeFile(dir + "/sample.pgn", readFile(examplePath("sample.pgn")));
        writeFile(dir + "/" + c.name, readFile(examplePath(c.name)));
        HuxRun run = runHux({c.name}, dir);
        EXPECT_EQ(run.status, 0) << c.name << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(selectedGames(run), c.games) << c.name << "\n" << run.out;
    }
}

// The position-list examples select the games their description names.
TEST(Examples, PositionQueriesSelectTheDocumentedGames) {
    struct Case {
        const char* name;
        const char* games;
    } cases[] = {
        {"mates.hux", "+<1>+<2>+<3>+<5>+<13>+<15>+<16>+<22>"},
        {"stalemate.hux", "+<6>+<11>"},
        {"king-hunt-mates.hux", "+<15>+<16>"},
        {"back-rank-mates.hux", "+<5>"},
        {"isolated-queen-pawn.hux", "+<8>+<10>+<14>+<16>+<17>+<19>+<20>+<22>+<23>+<27>+<29>"},
        {"king-walk.hux", "+<16>+<21>+<30>+<32>"},
        {"piece-up-and-lost.hux", "+<4>+<12>+<18>+<20>+<21>+<23>+<32>"},
        {"underpromotion.hux", "+<11>"},
        {"en-passant.hux", "+<8>+<21>+<23>"},
        {"knight-fork.hux", "+<3>"},
        {"double-check.hux", "+<3>+<13>+<15>+<23>"},
        {"pinned-queen.hux", "+<9>+<12>"},
        {"checks-in-a-row.hux",
         "+<2>+<3>+<4>+<5>+<7>+<8>+<9>+<10>+<11>+<13>+<15>+<16>+<20>+<21>+<22>+<23>+<32>"},
        {"queen-returns.hux", "+<11>+<18>"},
        {"knight-checks.hux", "+<1>+<3>+<15>"},
        {"rooks-face-off.hux", "+<5>+<21>+<32>"},
        {"repetition.hux", "+<7>"},
        {"windmill.hux", "+<20>+<21>"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        writeFile(dir + "/sample.pgn", readFile(examplePath("sample.pgn")));
        writeFile(dir + "/" + c.name, readFile(examplePath(c.name)));
        HuxRun run = runHux({c.name}, dir);
        EXPECT_EQ(run.status, 0) << c.name << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(selectedGames(run), c.games) << c.name << "\n" << run.out;
    }
}

}  // namespace
