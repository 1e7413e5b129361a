#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// Every refusal happens while the query is read: the PGN file, which does
// not exist, is never opened.
TEST(MatchFormRun, KeywordErrors) {
    struct Case {
        const char* words;
        const char* out;
    } cases[] = {
        {":pgn", "Error: missing pgn file name after :pgn\n"},
        {":output", "Error: missing output file\n"},
        {":output :pgn x.pgn", "unknown matcher term: x.pgn\n"},
        {":year", "Error: missing year\n"},
        {":year -1990", "Error: expecting :year argument of at least 0\n"},
        {":year abc", "Error: expecting :year argument of at least 0\n"},
        {":year 99999999999", "Error: expecting :year argument of at least 0\n"},
        {":year 2000 1990", "Error: reversed :year range: 2000 is greater than 1990\n"},
        {":gamenumber", "Error: missing gamenumber\n"},
        {":gamenumber 0", "Error: expecting :gamenumber argument of at least 1\n"},
        {":gamenumber 99999999999", "Error: expecting :gamenumber argument of at least 1\n"},
        {":gamenumber 4294967297", "Error: expecting :gamenumber argument of at least 1\n"},
        {":gamenumber 10 2", "Error: reversed :gamenumber range: 10 is greater than 2\n"},
        {":result", "Error: missing result spec\n"},
        {":result draw", "illegal result specifier of: draw\n"},
        {":result 1/2-1", "illegal result specifier of: 1/2-1\n"},
        {":player", "Error: missing player name after :player\n"},
        {":player (position Ka1)", "Error: missing player name after :player\n"},
        {":forany", "Error: missing tag name\n"},
        {":forany t", "Error: Missing tag piece filter\n"},
        {":forany t (x)", "Error: Missing tag piece filter\n"},
        {":forany t x", "Error: invalid piece designator x\n"},
        {":forany t Ka1 :forany t k", "Error: Existing tag by that name\n"},
        {":year 1990 :colour white", "unknown matcher term: :colour\n"},
        {"(pos Ka1)", "Unable to parse match Filter: expected position\n"},
        {"(() x)", "Unable to parse match Filter: expected position\n"},
        {"()", "Error: empty list in the match form\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery(std::string("(match :pgn absent.pgn ") + c.words + ")");
        EXPECT_EQ(run.out, std::string(kBanner) + c.out) << c.words;
        EXPECT_EQ(run.err, "") << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
}

TEST(MatchFormRun, NoPgnFile) {
    HuxRun run =
        runQuery("(match :output out.pgn :year 0 2000 :gamenumber 5 :result 1/2-1/2 :player CARL)");
    EXPECT_EQ(run.out, std::string(kBanner) + "no pgn file specified");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 1);
}

}  // namespace
