// Position set-up: the standard start, adding pieces, copying, FEN reading
// (including the refusals that keep the move generator safe) and writing,
// the square sets and counters, and the board dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/dstring.h"
#include "core/position.h"
#include "position_state.h"

namespace {

const char* const kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

std::string squareName(squareT sq) {
    return {square_FyleChar(sq), square_RankChar(sq)};
}

TEST(PositionSetup, StandardStartListsAndFen) {
    Position pos;
    pos.StdStart();
    EXPECT_EQ(fenOf(pos), kStartFen);
    EXPECT_TRUE(pos.IsConsistent());
    const char* whiteOrder[16] = {"e1", "a1", "b1", "c1", "d1", "f1", "g1", "h1",
                                  "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2"};
    const char* blackOrder[16] = {"e8", "a8", "b8", "c8", "d8", "f8", "g8", "h8",
                                  "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7"};
    ASSERT_EQ(pos.GetCount(WHITE), 16u);
    ASSERT_EQ(pos.GetCount(BLACK), 16u);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(squareName(pos.GetList(WHITE)[i]), whiteOrder[i]) << i;
        EXPECT_EQ(squareName(pos.GetList(BLACK)[i]), blackOrder[i]) << i;
    }
    EXPECT_EQ(pos.GetMaterial()[WP], 8);
    EXPECT_EQ(pos.GetMaterial()[BN], 2);
    EXPECT_EQ(pos.GetBoard()[NULL_SQUARE], END_OF_BOARD);
    EXPECT_EQ(pos.GetBoard()[COLOR_SQUARE], EMPTY);
}

TEST(PositionSetup, SquareSetsAndLineCounters) {
    Position pos;
    pos.StdStart();
    EXPECT_EQ(pos.GetPieceSet(WP), 0x000000000000FF00ull);
    EXPECT_EQ(pos.GetPieceSet(BP), 0x00FF000000000000ull);
    EXPECT_EQ(pos.GetPieceSet(WK), square_Bit(E1));
    EXPECT_EQ(pos.GetPieceSet(BR), square_Bit(A8) | square_Bit(H8));
    EXPECT_EQ(pos.GetColorSet(WHITE), 0x000000000000FFFFull);
    EXPECT_EQ(pos.GetPieceSet(EMPTY), 0x0000FFFFFFFF0000ull);
    EXPECT_EQ(pos.FyleCount(WP, E_FYLE), 1u);
    EXPECT_EQ(pos.RankCount(BP, RANK_7), 8u);
    EXPECT_EQ(pos.LeftDiagCount(WB, square_LeftDiag(C1)), 1u);
    EXPECT_EQ(pos.RightDiagCount(WQ, square_RightDiag(D1)), 1u);
    // One bishop of each side on each square colour.
    EXPECT_EQ(pos.SquareColorCount(WB, WHITE), 1u);
    EXPECT_EQ(pos.SquareColorCount(WB, BLACK), 1u);
}

TEST(PositionSetup, AddPieceRefusesSecondKingAndSeventeenthPiece) {
    Position pos;
    pos.Clear();
    EXPECT_EQ(pos.AddPiece(WR, A1), OK);
    EXPECT_EQ(pos.AddPiece(WN, B1), OK);
    // The king takes list index 0; the piece that stood there goes last.
    EXPECT_EQ(pos.AddPiece(WK, E1), OK);
    EXPECT_EQ(pos.GetList(WHITE)[0], E1);
    EXPECT_EQ(pos.GetList(WHITE)[1], B1);
    EXPECT_EQ(pos.GetList(WHITE)[2], A1);
    EXPECT_TRUE(pos.IsConsistent());
    EXPECT_EQ(pos.AddPiece(WK, E2), ERROR_PieceCount);
    for (squareT sq = A3; sq <= E4; sq++) EXPECT_EQ(pos.AddPiece(WP, sq), OK);
    EXPECT_EQ(pos.GetCount(WHITE), 16u);
    EXPECT_EQ(pos.AddPiece(WQ, H8), ERROR_PieceCount);
    EXPECT_EQ(pos.AddPiece(BQ, H8), OK);
    EXPECT_TRUE(pos.IsConsistent());
}

TEST(PositionSetup, CopyFromTakesStateButNotOwnSettings) {
    Position src, dst;
    ASSERT_EQ(src.ReadFromFEN("r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6 7 30"), OK);
    dst.SetStrictCastling(false);
    dst.CopyFrom(src);
    EXPECT_TRUE(PositionState(dst) == PositionState(src));
    EXPECT_EQ(fenOf(dst), "r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6 7 30");
    EXPECT_FALSE(dst.GetStrictCastling());
    EXPECT_TRUE(dst.IsConsistent());
}

