#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "filter/piececomputefilter.h"
#include "filter/piececomputefilterlist.h"
#include "filter/squareset.h"
#include "query/util.h"
#include "refusal.h"
#include "sample_positions.h"

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// White a rook ahead, and the same with the colours swapped.
const char kWhiteUpRook[] = "1nbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1";
const char kBlackUpRook[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/1NBQKBNR b Kkq - 0 1";

enum Kind { Count, Power, Difference };

bool matches(const pieceComputeFilter& f, Kind kind, const Position* pos) {
    switch (kind) {
        case Count:
            return f.matchPieceCount(pos);
        case Power:
            return f.matchPower(pos);
        case Difference:
            return f.matchPowerDifference(pos);
    }
    return false;
}

bool matches(const pieceComputeFilterList& list, Kind kind, const Position* pos) {
    switch (kind) {
        case Count:
            return list.matchPieceCount(pos);
        case Power:
            return list.matchPower(pos);
        case Difference:
            return list.matchPowerDifference(pos);
    }
    return false;
}

pieceComputeFilter* filter(const char* designator, int min, int max) {
    return new pieceComputeFilter(pieceLoc::fromString(designator), min, max);
}

void setUp(Position* pos, const char* fen) {
    ASSERT_EQ(pos->ReadFromFEN(fen), OK) << fen;
}

TEST(PieceCompute, KnownPositions) {
    struct Case {
        const char* fen;
        Kind kind;
        const char* designator;
        int min, max;
        bool holds;
    } cases[] = {
        {kStart, Count, "[Pp]", 16, 16, true},
        {kStart, Count, ".", 32, 32, true},
        {kStart, Count, "K", 1, 1, true},
        {kStart, Count, "P?2", 8, 8, true},
        {kStart, Count, "[Pp]?7", 8, 8, true},
        {kStart, Count, "Kh-a1", 0, 0, true},
        {kStart, Power, "A", 39, 39, true},
        {kStart, Power, "A", 38, 38, false},
        {kStart, Power, "?", 78, 78, true},
        {kStart, Power, "[Qq]d?", 18, 18, true},
        {kStart, Power, "[AA]", 39, 39, true},
        {kStart, Difference, "?", 0, 0, true},
        {kStart, Difference, "A", 39, 39, true},
        {kStart, Difference, "?", 5, 5, false},
        {kWhiteUpRook, Difference, "?", 5, 5, true},
        {kWhiteUpRook, Difference, "?", -3, 3, false},
        {kWhiteUpRook, Difference, "[Rr]", 5, 5, true},
        {kWhiteUpRook, Difference, "[Rr]e-h?", 0, 0, true},
        {kBlackUpRook, Difference, "?", -5, -5, true},
        {kBlackUpRook, Difference, "?", -3, 3, false},
        {kBlackUpRook, Power, "U", 73, 73, true},
    };
    for (const Case& c : cases) {
        Position pos;
        setUp(&pos, c.fen);
        pieceComputeFilter* f = filter(c.designator, c.min, c.max);
        EXPECT_EQ(matches(*f, c.kind, &pos), c.holds)
            << c.designator << " " << c.min << ".." << c.max << " kind " << c.kind << " " << c.fen;
        delete f;
    }
}

// Counts from the board, square by square, through the designator's own
// per-square test.
struct BoardCounts {
    int count = 0, power = 0, difference = 0;
    BoardCounts(const pieceLoc* loc, const Position& pos) {
        const pieceT* board = pos.GetBoard();
        for (int sq = 0; sq < 64; sq++) {
            if (!loc->matchSquare(board, sq)) continue;
            int value = util::power(board[sq]);
            count++;
            power += value;
            if (piece_Color(board[sq]) == WHITE) difference += value;
            if (piece_Color(board[sq]) == BLACK) difference -= value;
        }
    }
};

TEST(PieceCompute, AgreesWithTheBoard) {
    const char* designators[] = {"?",        "A", "a",    "[Pp]", ".",     "U??",   "[Qq]d-e4-5",
                                 "[Mi]a-d?", "I", "[Kk]", "p?7",  "[QqQ]", "Rh-a1", "[N.n]c-f3-6"};
    forEachSamplePosition([&](const Position& pos, const std::string& where) {
        for (const char* d : designators) {
            pieceComputeFilter exact(pieceLoc::fromString(d), 0, 0);
            BoardCounts expected(exact.pieceloc, pos);
            struct {
                Kind kind;
                int value;
            } checks[] = {{Count, expected.count},
                          {Power, expected.power},
                          {Difference, expected.difference}};
            for (auto check : checks) {
                exact.min = exact.max = check.value;
                ASSERT_TRUE(matches(exact, check.kind, &pos))
                    << d << " kind " << check.kind << " in " << where;
                exact.min = check.value + 1;
                exact.max = 1000;
                ASSERT_FALSE(matches(exact, check.kind, &pos))
                    << d << " kind " << check.kind << " in " << where;
                exact.min = -1000;
                exact.max = check.value - 1;
                ASSERT_FALSE(matches(exact, check.kind, &pos))
                    << d << " kind " << check.kind << " in " << where;
            }
        }
    });
}

TEST(PieceComputeList, EveryFilterMustHold) {
    Position pos;
    setUp(&pos, kStart);
    pieceComputeFilterList list;
    EXPECT_TRUE(matches(list, Count, &pos));
    EXPECT_TRUE(matches(list, Power, &pos));
    EXPECT_TRUE(matches(list, Difference, &pos));
    list.addFilter(filter("[Pp]", 16, 16), ":piececount");
    list.addFilter(filter("A", 16, 39), ":piececount");
    EXPECT_TRUE(matches(list, Count, &pos));
    EXPECT_TRUE(matches(list, Power, &pos));
    EXPECT_FALSE(matches(list, Difference, &pos));
    list.addFilter(filter("Q", 2, 2), ":piececount");
    EXPECT_FALSE(matches(list, Count, &pos));
    EXPECT_EQ(list.nfilters, 3);
    EXPECT_EQ(list.getFilter(2)->min, 2);
}

TEST(PieceComputeList, ColourFlipWithNegatedBounds) {
    Position whiteUp, blackUp;
    setUp(&whiteUp, kWhiteUpRook);
    setUp(&blackUp, kBlackUpRook);
    pieceComputeFilterList list;
    list.addFilter(filter("[Rr]e-h?", 0, 0), ":powerdifference");
    list.addFilter(filter("?", 5, 5), ":powerdifference");
    pieceComputeFilterList* flipped = list.clone();
    flipped->makeFlip('C');
    flipped->negateBounds();
    EXPECT_TRUE(list.matchPowerDifference(&whiteUp));
    EXPECT_FALSE(list.matchPowerDifference(&blackUp));
    EXPECT_FALSE(flipped->matchPowerDifference(&whiteUp));
    EXPECT_TRUE(flipped->matchPowerDifference(&blackUp));
    EXPECT_EQ(flipped->getFilter(1)->min, -5);
    EXPECT_EQ(flipped->getFilter(1)->max, -5);
    // The colour flip alone leaves the bounds to the owner.
    pieceComputeFilterList* onlyFlipped = list.clone();
    onlyFlipped->makeFlip('C');
    EXPECT_EQ(onlyFlipped->getFilter(1)->min, 5);
    // Flipping the clone left the original alone.
    EXPECT_EQ(list.getFilter(0)->pieceloc->squaremask, ~squareset::lowFiles(4));
    delete flipped;
    delete onlyFlipped;
}

TEST(PieceComputeList, ShiftsNeverRefuse) {
    Position pos;
    setUp(&pos, kStart);
    pieceComputeFilterList list;
    list.addFilter(filter("Rh1", 1, 1), ":piececount");
    list.addFilter(filter("P", 8, 8), ":piececount");
    EXPECT_TRUE(list.matchPieceCount(&pos));
    list.shift(1, 0);
    EXPECT_EQ(list.getFilter(0)->pieceloc->nsquares, 0);
    EXPECT_TRUE(list.getFilter(1)->pieceloc->allsquares);
    list.getFilter(0)->min = 0;
    list.getFilter(0)->max = 0;
    EXPECT_TRUE(list.matchPieceCount(&pos));
    list.shift(-1, 0);
    EXPECT_EQ(list.getFilter(0)->pieceloc->nsquares, 0);
}

TEST(PieceComputeList, Print) {
    pieceComputeFilterList list;
    list.addFilter(filter("[Qq]d-e4", 1, 2), ":power");
    list.addFilter(filter("K", -3, 3), ":power");
    testing::internal::CaptureStdout();
    list.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "pieceComputeFilterList printing...\n"
              "pieceComputeFilter 0 of 2: pieceComputeFilter: min: 1 max: 2 count: 0 "
              "pieceloc:[Qq]<d4 e4 >\n\n"
              "pieceComputeFilter 1 of 2: pieceComputeFilter: min: -3 max: 3 count: 0 "
              "pieceloc:K<all squares>\n\n");
}

TEST(PieceComputeListDeathTest, Capacity) {
    pieceComputeFilterList list;
    for (int i = 0; i < pieceComputeFilterList::nfiltersmax; i++)
        list.addFilter(filter("P", 0, 8), ":piececount");
    std::unique_ptr<pieceComputeFilter> extra(filter("P", 0, 8));
    EXPECT_EQ(refusal([&] { list.addFilter(extra.get(), ":piececount"); }),
              "Error: Too many :piececount filters in one position list: at most 100\n");
    EXPECT_EXIT(list.getFilter(100), testing::KilledBySignal(SIGABRT), "ASSERT FAILED");
}

}  // namespace
