#include "scan/matchfilter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "filter/positionfilter.h"
#include "query/strlist.h"
#include "refusal.h"
#include "scan/queryreader.h"
#include "scan/scanrun.h"

namespace {

// Trees and filters live until the process ends, as in the engine; holding
// them here keeps them reachable.
template <class T>
T* keep(T* p) {
    static auto* held = new std::vector<T*>;
    held->push_back(p);
    return p;
}

strlist* parse(const std::string& text) {
    std::string copy = text;
    FILE* in = fmemopen(copy.data(), copy.size(), "r");
    strlist* tree = strlist::parseStream(in);
    fclose(in);
    return keep(tree);
}

// The match form of `text`, which must start with the word match.
matchFilter* matchOf(const std::string& text) {
    mfilter* filter = keep(readQueryList(parse(text)));
    return dynamic_cast<matchFilter*>(filter);
}

TEST(MatchForm, Defaults) {
    matchFilter* m = matchOf("(match)");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->pgnfile, nullptr);
    EXPECT_EQ(m->outputfile, nullptr);
    EXPECT_EQ(m->player, nullptr);
    EXPECT_EQ(m->result, RESULT_None);
    EXPECT_EQ(m->gamenumbermin, 0);
    EXPECT_EQ(m->gamenumbermax, 100000000);
    EXPECT_FALSE(m->checkyear);
    EXPECT_EQ(m->npositionfilters, 0);
    EXPECT_EQ(m->npositionlistfilters, 0);
    EXPECT_EQ(m->nmatches, 0);
    ASSERT_NE(m->sourceStrlist, nullptr);
    EXPECT_TRUE(m->sourceStrlist->car->eq("match"));
}

TEST(MatchForm, Keywords) {
    matchFilter* m = matchOf(
        "(match :pgn in.pgn :output out.pgn :year 1990 1999 :gamenumber 5 :result 0-1"
        " :player kasp)");
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->pgnfile, "in.pgn");
    EXPECT_STREQ(m->outputfile, "out.pgn");
    EXPECT_TRUE(m->checkyear);
    EXPECT_EQ(m->yearmin, 1990);
    EXPECT_EQ(m->yearmax, 1999);
    EXPECT_EQ(m->gamenumbermin, 5);
    EXPECT_EQ(m->gamenumbermax, 5);
    EXPECT_EQ(m->result, RESULT_Black);
    EXPECT_STREQ(m->player, "kasp");
}

TEST(MatchForm, Results) {
    struct Case {
        const char* word;
        resultT result;
    } cases[] = {{"1-0", RESULT_White},
                 {"0-1", RESULT_Black},
                 {"1/2", RESULT_Draw},
                 {"1/2-1/2", RESULT_Draw}};
    for (const Case& c : cases)
        EXPECT_EQ(matchOf(std::string("(match :result ") + c.word + ")")->result, c.result);
}

TEST(MatchForm, Ranges) {
    matchFilter* m = matchOf("(match :year 0 2000 :gamenumber 3 7)");
    EXPECT_EQ(m->yearmin, 0);
    EXPECT_EQ(m->yearmax, 2000);
    EXPECT_EQ(m->gamenumbermin, 3);
    EXPECT_EQ(m->gamenumbermax, 7);

    // A second word that is no number stays for the next keyword.
    m = matchOf("(match :year 1990 :pgn a.pgn)");
    EXPECT_EQ(m->yearmin, 1990);
    EXPECT_EQ(m->yearmax, 1990);
    EXPECT_STREQ(m->pgnfile, "a.pgn");

    m = matchOf("(match :gamenumber 2147483647)");
    EXPECT_EQ(m->gamenumbermin, 2147483647);
    EXPECT_EQ(m->gamenumbermax, 2147483647);
}

TEST(MatchForm, LaterKeywordWins) {
    matchFilter* m = matchOf(
        "(match :pgn a.pgn :year 1990 1995 :gamenumber 2 9 :result 1-0 :player x"
        " :pgn b.pgn :year 2001 :gamenumber 4 :result 1/2 :player y :output o1 :output o2)");
    EXPECT_STREQ(m->pgnfile, "b.pgn");
    EXPECT_STREQ(m->outputfile, "o2");
    EXPECT_EQ(m->yearmin, 2001);
    EXPECT_EQ(m->yearmax, 2001);
    EXPECT_EQ(m->gamenumbermin, 4);
    EXPECT_EQ(m->gamenumbermax, 4);
    EXPECT_EQ(m->result, RESULT_Draw);
    EXPECT_STREQ(m->player, "y");
}

TEST(MatchForm, Print) {
    matchFilter* m = matchOf(
        "(match :pgn in.pgn :output out.pgn :year 1990 :gamenumber 5 9 :player Tal"
        " :result 1/2)");
    testing::internal::CaptureStdout();
    m->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Printing match filter: position filters"
              "Printing match filter: position list filters...\n"
              "pgn file: in.pgn\n"
              "output file: out.pgn\n"
              "gamenumbermin: 5 gamenumbermax: 9\n"
              "yearmin: 1990 yearmax: 1990\n"
              "number of matches: 0\n"
              "Original source list was: \n"
              "(match :pgn in.pgn :output out.pgn :year 1990 :gamenumber 5 9 :player Tal"
              " :result 1/2)"
              "Player: Tal\n"
              "Result: =-=\n"
              "\n");

    testing::internal::CaptureStdout();
    matchOf("(match)")->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Printing match filter: position filters"
              "Printing match filter: position list filters...\n"
              "number of matches: 0\n"
              "Original source list was: \n"
              "(match)\n");
}

TEST(MatchForm, PositionFilterCapacity) {
    matchFilter m;
    std::vector<positionFilter*> added;
    for (int i = 0; i < matchFilter::positionfiltersmax; i++) {
        added.push_back(new positionFilter());
        m.addPositionFilter(added.back());
    }
    EXPECT_EQ(m.npositionfilters, 100);
    EXPECT_EQ(m.getPositionFilter(0), added[0]);
    EXPECT_EQ(m.getPositionFilter(99), added[99]);
    positionFilter extra;
    EXPECT_EQ(refusal([&] { m.addPositionFilter(&extra); }),
              "Error: too many position lists: a query may hold at most 100\n");
    EXPECT_DEATH(m.getPositionFilter(100), "ASSERT FAILED");
    EXPECT_DEATH(m.getPositionFilter(-1), "ASSERT FAILED");
}

TEST(MatchForm, ScanNeedsPgnFile) {
    matchFilter* m = matchOf("(match :output out.pgn)");
    EXPECT_EQ(refusal([&] { runScan(*m, ScanSettings()); }), "no pgn file specified");
    EXPECT_DEATH(m->mfilter::match(nullptr), "ASSERT FAILED");
    EXPECT_DEATH(static_cast<mfilter*>(m)->match(nullptr), "ASSERT FAILED");
}

TEST(MatchForm, NullList) {
    EXPECT_EQ(readQueryList(nullptr), nullptr);
}

}  // namespace