TEST(PositionSetup, ClearKeepsSideToMove) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - - 5 9"), OK);
    pos.Clear();
    EXPECT_EQ(pos.GetToMove(), BLACK);
    EXPECT_EQ(pos.GetCount(WHITE), 0u);
    EXPECT_EQ(pos.GetPlyCounter(), 0);
    EXPECT_EQ(pos.GetHalfMoveClock(), 0);
    EXPECT_EQ(pos.GetEPTarget(), NULL_SQUARE);
    EXPECT_EQ(pos.GetOccupied(), 0u);
    EXPECT_TRUE(pos.IsConsistent());
}

TEST(FenReading, KingsAndTrailingFields) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN("8/8/8/8/8/8/8/8 w - -"), ERROR_InvalidFEN);
    ASSERT_EQ(pos.ReadFromFEN("k7/8/8/8/8/8/8/7K w"), OK);
    EXPECT_EQ(pos.GetKingSquare(BLACK), A8);
    EXPECT_EQ(pos.GetKingSquare(WHITE), H1);
    EXPECT_EQ(pos.GetCastlingFlags(), 0);
    EXPECT_EQ(fenOf(pos), "k7/8/8/8/8/8/8/7K w - - 0 1");
}

TEST(FenReading, MissingCastlingFieldIsDerivedFromTheBoard) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("r3k2r/8/8/8/8/8/8/R3K2R w"), OK);
    EXPECT_EQ(pos.GetCastlingFlags(), WQ_CASTLE | WK_CASTLE | BQ_CASTLE | BK_CASTLE);
    ASSERT_EQ(pos.ReadFromFEN("r3k3/8/8/8/8/8/8/4K2R b  "), OK);
    EXPECT_EQ(pos.GetCastlingFlags(), WK_CASTLE | BQ_CASTLE);
    // A king off its square gets no rights, rooks or not.
    ASSERT_EQ(pos.ReadFromFEN("r2k3r/8/8/8/8/8/8/R3K2R w"), OK);
    EXPECT_EQ(pos.GetCastlingFlags(), WQ_CASTLE | WK_CASTLE);
    // An explicit "-" means none.
    ASSERT_EQ(pos.ReadFromFEN("r3k2r/8/8/8/8/8/8/R3K2R w -"), OK);
    EXPECT_EQ(pos.GetCastlingFlags(), 0);
}

TEST(FenReading, MoveNumbersAndPlyCounter) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - - 0 1"), OK);
    EXPECT_EQ(pos.GetPlyCounter(), 1);
    EXPECT_EQ(pos.GetFullMoveCount(), 1u);
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - - 0 0"), OK);
    EXPECT_EQ(pos.GetPlyCounter(), 1);
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 w - - 3"), OK);
    EXPECT_EQ(pos.GetPlyCounter(), 0);
    EXPECT_EQ(pos.GetHalfMoveClock(), 3);
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - - 12 40"), OK);
    EXPECT_EQ(pos.GetPlyCounter(), 79);
    EXPECT_EQ(pos.GetFullMoveCount(), 40u);
    EXPECT_EQ(fenOf(pos), "4k3/8/8/8/8/8/8/4K3 b - - 12 40");
}

TEST(FenReading, HugeOrNegativeNumbersAreClampedNotOverflowed) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - - 99999999999999999999 99999999999999"), OK);
    EXPECT_EQ(pos.GetHalfMoveClock(), 65535);
    EXPECT_EQ(pos.GetPlyCounter(), 2 * 32767 - 2 + 1);
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 w - - -5 -7"), OK);
    EXPECT_EQ(pos.GetHalfMoveClock(), 0);
    EXPECT_EQ(pos.GetPlyCounter(), 0);
}

TEST(FenReading, EnPassantField) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN("4k3/8/8/8/4P3/8/8/4K3 b - e4"), ERROR_InvalidFEN);
    // Accepted even though no pawn could capture there.
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - e3"), OK);
    EXPECT_EQ(pos.GetEPTarget(), E3);
    EXPECT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - i3"), ERROR_InvalidFEN);
    EXPECT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 b - e"), ERROR_InvalidFEN);
}

