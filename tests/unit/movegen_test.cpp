// Move generation rules one at a time: pins, double check, castling, en
// passant, promotions, restricted generation, attack counting, and what
// making a move does to rights, targets and clocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/position.h"
#include "position_state.h"

namespace {

std::vector<std::string> movesOf(Position& pos, pieceT type = EMPTY, int genType = GEN_ALL_MOVES) {
    MoveList ml;
    pos.GenerateMoves(&ml, type, genType, true);
    std::vector<std::string> out;
    for (const simpleMoveT& m : ml) out.push_back(coordinates(m));
    return out;
}

std::set<std::string> moveSet(Position& pos, pieceT type = EMPTY) {
    std::vector<std::string> v = movesOf(pos, type);
    return {v.begin(), v.end()};
}

bool has(const std::vector<std::string>& moves, const std::string& m) {
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

Position& setUp(Position& pos, const char* fen) {
    EXPECT_EQ(pos.ReadFromFEN(fen), OK) << fen;
    return pos;
}

// Makes a move given in coordinates; the record is kept for taking it back.
simpleMoveT play(Position& pos, const char* coord) {
    simpleMoveT m{};
    EXPECT_EQ(pos.ReadCoordMove(&m, coord, false), OK) << coord;
    pos.DoSimpleMove(&m);
    return m;
}

TEST(Generation, StartingPositionHasTwentyMoves) {
    Position pos;
    pos.StdStart();
    EXPECT_EQ(movesOf(pos).size(), 20u);
    pos.GenerateMoves();
    EXPECT_EQ(pos.GetLegalMoves()->Size(), 20u);
}

TEST(Generation, PinnedPieces) {
    Position pos;
    // Knight pinned on the e-file: no moves at all.
    setUp(pos, "4r1k1/8/8/8/8/8/4N3/4K3 w - -");
    EXPECT_TRUE(movesOf(pos, KNIGHT).empty());
    // Rook pinned on a diagonal: no moves.
    setUp(pos, "6k1/8/8/8/7b/8/5R2/4K3 w - -");
    EXPECT_TRUE(movesOf(pos, ROOK).empty());
    // Queen pinned on a fyle: only along it, up to the pinner.
    setUp(pos, "4r1k1/8/8/8/8/4Q3/8/4K3 w - -");
    EXPECT_EQ(moveSet(pos, QUEEN),
              (std::set<std::string>{"e3e2", "e3e4", "e3e5", "e3e6", "e3e7", "e3e8"}));
    // Bishop pinned on a diagonal: along the diagonal only.
    setUp(pos, "6k1/8/8/8/7q/8/5B2/4K3 w - -");
    EXPECT_EQ(moveSet(pos, BISHOP), (std::set<std::string>{"f2g3", "f2h4"}));
    // Pawn pinned on its fyle may still advance; pinned on a diagonal it may
    // only take the pinner.
    setUp(pos, "4r1k1/8/8/8/8/8/4P3/4K3 w - -");
    EXPECT_EQ(moveSet(pos, PAWN), (std::set<std::string>{"e2e3", "e2e4"}));
    setUp(pos, "6k1/8/8/8/8/3n1b2/4P3/3K4 w - -");
    EXPECT_EQ(moveSet(pos, PAWN), (std::set<std::string>{"e2f3"}));
}

TEST(Generation, DoubleCheckLeavesOnlyKingMoves) {
    Position pos;
    setUp(pos, "4k3/8/B7/8/8/3n4/8/4K2r w - -");
    // Rook h1 and knight d3 both give check; the bishop could take the
    // knight, but that leaves the rook's check.
    std::vector<std::string> moves = movesOf(pos);
    ASSERT_FALSE(moves.empty());
    for (const std::string& m : moves) EXPECT_EQ(m.substr(0, 2), "e1") << m;
    EXPECT_EQ(pos.GetNumChecks(), 2u);
}

TEST(Generation, SingleCheckEvasions) {
    Position pos;
    // Rook e8 checks along the e-file: block on e2..e7, take it, or step aside.
    setUp(pos, "4r3/7k/8/8/8/8/1B6/R3K3 w Q -");
    std::set<std::string> moves = moveSet(pos);
    EXPECT_TRUE(moves.count("b2e5"));
    EXPECT_TRUE(moves.count("a1a8") == 0);  // does not answer the check
    EXPECT_TRUE(moves.count("e1d1"));
    EXPECT_TRUE(moves.count("e1e2") == 0);  // still on the file
    EXPECT_TRUE(moves.count("e1c1") == 0);  // no castling out of check
    EXPECT_EQ(pos.GetNumChecks(), 1u);
    EXPECT_EQ(pos.GetCheckSquares()[0], E8);
}

TEST(Generation, KingDoesNotHideBehindItself) {
    Position pos;
    // Checked from e8, the king on e2 must not retreat along the file: e1 is
    // only safe while the king itself stands in the way.
    setUp(pos, "4r1k1/8/8/8/8/8/4K3/8 w - -");
    EXPECT_EQ(moveSet(pos),
              (std::set<std::string>{"e2d1", "e2d2", "e2d3", "e2f1", "e2f2", "e2f3"}));
}

TEST(Generation, CastlingRules) {
    Position pos;
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    std::vector<std::string> moves = movesOf(pos);
    ASSERT_GE(moves.size(), 2u);
    // Queen side first, both last in the list.
    EXPECT_EQ(moves[moves.size() - 2], "e1c1");
    EXPECT_EQ(moves.back(), "e1g1");

    // An attacked crossing square stops that side only.
    setUp(pos, "r3k2r/8/8/8/8/8/5r2/R3K2R w KQ -");
    moves = movesOf(pos);
    EXPECT_FALSE(has(moves, "e1g1"));
    EXPECT_TRUE(has(moves, "e1c1"));
    // An attack on b1 does not matter, a piece on b1 does.
    setUp(pos, "1r2k3/8/8/8/8/8/8/R3K3 w Q -");
    EXPECT_TRUE(has(movesOf(pos), "e1c1"));
    setUp(pos, "4k3/8/8/8/8/8/8/RN2K3 w Q -");
    EXPECT_FALSE(has(movesOf(pos), "e1c1"));
    // No rook on the corner, no castling, whatever the rights say.
    setUp(pos, "4k3/8/8/8/8/8/8/4K2N w K -");
    EXPECT_FALSE(has(movesOf(pos), "e1g1"));
    // Without the right, no castling while strict.
    setUp(pos, "4k3/8/8/8/8/8/8/4K2R w - -");
    EXPECT_FALSE(has(movesOf(pos), "e1g1"));
}

TEST(Generation, LooseCastlingIgnoresRightsButNotTheBoard) {
    Position pos;
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R w - -");
    pos.SetStrictCastling(false);
    std::vector<std::string> moves = movesOf(pos);
    EXPECT_TRUE(has(moves, "e1g1"));
    EXPECT_TRUE(has(moves, "e1c1"));
    setUp(pos, "r3k2r/8/8/8/8/8/6r1/R2QK2R w - -");
    moves = movesOf(pos);
    EXPECT_FALSE(has(moves, "e1g1"));  // g1 attacked
    EXPECT_FALSE(has(moves, "e1c1"));  // d1 occupied
}

TEST(Generation, CastlingWithStaleCheckInformation) {
    Position pos;
    // Generation that trusts the caller about check must still never castle
    // a king that stands in check.
    setUp(pos, "4k3/8/8/8/8/8/8/4K2R w K -");
    movesOf(pos);  // leaves NumChecks at 0
    setUp(pos, "4r1k1/8/8/8/8/8/8/4K2R w K -");
    MoveList ml;
    pos.GenerateMoves(&ml, KING, GEN_ALL_MOVES, false);
    for (const simpleMoveT& m : ml) EXPECT_NE(coordinates(m), "e1g1");
}

TEST(Generation, EnPassant) {
    Position pos;
    setUp(pos, "4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    EXPECT_TRUE(has(movesOf(pos), "e5d6"));
    // Both pawns leave the fifth rank: the rook would then see the king.
    setUp(pos, "8/8/8/K2pP2r/8/8/8/7k w - d6");
    EXPECT_FALSE(has(movesOf(pos), "e5d6"));
    // A target with no pawn behind it gives nothing.
    setUp(pos, "4k3/8/8/4P3/8/8/8/4K3 w - d6");
    EXPECT_FALSE(has(movesOf(pos), "e5d6"));
    // Taking the checking pawn en passant answers the check.
    setUp(pos, "8/8/8/2k5/3Pp3/8/8/4K3 b - d3");
    EXPECT_TRUE(has(movesOf(pos), "e4d3"));
    // A rook checking from behind an occupied target square is no pawn to
    // take en passant, and taking the pawn on the target does not help.
    setUp(pos, "8/2p5/3p4/K2rP2r/8/8/8/7k w - d6");
    EXPECT_FALSE(has(movesOf(pos), "e5d6"));
    // A target on the wrong rank for the side to move is no capture: a pawn
    // on the second rank is not "behind" anything.
    setUp(pos, "4k3/8/8/8/8/8/3pP3/K7 w - d3");
    EXPECT_FALSE(has(movesOf(pos), "e2d3"));
}

TEST(Generation, PromotionsInOrder) {
    Position pos;
    setUp(pos, "3r2k1/4P3/8/8/8/8/8/4K3 w - -");
    std::vector<std::string> moves = movesOf(pos, PAWN);
    EXPECT_EQ(moves, (std::vector<std::string>{"e7e8q", "e7e8r", "e7e8b", "e7e8n", "e7d8q", "e7d8r",
                                               "e7d8b", "e7d8n"}));
}

TEST(Generation, CapturesOnlyAndPieceTypeRestriction) {
    Position pos;
    setUp(pos, "4k3/8/8/3p4/4P3/8/8/R3K2N w - -");
    std::set<std::string> caps;
    for (const std::string& m : movesOf(pos, EMPTY, GEN_CAPTURES)) caps.insert(m);
    EXPECT_EQ(caps, (std::set<std::string>{"e4d5"}));
    EXPECT_EQ(moveSet(pos, KNIGHT), (std::set<std::string>{"h1f2", "h1g3"}));
    for (const std::string& m : movesOf(pos, KING)) EXPECT_EQ(m.substr(0, 2), "e1");
}

TEST(Attacks, CountsAndSquaresWithoutKings) {
    Position pos;
    setUp(pos, "4k3/8/8/2n2K2/4p3/3B4/8/4R3 b - -");
    // Attacks on d3 by black: knight c5 and pawn e4 (the king never counts).
    squareT from[16];
    EXPECT_EQ(pos.CalcAttacks(BLACK, D3, from), 2u);
    EXPECT_EQ(from[0], C5);
    EXPECT_EQ(from[1], E4);
    // White attackers of e4: rook e1 along the file, bishop d3 (the king on
    // f5 is not counted).
    EXPECT_EQ(pos.CalcAttacks(WHITE, E4, from), 2u);
    EXPECT_EQ(from[0], E1);
    EXPECT_EQ(from[1], D3);
}

TEST(Making, EnPassantTargetOnlyWhenACaptureIsPossible) {
    Position pos;
    pos.StdStart();
    play(pos, "e2e4");
    EXPECT_EQ(pos.GetEPTarget(), NULL_SQUARE);
    EXPECT_EQ(fenOf(pos), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    play(pos, "a7a6");
    play(pos, "e4e5");
    play(pos, "d7d5");
    EXPECT_EQ(pos.GetEPTarget(), D6);
    EXPECT_EQ(fenOf(pos), "rnbqkbnr/1pp1pppp/p7/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3");
    simpleMoveT ep = play(pos, "e5d6");
    EXPECT_EQ(ep.capturedPiece, BP);
    EXPECT_EQ(ep.capturedSquare, D5);
    EXPECT_EQ(pos.GetPiece(D5), EMPTY);
    EXPECT_TRUE(pos.IsConsistent());
}

TEST(Making, CastlingRightsFollowKingsAndCorners) {
    Position pos;
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    simpleMoveT m = play(pos, "h1h8");  // rook leaves h1 and takes on h8
    EXPECT_EQ(pos.GetCastlingFlags(), WQ_CASTLE | BQ_CASTLE);
    pos.UndoSimpleMove(&m);
    EXPECT_EQ(pos.GetCastlingFlags(), WQ_CASTLE | WK_CASTLE | BQ_CASTLE | BK_CASTLE);
    m = play(pos, "e1g1");
    EXPECT_EQ(pos.GetPiece(F1), WR);
    EXPECT_EQ(pos.GetPiece(H1), EMPTY);
    EXPECT_EQ(pos.GetCastlingFlags(), BQ_CASTLE | BK_CASTLE);
    play(pos, "e8c8");
    EXPECT_EQ(pos.GetPiece(D8), BR);
    EXPECT_EQ(pos.GetCastlingFlags(), 0);
    EXPECT_TRUE(pos.IsConsistent());
}

TEST(Making, ClocksAndCounters) {
    Position pos;
    setUp(pos, "4k3/8/8/8/8/8/4P3/R3K3 w - - 10 20");
    play(pos, "a1a5");
    EXPECT_EQ(pos.GetHalfMoveClock(), 11);
    EXPECT_EQ(pos.GetPlyCounter(), 39);
    play(pos, "e8d7");
    EXPECT_EQ(pos.GetFullMoveCount(), 21u);
    play(pos, "e2e4");
    EXPECT_EQ(pos.GetHalfMoveClock(), 0);
}

TEST(Making, PromotionAndCaptureTakenBackExactly) {
    Position pos;
    setUp(pos, "1n2k3/P7/8/8/8/8/8/4K3 w - -");
    const PositionState before(pos);
    simpleMoveT m = play(pos, "a7b8n");
    EXPECT_EQ(pos.GetPiece(B8), WN);
    EXPECT_EQ(pos.GetMaterial()[WP], 0);
    EXPECT_EQ(pos.GetMaterial()[BN], 0);
    EXPECT_TRUE(pos.IsConsistent());
    pos.UndoSimpleMove(&m);
    EXPECT_TRUE(PositionState(pos) == before);
}

TEST(Making, NullMovePassesTheTurn) {
    Position pos;
    setUp(pos, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 3 10");
    const PositionState before(pos);
    simpleMoveT null{};
    ASSERT_EQ(pos.ReadMove(&null, "--", TOKEN_Move_Null), OK);
    EXPECT_TRUE(isNullMove(null));
    pos.DoSimpleMove(&null);
    EXPECT_EQ(pos.GetToMove(), BLACK);
    EXPECT_EQ(pos.GetEPTarget(), NULL_SQUARE);
    EXPECT_EQ(null.capturedPiece, EMPTY);
    pos.UndoSimpleMove(&null);
    EXPECT_TRUE(PositionState(pos) == before);
}

TEST(Matching, KingMoves) {
    Position pos;
    MoveList ml;
    setUp(pos, "8/8/8/8/8/8/k7/7K w - -");
    // h1 and a2 are neighbours by number only.
    EXPECT_EQ(pos.MatchKingMove(&ml, A2), ERROR_InvalidMove);
    EXPECT_EQ(pos.MatchKingMove(&ml, G2), OK);
    setUp(pos, "8/8/8/8/8/5k2/8/7K w - -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G2), ERROR_InvalidMove);  // next to the other king
    EXPECT_EQ(pos.MatchKingMove(&ml, H2), OK);
}

TEST(Matching, CastlingNeedsEverythingTheGeneratorNeeds) {
    Position pos;
    MoveList ml;
    setUp(pos, "4k3/8/8/8/8/8/8/4K2R w K -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G1), OK);
    setUp(pos, "4k3/8/8/8/8/8/8/4K1NR w K -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G1), ERROR_InvalidMove);
    setUp(pos, "4k3/8/8/8/8/8/8/4K2R w - -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G1), ERROR_InvalidMove);
    setUp(pos, "4k3/8/8/8/8/8/5r2/4K2R w K -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G1), ERROR_InvalidMove);  // f1 attacked
    setUp(pos, "8/8/8/8/8/8/6k1/4K2R w K -");
    EXPECT_EQ(pos.MatchKingMove(&ml, G1), ERROR_InvalidMove);  // g1 next to the king
}

}  // namespace
