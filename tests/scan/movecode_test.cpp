// The index's move codes: every legal move of positions that hold each kind
// of move (castling both ways, captures en passant, promotions and
// under-promotions with and without capture, a queen's diagonal moves, a side
// with all sixteen pieces) has a code that reads back as itself, and codes
// that are no legal move are refused.
#include "scan/movecode.h"

#include <gtest/gtest.h>

#include "core/position.h"

using namespace movecode;

namespace {

TEST(MoveCode, EveryLegalMoveReadsBackAsItself) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/pppq1ppp/2n1bn2/3pp3/1b1PP3/2NBBN2/PPPQ1PPP/R3K2R w KQkq - 0 9",
        "r3k2r/pppq1ppp/2n1bn2/3pp3/1b1PP3/2NBBN2/PPPQ1PPP/R3K2R b KQkq - 0 9",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
        "1r2k2r/P1P3P1/8/8/8/8/1p4p1/R3K2R w KQk - 0 1",
        "1r2k2r/P1P3P1/8/8/8/8/1p4p1/R3K2R b KQk - 0 1",
        "4k3/8/8/3Q4/8/8/8/4K3 w - - 0 1",
        "4k3/8/8/8/8/8/8/Q3K2Q w - - 0 1",
        "rnbqkbnr/1ppppppp/8/8/8/8/PPPPPPPp/RNBQKBN1 b Qkq - 0 1",
        "8/8/8/8/8/5k2/6q1/7K w - - 0 1",
    };
    MoveCoder coder;
    MoveList legal;
    int queenDiagonals = 0, moves = 0;
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        Position pos;
        ASSERT_EQ(pos.ReadFromFEN(fen), OK);
        pos.GenerateMoves(&legal);
        for (const simpleMoveT& move : legal) {
            uint8_t code[2];
            const size_t size = coder.encode(pos, move, code);
            ASSERT_NE(size, 0u) << int(move.from) << "-" << int(move.to);
            simpleMoveT back;
            ASSERT_EQ(coder.decode(pos, code, size, back), size);
            EXPECT_EQ(back.from, move.from);
            EXPECT_EQ(back.to, move.to);
            EXPECT_EQ(piece_Type(back.promote), piece_Type(move.promote));
            queenDiagonals += size == 2;
            moves++;
        }
    }
    EXPECT_GT(queenDiagonals, 10);
    EXPECT_GT(moves, 200);
}

TEST(MoveCode, CodesOfNoLegalMoveAreRefused) {
    Position pos;
    pos.StdStart();
    simpleMoveT move;
    MoveCoder coder;
    const uint8_t refused[][2] = {
        {0x00, 0},     // the king stepping onto its own pawn
        {0x08, 0},     // castling through pieces
        {0x0E, 0},     // no king move
        {0x10, 0},     // the rook on a1 onto its own square
        {0x24, 0},     // the knight on b1 jumping off the board
        {0x92, 0},     // the pawn on b2 capturing on an empty a3
        {0xF8, 0},     // the pawn on h2 promoting on g3
        {0x0D, 0x30},  // a bishop's byte after the queen's escape
    };
    for (const auto& code : refused) {
        SCOPED_TRACE(testing::Message() << int(code[0]) << " " << int(code[1]));
        EXPECT_EQ(coder.decode(pos, code, 2, move), 0u);
    }
    // A code cut short.
    const uint8_t escape = kQueenDiagonal;
    EXPECT_EQ(coder.decode(pos, &escape, 1, move), 0u);
    // Out of check, a pass is refused.
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K2r w - - 0 1"), OK);
    const uint8_t pass = kNullMove;
    EXPECT_EQ(coder.decode(pos, &pass, 1, move), 0u);
}

}  // namespace
