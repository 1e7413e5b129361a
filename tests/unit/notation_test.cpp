// SAN writing (disambiguation, captures, promotions, castling, check and
// mate marks) and reading (SAN with its tolerated variants, coordinates),
// including the refusals of ambiguous and impossible moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/position.h"
#include "position_state.h"
#include "sample_positions.h"

namespace {

Position& setUp(Position& pos, const char* fen) {
    EXPECT_EQ(pos.ReadFromFEN(fen), OK) << fen;
    return pos;
}

// SAN of the move given in coordinates.
std::string san(Position& pos, const char* coord, int flag = SAN_MATETEST) {
    simpleMoveT m{};
    EXPECT_EQ(pos.ReadCoordMove(&m, coord, false), OK) << coord;
    char s[16];
    pos.MakeSANString(&m, s, flag);
    return s;
}

// Coordinates of the move read from SAN, or "invalid".
std::string read(Position& pos, const char* text, tokenT token) {
    simpleMoveT m{};
    if (pos.ReadMove(&m, text, token) != OK) return "invalid";
    return coordinates(m);
}

TEST(SanWriting, KnightDisambiguation) {
    Position pos;
    setUp(pos, "4k3/8/8/8/8/8/8/1N3NK1 w - -");
    EXPECT_EQ(san(pos, "b1d2"), "Nbd2");
    setUp(pos, "4k3/8/8/8/8/1N6/8/1N4K1 w - -");
    EXPECT_EQ(san(pos, "b1d2"), "N1d2");
    setUp(pos, "4k3/8/8/8/8/1N6/8/1N3NK1 w - -");
    EXPECT_EQ(san(pos, "b1d2"), "Nb1d2");
    // A pinned knight cannot go there, so nothing needs telling apart.
    setUp(pos, "4k3/8/8/8/8/8/8/qN1K1N2 w - -");
    EXPECT_EQ(san(pos, "f1d2"), "Nd2");
}

TEST(SanWriting, PawnsPiecesAndCastling) {
    Position pos;
    setUp(pos, "r3k2r/1P6/8/3p4/4P3/8/8/R3K2R w KQkq -");
    EXPECT_EQ(san(pos, "e4d5"), "exd5");
    EXPECT_EQ(san(pos, "e4e5"), "e5");
    EXPECT_EQ(san(pos, "b7b8q"), "b8=Q+");
    EXPECT_EQ(san(pos, "b7a8n"), "bxa8=N");
    EXPECT_EQ(san(pos, "e1g1"), "O-O");
    EXPECT_EQ(san(pos, "e1c1"), "O-O-O");
    EXPECT_EQ(san(pos, "e1e2"), "Ke2");
    EXPECT_EQ(san(pos, "a1a8"), "Rxa8+");
    EXPECT_EQ(san(pos, "h1h7"), "Rh7");
    setUp(pos, "4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    EXPECT_EQ(san(pos, "e5d6"), "exd6");
}

TEST(SanWriting, CheckAndMateMarks) {
    Position pos;
    setUp(pos, "6k1/5ppp/8/8/8/8/8/R5K1 w - -");
    EXPECT_EQ(san(pos, "a1a8", SAN_MATETEST), "Ra8#");
    EXPECT_EQ(san(pos, "a1a8", SAN_CHECKTEST), "Ra8+");
    EXPECT_EQ(san(pos, "a1a8", SAN_NO_CHECKTEST), "Ra8");
    setUp(pos, "6k1/5pp1/8/8/8/8/8/R5K1 w - -");
    EXPECT_EQ(san(pos, "a1a8", SAN_MATETEST), "Ra8+");
    // Discovered check through a castling rook.
    setUp(pos, "5k2/8/8/8/8/8/8/4K2R w K -");
    EXPECT_EQ(san(pos, "e1g1"), "O-O+");
}

TEST(SanWriting, NullMoveAndFilledPieceNumber) {
    Position pos;
    pos.StdStart();
    simpleMoveT m{};
    ASSERT_EQ(pos.ReadMove(&m, "--", TOKEN_Move_Null), OK);
    char s[16];
    pos.MakeSANString(&m, s, SAN_MATETEST);
    EXPECT_STREQ(s, "--");
    ASSERT_EQ(pos.ReadCoordMove(&m, "g1f3", false), OK);
    m.pieceNum = 99;
    pos.MakeSANString(&m, s, SAN_NO_CHECKTEST);
    EXPECT_EQ(m.pieceNum, 6);  // the g1 knight is seventh in white's list
}

TEST(SanWriting, CheckTestLeavesTheCallersCheckInformation) {
    Position pos;
    setUp(pos, "4k3/8/8/8/8/8/4r3/R3K3 w - -");
    MoveList moves;
    pos.GenerateMoves(&moves);
    ASSERT_EQ(pos.GetNumChecks(), 1u);
    for (simpleMoveT& m : moves) {
        char s[16];
        pos.MakeSANString(&m, s, SAN_MATETEST);
    }
    EXPECT_EQ(pos.GetNumChecks(), 1u);
    EXPECT_EQ(pos.GetCheckSquares()[0], E2);
}

TEST(SanReading, EnPassantForms) {
    Position pos;
    setUp(pos, "4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    EXPECT_EQ(read(pos, "exd6", TOKEN_Move_Pawn), "e5d6");
    EXPECT_EQ(read(pos, "ed", TOKEN_Move_Pawn), "e5d6");
    EXPECT_EQ(read(pos, "ed6", TOKEN_Move_Pawn), "e5d6");
    simpleMoveT m{};
    ASSERT_EQ(pos.ReadMove(&m, "exd6", TOKEN_Move_Pawn), OK);
    pos.DoSimpleMove(&m);
    EXPECT_EQ(pos.GetPiece(D5), EMPTY);
    EXPECT_TRUE(pos.IsConsistent());
}

TEST(SanReading, PawnMoves) {
    Position pos;
    pos.StdStart();
    EXPECT_EQ(read(pos, "e4", TOKEN_Move_Pawn), "e2e4");
    EXPECT_EQ(read(pos, "e3", TOKEN_Move_Pawn), "e2e3");
    EXPECT_EQ(read(pos, "e5", TOKEN_Move_Pawn), "invalid");
    EXPECT_EQ(read(pos, "exd3", TOKEN_Move_Pawn), "invalid");
    EXPECT_EQ(read(pos, "e2e4", TOKEN_Move_Pawn), "e2e4");  // coordinates
    EXPECT_EQ(read(pos, "e4!?", TOKEN_Move_Pawn), "e2e4");
    EXPECT_EQ(read(pos, "e", TOKEN_Move_Pawn), "invalid");
    EXPECT_EQ(read(pos, "e9", TOKEN_Move_Pawn), "invalid");
    EXPECT_EQ(read(pos, "ae3", TOKEN_Move_Pawn), "invalid");  // no pawn capture there
    // A double step cannot jump over a piece.
    setUp(pos, "4k3/8/8/8/8/4n3/4P3/4K3 w - -");
    EXPECT_EQ(read(pos, "e4", TOKEN_Move_Pawn), "invalid");
}

TEST(SanReading, Promotions) {
    Position pos;
    setUp(pos, "1n2k3/P7/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(read(pos, "a8=Q", TOKEN_Move_Promote), "a7a8q");
    EXPECT_EQ(read(pos, "a8N", TOKEN_Move_Promote), "a7a8n");
    EXPECT_EQ(read(pos, "a8=r", TOKEN_Move_Promote), "a7a8r");
    EXPECT_EQ(read(pos, "axb8=B+", TOKEN_Move_Promote), "a7b8b");
    EXPECT_EQ(read(pos, "ab=Q", TOKEN_Move_Promote), "a7b8q");
    EXPECT_EQ(read(pos, "a8=K", TOKEN_Move_Promote), "invalid");
    EXPECT_EQ(read(pos, "a8", TOKEN_Move_Pawn), "invalid");  // promotion piece missing
    setUp(pos, "4k3/8/8/8/8/8/P7/4K3 w - -");
    EXPECT_EQ(read(pos, "a3=Q", TOKEN_Move_Promote), "invalid");
}

TEST(SanReading, PieceMovesAndAmbiguity) {
    Position pos;
    setUp(pos, "4k3/8/8/8/8/8/8/1N3NK1 w - -");
    EXPECT_EQ(read(pos, "Nd2", TOKEN_Move_Piece), "invalid");  // either knight
    EXPECT_EQ(read(pos, "Nbd2", TOKEN_Move_Piece), "b1d2");
    EXPECT_EQ(read(pos, "Nfd2", TOKEN_Move_Piece), "f1d2");
    EXPECT_EQ(read(pos, "N1d2", TOKEN_Move_Piece), "invalid");  // both on rank 1
    EXPECT_EQ(read(pos, "Nb1d2", TOKEN_Move_Piece), "b1d2");
    EXPECT_EQ(read(pos, "Nxd2", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Nc3+", TOKEN_Move_Piece), "b1c3");
    EXPECT_EQ(read(pos, "Nh3", TOKEN_Move_Piece), "invalid");  // no knight reaches h3
}

TEST(SanReading, PieceMovesRefusals) {
    Position pos;
    pos.StdStart();
    EXPECT_EQ(read(pos, "Nf3", TOKEN_Move_Piece), "g1f3");
    EXPECT_EQ(read(pos, "Ng1f3", TOKEN_Move_Piece), "g1f3");
    EXPECT_EQ(read(pos, "Nf4", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Nz3", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "N9f3", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Zf3", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Nf", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Ngg1f3", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Bc4", TOKEN_Move_Piece), "invalid");  // blocked by the pawn
    EXPECT_EQ(read(pos, "Ke2", TOKEN_Move_Piece), "invalid");
}

TEST(SanReading, KingMoves) {
    Position pos;
    setUp(pos, "8/8/8/8/8/8/k7/7K w - -");
    EXPECT_EQ(read(pos, "Ka2", TOKEN_Move_Piece), "invalid");
    EXPECT_EQ(read(pos, "Kg2", TOKEN_Move_Piece), "h1g2");
    setUp(pos, "8/8/8/8/8/5k2/8/7K w - -");
    EXPECT_EQ(read(pos, "Kg2", TOKEN_Move_Piece), "invalid");  // next to the black king
}

TEST(SanReading, Castling) {
    Position pos;
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    EXPECT_EQ(read(pos, "O-O", TOKEN_Move_Castle_King), "e1g1");
    EXPECT_EQ(read(pos, "O-O-O", TOKEN_Move_Castle_Queen), "e1c1");
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R w Qkq -");
    EXPECT_EQ(read(pos, "O-O", TOKEN_Move_Castle_King), "invalid");
    setUp(pos, "r3k2r/8/8/8/8/8/8/R4K1R w - -");
    EXPECT_EQ(read(pos, "O-O", TOKEN_Move_Castle_King), "invalid");
    setUp(pos, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
    EXPECT_EQ(read(pos, "O-O-O", TOKEN_Move_Castle_Queen), "e8c8");
}

// The king's safety for moves other than the king's own: a piece pinned
// along each shape of line, a pinned piece moving along its pin or taking
// its pinner, checks that only a capture or a block answers, a piece behind
// another on the line (no pin), en passant that would open a rank; and
// castling out of, through or into an attacked square.
TEST(SanReading, PinsAndChecks) {
    struct Case {
        const char* fen;
        const char* text;
        tokenT token;
        const char* expected;
    };
    const Case cases[] = {
        // Pinned on a fyle: sideways off it is refused, along it is fine.
        {"4r1k1/8/8/8/8/8/4R3/4K3 w - -", "Rd2", TOKEN_Move_Piece, "invalid"},
        {"4r1k1/8/8/8/8/8/4R3/4K3 w - -", "Re5", TOKEN_Move_Piece, "e2e5"},
        {"4r1k1/8/8/8/8/8/4R3/4K3 w - -", "Rxe8+", TOKEN_Move_Piece, "e2e8"},
        // Pinned on a rank, and the same piece with a second one in front.
        {"6k1/8/8/8/8/8/8/K2N3r w - -", "Nc3", TOKEN_Move_Piece, "invalid"},
        {"6k1/8/8/8/8/8/8/K1BN3r w - -", "Nc3", TOKEN_Move_Piece, "d1c3"},
        // Pinned on either diagonal; a bishop may slide along its pin.
        {"6k1/8/8/8/3b4/8/1N6/K7 w - -", "Nd3", TOKEN_Move_Piece, "invalid"},
        {"6k1/8/8/8/3b4/8/1B6/K7 w - -", "Bc3", TOKEN_Move_Piece, "b2c3"},
        {"6k1/8/8/8/3b4/8/1B6/K7 w - -", "Bxd4", TOKEN_Move_Piece, "b2d4"},
        {"6k1/8/8/8/3b4/8/1B6/K7 w - -", "Ba3", TOKEN_Move_Piece, "invalid"},
        {"7k/8/8/8/8/8/6P1/7K w - -", "g4", TOKEN_Move_Pawn, "g2g4"},
        {"7k/8/8/8/b7/8/2P5/3K4 w - -", "c3", TOKEN_Move_Pawn, "invalid"},
        {"7k/8/8/8/8/1b6/2P5/3K4 w - -", "cxb3", TOKEN_Move_Pawn, "c2b3"},
        // The disambiguation a pin settles: only the unpinned knight moves.
        {"4r1k1/8/8/8/8/1N6/4N3/4K3 w - -", "Nd4", TOKEN_Move_Piece, "b3d4"},
        // In check from a knight: only its capture helps, a block cannot.
        {"6k1/8/8/8/8/3n4/8/R3K3 w - -", "Ra3", TOKEN_Move_Piece, "invalid"},
        {"6k1/8/8/8/8/3n4/8/3RK3 w - -", "Rxd3", TOKEN_Move_Piece, "d1d3"},
        // In check from a pawn: its capture, nothing else.
        {"6k1/8/8/8/8/8/3p4/2N1K3 w - -", "Nxd3", TOKEN_Move_Piece, "invalid"},
        {"6k1/8/8/8/8/8/3p4/2B1K3 w - -", "Bxd2", TOKEN_Move_Piece, "c1d2"},
        // In check from a rook: a block or the capture, not another move.
        {"4r1k1/8/8/8/8/8/8/1N2K3 w - -", "Nd2", TOKEN_Move_Piece, "invalid"},
        {"4r1k1/8/8/8/8/8/8/1N2K3 w - -", "Nc3", TOKEN_Move_Piece, "invalid"},
        {"4r1k1/8/8/8/8/8/5N2/4K3 w - -", "Ne4", TOKEN_Move_Piece, "f2e4"},
        {"4r1k1/8/8/8/8/8/8/4K2R w - -", "Rh8+", TOKEN_Move_Piece, "invalid"},
        // Double check: no piece move answers both.
        {"4r1k1/8/8/8/8/3n4/8/R3K3 w - -", "Rxa8", TOKEN_Move_Piece, "invalid"},
        {"4r1k1/8/8/8/8/3n4/8/3RK3 w - -", "Rxd3", TOKEN_Move_Piece, "invalid"},
        // En passant taking both pawns off the king's rank, and not.
        {"7k/8/8/K2pP2r/8/8/8/8 w - d6", "exd6", TOKEN_Move_Pawn, "invalid"},
        {"7k/8/8/K1PpP2r/8/8/8/8 w - d6", "exd6", TOKEN_Move_Pawn, "e5d6"},
        // Black's pins and checks the same way.
        {"4k3/4n3/8/8/8/8/8/4Q1K1 b - -", "Nc6", TOKEN_Move_Piece, "invalid"},
        {"4k3/3p4/8/1B6/8/8/8/6K1 b - -", "d6", TOKEN_Move_Pawn, "invalid"},
        {"4k3/8/3N4/8/8/8/7K/1r6 b - -", "Rb6", TOKEN_Move_Piece, "invalid"},
        {"4k3/8/3N4/8/8/8/7K/3r4 b - -", "Rxd6", TOKEN_Move_Piece, "d1d6"},
        // Castling: not through or onto a square a bishop, knight or pawn
        // hits; b1 may be hit; a line to f1 blocked by a pawn hits nothing.
        {"r3k2r/8/8/8/2b5/8/8/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "invalid"},
        {"r3k2r/8/8/8/2b5/8/8/R3K2R w KQ -", "O-O-O", TOKEN_Move_Castle_Queen, "e1c1"},
        {"r3k2r/8/8/8/8/8/7n/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "invalid"},
        {"r3k2r/8/8/8/8/8/7p/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "invalid"},
        {"r3k2r/8/8/8/8/8/2p5/R3K2R w KQ -", "O-O-O", TOKEN_Move_Castle_Queen, "invalid"},
        {"r3k2r/8/8/8/8/8/2p5/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "e1g1"},
        {"1r2k2r/8/8/8/8/8/8/R3K2R w KQ -", "O-O-O", TOKEN_Move_Castle_Queen, "e1c1"},
        {"r3kr2/8/8/8/8/8/8/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "invalid"},
        {"r3kr2/8/8/8/8/8/5P2/R3K2R w KQ -", "O-O", TOKEN_Move_Castle_King, "e1g1"},
        {"r3k2r/8/8/8/8/8/8/R3K1qR w KQ -", "O-O-O", TOKEN_Move_Castle_Queen, "invalid"},
        {"r3k2r/7N/8/8/8/8/8/R3K2R b kq -", "O-O", TOKEN_Move_Castle_King, "invalid"},
        {"r3k2r/7N/8/8/8/8/8/R3K2R b kq -", "O-O-O", TOKEN_Move_Castle_Queen, "e8c8"},
    };
    for (const Case& c : cases) {
        Position pos;
        setUp(pos, c.fen);
        EXPECT_EQ(read(pos, c.text, c.token), c.expected) << c.text << " in " << c.fen;
    }
}

TEST(SanReading, NullMoveAndUnknownTokens) {
    Position pos;
    pos.StdStart();
    simpleMoveT m{};
    ASSERT_EQ(pos.ReadMove(&m, "--", TOKEN_Move_Null), OK);
    EXPECT_EQ(m.from, E1);
    EXPECT_EQ(m.to, E1);
    EXPECT_EQ(m.promote, EMPTY);
    EXPECT_EQ(pos.ReadMove(&m, "e4", TOKEN_Comment), ERROR_InvalidMove);
    // No passing out of check.
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/4r3/4K3 w - -"), OK);
    EXPECT_EQ(pos.ReadMove(&m, "--", TOKEN_Move_Null), ERROR_InvalidMove);
    // Overlong text is refused, not copied past a buffer.
    std::string longText(200, 'N');
    EXPECT_EQ(pos.ReadMove(&m, longText.c_str(), TOKEN_Move_Piece), ERROR_InvalidMove);
}

TEST(CoordinateReading, PromotionCastlingAndReverse) {
    Position pos;
    setUp(pos, "4k3/P7/8/8/8/8/8/4K2R w K -");
    simpleMoveT m{};
    EXPECT_EQ(pos.ReadCoordMove(&m, "a7a8q", false), OK);
    EXPECT_EQ(m.promote, QUEEN);
    EXPECT_EQ(pos.ReadCoordMove(&m, "a7a8", false), ERROR_InvalidMove);
    EXPECT_EQ(pos.ReadCoordMove(&m, "e1g1", false), OK);
    EXPECT_EQ(pos.ReadCoordMove(&m, "g1e1", false), ERROR_InvalidMove);
    EXPECT_EQ(pos.ReadCoordMove(&m, "g1e1", true), OK);
    EXPECT_EQ(m.from, E1);
    EXPECT_EQ(pos.ReadCoordMove(&m, "e1", false), ERROR_InvalidMove);
    EXPECT_EQ(pos.ReadCoordMove(&m, "e1i1", false), ERROR_InvalidMove);
    EXPECT_EQ(pos.ReadCoordMove(&m, "e1f1 rest", false), OK);
}

}  // namespace

namespace {

bool sameMove(const simpleMoveT& a, const simpleMoveT& b) {
    return a.pieceNum == b.pieceNum && a.movingPiece == b.movingPiece && a.from == b.from &&
           a.to == b.to && a.capturedPiece == b.capturedPiece && a.promote == b.promote &&
           a.capturedSquare == b.capturedSquare && a.epSquare == b.epSquare;
}

// Reads `text` and checks the outcome against the legal moves that fit it:
// exactly one gives that very move, none or several give a refusal.
void expectReadAs(Position& pos, const std::string& text, tokenT token,
                  const std::vector<simpleMoveT>& fitting, const std::string& where) {
    simpleMoveT m{};
    const errorT err = pos.ReadMove(&m, text.c_str(), token);
    if (fitting.size() != 1) {
        EXPECT_EQ(err, ERROR_InvalidMove) << text << " in " << where;
        return;
    }
    ASSERT_EQ(err, OK) << text << " in " << where;
    EXPECT_TRUE(sameMove(m, fitting[0])) << text << " in " << where << ": read " << coordinates(m)
                                         << ", legal " << coordinates(fitting[0]);
}

}  // namespace

// The reader resolves moves on square sets, testing the king's safety only
// for the candidates; the generator's legal moves are the reference. Every
// piece and pawn move that can be written to every square, with and without
// the origin's fyle or rank, must give the one legal move that fits, with
// every field as the generator fills it, or a refusal when none or several fit.
// A king's two-square move to its castling square reads as castling.
TEST(SanReading, AgreesWithTheLegalMovesEverywhere) {
    forEachSamplePosition([](const Position& sample, const std::string& where) {
        Position pos;
        pos.CopyFrom(sample);
        MoveList legal;
        pos.GenerateMoves(&legal);
        const colorT side = pos.GetToMove();
        auto fitting = [&](pieceT type, squareT to, fyleT f, rankT r, pieceT promote) {
            std::vector<simpleMoveT> out;
            for (const simpleMoveT& mv : legal) {
                if (piece_Type(mv.movingPiece) != type || mv.to != to || mv.promote != promote)
                    continue;
                if (f != NO_FYLE && square_Fyle(mv.from) != f) continue;
                if (r != NO_RANK && square_Rank(mv.from) != r) continue;
                out.push_back(mv);
            }
            return out;
        };
        const std::string pieces = "KQRBN";
        for (squareT to = 0; to < 64; to++) {
            const std::string sq = {square_FyleChar(to), square_RankChar(to)};
            for (char letter : pieces) {
                const pieceT type = piece_FromChar(letter);
                expectReadAs(pos, letter + sq, TOKEN_Move_Piece,
                             fitting(type, to, NO_FYLE, NO_RANK, EMPTY), where);
                if (type == KING) continue;
                for (fyleT f = A_FYLE; f <= H_FYLE; f++) {
                    expectReadAs(pos, std::string{letter, char('a' + f), 'x'} + sq,
                                 TOKEN_Move_Piece, fitting(type, to, f, NO_RANK, EMPTY), where);
                }
                for (rankT r = RANK_1; r <= RANK_8; r++) {
                    expectReadAs(pos, std::string{letter, char('1' + r)} + sq, TOKEN_Move_Piece,
                                 fitting(type, to, NO_FYLE, r, EMPTY), where);
                }
            }
            const bool last = square_Rank(to) == (side == WHITE ? RANK_8 : RANK_1);
            for (fyleT f = A_FYLE; f <= H_FYLE; f++) {
                std::string text = std::string{char('a' + f)};
                if (f != square_Fyle(to)) text += 'x';
                text += sq;
                if (!last) {
                    expectReadAs(pos, text, TOKEN_Move_Pawn, fitting(PAWN, to, f, NO_RANK, EMPTY),
                                 where);
                    continue;
                }
                for (char promo : std::string("QRBN")) {
                    expectReadAs(pos, text + "=" + promo, TOKEN_Move_Promote,
                                 fitting(PAWN, to, f, NO_RANK, piece_FromChar(promo)), where);
                }
            }
        }
        EXPECT_TRUE(pos.IsConsistent()) << where;
    });
}