TEST(FenReading, MalformedTextIsRefused) {
    const char* bad[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN",    // board cut short
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",  // short rank caught by "/"
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w",
        "rnbqkbnr/pppppppp/0/8/8/8/PPPPPPPP/RNBQKBNR w",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha",  // rook files: Chess960
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w KQkq",  // two white kings
        "rnbqqbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",       // no black king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w",      // "/" after the board
    };
    for (const char* fen : bad) {
        Position pos;
        EXPECT_EQ(pos.ReadFromFEN(fen), ERROR_InvalidFEN) << fen;
    }
}

TEST(FenReading, LastRankOverflowIsNotCaught) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("k7/8/8/8/8/8/8/6K2 w"), OK);
    EXPECT_EQ(pos.GetKingSquare(WHITE), G1);
    EXPECT_EQ(pos.ReadFromFEN("k7/8/8/8/8/8/8/6K w"), ERROR_InvalidFEN);
}

// Positions the move generator cannot handle safely.
TEST(FenReading, RefusesPositionsThatWouldCorruptLaterMoves) {
    const char* bad[] = {
        "4k3/8/8/8/8/8/8/P3K3 w - -",              // white pawn on the first rank
        "P3k3/8/8/8/8/8/8/4K3 w - -",              // white pawn on the eighth rank
        "4k2p/8/8/8/8/8/8/4K3 b - -",              // black pawn on the eighth rank
        "4k3/8/8/8/8/8/8/4K2p b - -",              // black pawn on the first rank
        "4k3/8/8/8/8/8/8/R3K3 w - -",              // fine so far ...
        "4k3/8/8/8/8/8/8/4K2R w - -",              // ... and these two are fine
        "4k3/8/8/8/8/8/8/4R1K1 w - -",             // black, not to move, in check
        "4k3/8/8/8/8/5n2/8/4K3 b - -",             // white, not to move, in check
        "8/8/8/8/8/8/3k4/4K3 w - -",               // kings side by side
        "KQQQQQQQ/QQQQQQQQ/QQ6/8/8/8/8/7k w - -",  // seventeen white pieces
        "QQQQQQQQ/QQQQQQQ1/8/8/8/8/8/K6k w - -",   // fifteen queens
        "4k3/8/8/8/8/8/PPPPPPP1/QQ2K3 w - -",      // a promoted queen and seven pawns
        "4k3/8/8/8/8/8/PPPPPP2/QQ1BKB1B w - -",    // two promoted pieces and six pawns
        "4k3/8/8/8/8/8/8/QQQQKQQQ w - -",          // seven queens: possible
    };
    const bool refused[] = {true, true, true, true, false, false, true,
                            true, true, true, true, false, false, false};
    for (size_t i = 0; i < sizeof(bad) / sizeof(bad[0]); i++) {
        Position pos;
        EXPECT_EQ(pos.ReadFromFEN(bad[i]) == ERROR_InvalidFEN, refused[i]) << bad[i];
    }
}

TEST(FenReading, ReadingAfterARefusalStartsClean) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w"), ERROR_InvalidFEN);
    ASSERT_EQ(pos.ReadFromFEN(kStartFen), OK);
    Position fresh;
    ASSERT_EQ(fresh.ReadFromFEN(kStartFen), OK);
    EXPECT_TRUE(PositionState(pos) == PositionState(fresh));
}

TEST(FenWriting, FlagsSelectTheFields) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6 4 17"), OK);
    char buf[128];
    pos.PrintFEN(buf, FEN_COMPACT);
    EXPECT_STREQ(buf, "r3k2r883pP3888R3K2Rw");
    pos.PrintFEN(buf, FEN_BOARD);
    EXPECT_STREQ(buf, "r3k2r/8/8/3pP3/8/8/8/R3K2R w");
    pos.PrintFEN(buf, FEN_CASTLING_EP);
    EXPECT_STREQ(buf, "r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6");
    pos.PrintFEN(buf, FEN_ALL_FIELDS);
    EXPECT_STREQ(buf, "r3k2r/8/8/3pP3/8/8/8/R3K2R w Kq d6 4 17");
}

TEST(PositionDump, DumpBoardWritesEightRanks) {
    Position pos;
    pos.StdStart();
    char text[1024] = {};
    FILE* fp = fmemopen(text, sizeof(text) - 1, "w");
    ASSERT_NE(fp, nullptr);
    pos.DumpBoard(fp);
    fclose(fp);
    EXPECT_STREQ(text,
                 "   r n b q k b n r \n"
                 "   p p p p p p p p \n"
                 "   . . . . . . . . \n"
                 "   . . . . . . . . \n"
                 "   . . . . . . . . \n"
                 "   . . . . . . . . \n"
                 "   P P P P P P P P \n"
                 "   R N B Q K B N R \n");
}

