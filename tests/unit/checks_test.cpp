// The query engine's check, mate and stalemate tests on the side to move.
#include <gtest/gtest.h>

#include "core/position.h"

namespace {

struct Verdict {
    bool check, mate, stalemate;
};

Verdict judge(const char* fen) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN(fen), OK) << fen;
    // Each test on a fresh position, so none relies on another's side effects.
    Position a, b, c;
    a.ReadFromFEN(fen);
    b.ReadFromFEN(fen);
    c.ReadFromFEN(fen);
    return {a.myIsKingInCheck(), b.myIsKingInMate(), c.myIsKingInStalemate()};
}

TEST(Checks, CheckThatCanBeAnsweredByCapture) {
    // The rook on e2 checks and the king can take it.
    Verdict v = judge("4k3/8/8/8/8/8/4r3/4K3 w - -");
    EXPECT_TRUE(v.check);
    EXPECT_FALSE(v.mate);
    EXPECT_FALSE(v.stalemate);
}

TEST(Checks, Checkmate) {
    Verdict v = judge("R5k1/5ppp/8/8/8/8/8/6K1 b - -");
    EXPECT_TRUE(v.check);
    EXPECT_TRUE(v.mate);
    EXPECT_FALSE(v.stalemate);
    // Mate by a double check that no capture answers.
    v = judge("4k3/8/8/8/8/3n3b/3PP3/3QKr2 w - -");
    EXPECT_TRUE(v.check);
    EXPECT_TRUE(v.mate);
}

TEST(Checks, SquaresNextToTheEnemyKingAreNoEscape) {
    // g8 and g7 are attacked by no piece that attack counting sees, only by
    // the white king: the mate test must still rule them out.
    Verdict v = judge("7k/5K2/8/8/8/8/8/7R b - -");
    EXPECT_TRUE(v.check);
    EXPECT_TRUE(v.mate);
    // With the white king one file further away, g8 is a way out.
    v = judge("7k/4K3/8/8/8/8/8/7R b - -");
    EXPECT_TRUE(v.check);
    EXPECT_FALSE(v.mate);
}

TEST(Checks, Stalemate) {
    Verdict v = judge("7k/5Q2/6K1/8/8/8/8/8 b - -");
    EXPECT_FALSE(v.check);
    EXPECT_FALSE(v.mate);
    EXPECT_TRUE(v.stalemate);
}

TEST(Checks, NoMovesButPinnedPiecesStillStalemate) {
    // Black's only piece besides the king is pinned and the king is boxed in.
    Verdict v = judge("k7/b7/8/8/8/8/1R6/R1K5 b - -");
    EXPECT_FALSE(v.check);
    EXPECT_TRUE(v.stalemate);
}

TEST(Checks, StalemateTestLeavesTheLegalMoves) {
    Position pos;
    pos.StdStart();
    EXPECT_FALSE(pos.myIsKingInStalemate());
    EXPECT_EQ(pos.GetLegalMoves()->Size(), 20u);
    EXPECT_EQ(pos.GetNumChecks(), 0u);
}

TEST(Checks, CheckInformationIsRecorded) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/3n4/3PP3/3QKr2 w - -"), OK);
    EXPECT_TRUE(pos.myIsKingInCheck());
    EXPECT_EQ(pos.GetNumChecks(), 2u);
    EXPECT_EQ(pos.GetCheckSquares()[0], F1);
    EXPECT_EQ(pos.GetCheckSquares()[1], D3);
}

}  // namespace