TEST(Vocabulary, PieceFromCharIgnoresPawnLetter) {
    EXPECT_EQ(piece_FromChar('P'), EMPTY);
    EXPECT_EQ(piece_FromChar('N'), KNIGHT);
    EXPECT_EQ(piece_FromChar('k'), EMPTY);
}

}  // namespace

namespace {

TEST(PositionDiagram, HtmlCellsImagesAndAlternativeText) {
    Position pos;
    pos.StdStart();
    DString html;
    pos.DumpHtmlBoard(&html, 0, nullptr);
    std::string text = html.Data();
    EXPECT_EQ(
        text.rfind("<br><br><center>\n<table Border=1 CellSpacing=0 CellPadding=0>\n<tr>\n", 0),
        0u);
    // a8 (light, black rook) opens the first row; e8 is the fifth cell.
    EXPECT_NE(text.find("<tr>\n  <td><img border=0 width=40 height=40 src=\"bitmaps/wbr.gif\" "
                        "alt=\"BR\"></td>\n"),
              std::string::npos);
    EXPECT_NE(text.find("src=\"bitmaps/wbk.gif\" alt=\"BK\""), std::string::npos);
    // Empty squares: dark ones say "::", light ones nothing.
    EXPECT_NE(text.find("src=\"bitmaps/wsq.gif\" alt=\"\""), std::string::npos);
    EXPECT_NE(text.find("src=\"bitmaps/bsq.gif\" alt=\"::\""), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 36), "\"></td>\n</tr>\n</table>\n</center><br>");
    // h1 is the last cell: light, white rook.
    EXPECT_NE(text.rfind("src=\"bitmaps/wwr.gif\" alt=\"WR\"></td>\n</tr>\n</table>"),
              std::string::npos);
}

TEST(PositionDiagram, HtmlStylesFolderAndFlip) {
    Position pos;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/4K3 w - -"), OK);
    DString styled, custom, flipped, unknown;
    pos.DumpHtmlBoard(&styled, 1, nullptr);
    EXPECT_NE(std::string(styled.Data()).find("width=36 height=35 src=\"bitmaps2/"),
              std::string::npos);
    pos.DumpHtmlBoard(&custom, 1, "img");
    EXPECT_NE(std::string(custom.Data()).find("width=36 height=35 src=\"img/"), std::string::npos);
    pos.DumpHtmlBoard(&unknown, 7, nullptr);
    EXPECT_NE(std::string(unknown.Data()).find("width=40 height=40 src=\"bitmaps/"),
              std::string::npos);
    // Flipped, the first row is rank 1 from h to a: the king on e1 (dark) is
    // its fourth cell and the empty a1 (dark) its last.
    pos.DumpHtmlBoard(&flipped, 0, nullptr, true);
    std::string text = flipped.Data();
    std::vector<std::string> cells;
    for (size_t at = text.find("<td>"); at != std::string::npos; at = text.find("<td>", at + 1))
        cells.push_back(text.substr(at, text.find("</td>", at) - at));
    ASSERT_EQ(cells.size(), 64u);
    EXPECT_NE(cells[3].find("src=\"bitmaps/bwk.gif\" alt=\"WK\""), std::string::npos);
    EXPECT_NE(cells[7].find("src=\"bitmaps/bsq.gif\" alt=\"::\""), std::string::npos);
    EXPECT_NE(cells[0].find("src=\"bitmaps/wsq.gif\" alt=\"\""), std::string::npos);
}

TEST(PositionDiagram, Latex) {
    Position pos;
    pos.StdStart();
    DString tex;
    pos.DumpLatexBoard(&tex);
    EXPECT_STREQ(tex.Data(),
                 "\\board{rnbqkbnr}\n {pppppppp}\n { * * * *}\n {* * * * }\n { * * * *}\n"
                 " {* * * * }\n {PPPPPPPP}\n {RNBQKBNR}");
    DString flipped;
    ASSERT_EQ(pos.ReadFromFEN("4k3/8/8/8/8/8/8/K7 w - -"), OK);
    pos.DumpLatexBoard(&flipped, true);
    // Rank 1 first, h to a: the king on a1 ends the first row.
    EXPECT_EQ(std::string(flipped.Data()).substr(0, 16), "\\board{ * * * K}");
}

}  // namespace
