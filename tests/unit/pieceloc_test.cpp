#include "filter/pieceloc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "filter/squareset.h"
#include "query/strlist.h"
#include "refusal.h"
#include "sample_positions.h"

namespace {

// Designators and lists live until the process ends, as in the engine;
// holding them here keeps them reachable.
template <class T>
T* keep(T* p) {
    static auto* held = new std::vector<T*>;
    held->push_back(p);
    return p;
}

std::string printed(pieceLoc* loc) {
    testing::internal::CaptureStdout();
    loc->print();
    return testing::internal::GetCapturedStdout();
}

pieceLoc* parse(const std::string& text) {
    pieceLoc* loc = keep(pieceLoc::fromString(text.c_str()));
    EXPECT_NE(loc, nullptr) << text;
    return loc;
}

std::string squareNames(const std::string& files, const std::string& ranks) {
    std::string names;
    for (char f : files)
        for (char r : ranks) names += std::string{f, r, ' '};
    return names;
}

TEST(PieceLoc, WrittenFormsPrint) {
    std::string anything = "KQRBNPkqrbnp.";
    std::string sixtyFour = "[" + anything + anything + anything + anything + "PPPPPPPPPPPP]a1";
    struct Case {
        const char* text;
        std::string printed;
    } cases[] = {
        {"[Qq]d-e4", "[Qq]<d4 e4 >"},
        {"K", "K<all squares>"},
        {"Ka1", "Ka1"},
        {" \n Ka1", "Ka1"},
        {".e4", ".e4"},
        {"Ra-b1-2", "R<a1 a2 b1 b2 >"},
        {"Rc-f3-6", "R<" + squareNames("cdef", "3456") + ">"},
        {"[Pp]?7", "[Pp]<" + squareNames("abcdefgh", "7") + ">"},
        {"Nb?", "N<" + squareNames("b", "12345678") + ">"},
        {"Q??", "Q<" + squareNames("abcdefgh", "12345678") + ">"},
        {"R[h8,a1-2]", "R<h8 a1 a2 >"},
        {"R[a1,b2,a1,a-b1-2]", "R<a1 b2 a2 b1 >"},
        {"R[a1,]", "Ra1"},
        {"R[]", "R<no valid squares>"},
        {"Kh-a1", "K<no valid squares>"},
        {"Ka8-1", "K<no valid squares>"},
        {"[QQ]a1", "[QQ]a1"},
        {"A", "[KQRBNP]<all squares>"},
        {"a", "[kqrbnp]<all squares>"},
        {"Md1", "[QR]d1"},
        {"md8", "[qr]d8"},
        {"Ic1", "[BN]c1"},
        {"ic8", "[bn]c8"},
        {"Ue4", "[KQRBNPkqrbnp]e4"},
        {"?e4", "[KQRBNPkqrbnp.]e4"},
        {"[.Ai]h8", "[.KQRBNPbn]h8"},
        // Four question marks and twelve pawns: exactly 64 entries.
        {"[????PPPPPPPPPPPP]a1", sixtyFour},
    };
    for (const Case& c : cases) EXPECT_EQ(printed(parse(c.text)), c.printed) << c.text;
}

// A square part that happens to cover the board is not an absent one: only
// the latter prints as all squares and is exempt from shifts.
TEST(PieceLoc, AllSquaresOnlyWithoutSquarePart) {
    pieceLoc* k = parse("K");
    pieceLoc* all = parse("K??");
    EXPECT_TRUE(k->allsquares);
    EXPECT_FALSE(all->allsquares);
    EXPECT_EQ(k->squaremask, ~SquareSet(0));
    EXPECT_EQ(all->squaremask, ~SquareSet(0));
    for (int i = 0; i < 64; i++) EXPECT_EQ(k->getSquare(i), i);
}

TEST(PieceLoc, BlankTextGivesNothing) {
    for (const char* text : {"", " ", "\n", " \n  \n"})
        EXPECT_EQ(pieceLoc::fromString(text), nullptr) << '"' << text << '"';
}

TEST(PieceLocDeathTest, WrittenFormErrors) {
    std::string longItem = "K[a1," + std::string(100, 'a') + "]";
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {"xa1", "Error: invalid piece designator x\n"},
        {"[Qx]a1", "Error: invalid piece designator x\n"},
        {"e4", "Error: Invalid piece designator\n"},
        {"]a1", "Error: Invalid piece designator\n"},
        {"[Qq", "Error: Invalid piece designator\n"},
        {"[Qq e4", "Error: Invalid piece designator\n"},
        {"[]a1", "Error: Invalid piece designator: [] names no piece\n"},
        // No tag is declared.
        {"$t", "Error: Invalid tag name in piece designator: no such tag\n"},
        {"[Q$t]a1", "Error: Invalid tag name in piece designator: no such tag\n"},
        {"[?????]", "Error: Too many pieces in piece designator: at most 64 are allowed\n"},
        {"K[a1", "Missing ] or chars after ] in square spec: a1"},
        {"K[a1]b2", "Missing ] or chars after ] in square spec: a1]b2"},
        {"K[a1,,b2]", "Invalid empty square spec for string: ,b2]\n"},
        {"K[,a1]", "Invalid empty square spec for string: ,a1]\n"},
        {"K[,]", "Invalid empty square spec for string: ,]\n"},
        {"Ka1b", "Extra characters after piece specifier in specifier: a1b\n"},
        {"K[b2,a1-2x]", "Extra characters after piece specifier in specifier: a1-2x\n"},
        {"K[[a1]", "Missing ] or chars after ] in square spec: a1"},
        {"Ki1", "bad file char i"},
        {"Ka-z1", "bad file char z"},
        {"K1a", "bad file char 1"},
        {"Ka9", "bad rank char 9"},
        {"Ka1-0", "bad rank char 0"},
        {longItem,
         "Error: Square spec too long in piece designator: at most 99 characters per item\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal([&] { pieceLoc::fromString(c.text.c_str()); }), c.message) << c.text;
    // A designator cut short says so rather than show the terminator.
    EXPECT_EQ(refusal([] { pieceLoc::fromString("Ka"); }), "bad rank char (none)");
}

TEST(PieceLoc, MatchAgreesWithTheBoard) {
    const char* designators[] = {
        "K",   "k",       "Ke1",      "[Kk]e1-8",    ".e4",      "?e4",   "[Pp]?7",     "Pa-h2",
        "p?2", "A",       "a[a1,h8]", "U??",         "Kh-a1",    "R[]",   "[Qq]d-e4-5", "M",
        "i",   "Ia-c1-3", "[.N]f3",   "Q[b2,g7,a8]", "[QqRr]?1", "Bc-f?", "[kK.]??",    "nh?",
    };
    std::vector<pieceLoc*> locs;
    for (const char* d : designators) locs.push_back(parse(d));
    int positions = 0;
    forEachSamplePosition([&](const Position& pos, const std::string& where) {
        positions++;
        const pieceT* board = pos.GetBoard();
        for (size_t i = 0; i < locs.size(); i++) {
            const pieceLoc* loc = locs[i];
            // From the piece and square lists alone, not the masks.
            SquareSet expected = 0;
            for (int s = 0; s < loc->nsquares; s++)
                for (int p = 0; p < loc->npieces; p++)
                    if (board[loc->getSquare(s)] == loc->getPiece(p))
                        expected |= square_Bit(squareT(loc->getSquare(s)));
            SquareSet viaSquares = 0;
            for (int sq = 0; sq < 64; sq++)
                if (loc->matchSquare(board, sq)) viaSquares |= square_Bit(squareT(sq));
            ASSERT_EQ(loc->matchingSquares(&pos), expected) << designators[i] << " in " << where;
            ASSERT_EQ(viaSquares, expected) << designators[i] << " in " << where;
            ASSERT_EQ(loc->match(&pos), expected != 0) << designators[i] << " in " << where;
        }
    });
    EXPECT_GT(positions, dataPath("perft").empty() ? 100 : kSlowBuild ? 800 : 8000);
}

TEST(PieceLoc, MatchPieceSquare) {
    pieceLoc* loc = parse("[Qn.]b-c2");
    struct Case {
        pieceT piece;
        int sq;
        bool holds;
    } cases[] = {
        {WQ, B2, true},  {BN, C2, true},  {EMPTY, B2, true}, {BQ, B2, false},
        {WQ, D2, false}, {WN, C2, false}, {WQ, B3, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(loc->matchPieceSquare(c.piece, c.sq), c.holds) << int(c.piece) << " " << c.sq;
}

TEST(PieceLoc, Flips) {
    struct Case {
        const char* text;
        char code;
        const char* printed;
    } cases[] = {
        {"Ke4", 'C', "ke5"},
        {"Ke4", 'D', "Kd5"},
        {"Ke4", 'V', "Kd4"},
        {"Ke4", 'H', "Ke5"},
        {"Rb1", 'D', "Ra2"},
        {"[Qq.]d-e4", 'C', "[qQ.]<d5 e5 >"},
        {"[Aa]a1-2", 'C', "[kqrbnpKQRBNP]<a8 a7 >"},
        {"R[a1,h1,c3]", 'V', "R<h1 a1 f3 >"},
        {"R[a1,h1,c3]", 'D', "R<a1 a8 c3 >"},
        {"K", 'C', "k<all squares>"},
        {"K", 'D', "K<all squares>"},
        {"R[]", 'H', "R<no valid squares>"},
    };
    for (const Case& c : cases) {
        pieceLoc* loc = parse(c.text);
        loc->makeFlip(c.code);
        EXPECT_EQ(printed(loc), c.printed) << c.text << " " << c.code;
    }
}

TEST(PieceLocDeathTest, UnknownFlipIsInternal) {
    pieceLoc* loc = parse("Ka1");
    EXPECT_EXIT(loc->makeFlip('X'), testing::KilledBySignal(SIGABRT), "ASSERT FAILED");
    EXPECT_EXIT(loc->getSquare(1), testing::KilledBySignal(SIGABRT), "ASSERT FAILED");
    EXPECT_EXIT(loc->getPiece(-1), testing::KilledBySignal(SIGABRT), "ASSERT FAILED");
}

TEST(PieceLoc, Shifts) {
    struct Case {
        const char* text;
        int dx, dy;
        bool allowed;
        const char* after;  // printed after makeshift
    } cases[] = {
        {"Rh1", 1, 0, false, "Rh1"},
        {"Ra1", 3, 0, true, "R<d1 a1 b1 c1 >"},
        {"R[a1,h1]", 1, 0, true, "R<b1 a1 >"},
        {"Rh1", -2, 0, true, "R<f1 h1 g1 >"},
        {"Ra1", -1, 0, false, "Ra1"},
        {"Ra1", 0, 2, true, "R<a3 a1 a2 >"},
        {"Ra8", 0, -1, true, "R<a7 a8 >"},
        {"Ra8", 0, 1, false, "Ra8"},
        {"Rd4", 4, 0, true, "Rh4"},
        {"Rd4", 5, 0, false, "Rd4"},
        {"Rd4", -3, -3, true, "Ra1"},
        {"Rd4", -4, 0, false, "Rd4"},
        {"Rd4", 1, 1, true, "Re5"},
        {"Rh4", 1, 1, false, "Rh4"},
        {"Rd8", 1, 1, false, "Rd8"},
        {"Ra1", 1, 1, true, "R<b2 a2 b1 a1 >"},
        {"R[c3,d4]", 6, 0, true, "R<no valid squares>"},
        {"R[c3,d4]", 0, 0, true, "R<c3 d4 >"},
        {"[Pp]?7", 0, 1, true, "[Pp]<a8 b8 c8 d8 e8 f8 g8 h8 >"},
        {"K", 3, -3, true, "K<all squares>"},
        {"R[]", 2, 0, true, "R<no valid squares>"},
    };
    for (const Case& c : cases) {
        pieceLoc* loc = parse(c.text);
        EXPECT_EQ(loc->shiftok(c.dx, c.dy), c.allowed) << c.text << " " << c.dx << "," << c.dy;
        EXPECT_EQ(loc->makeshift(c.dx, c.dy), c.allowed) << c.text;
        EXPECT_EQ(printed(loc), c.after) << c.text << " " << c.dx << "," << c.dy;
    }
}

TEST(SquareSet, StretchingShiftsOnEveryEdge) {
    struct Case {
        SquareSet in;
        int dx, dy;
        SquareSet out;
    } cases[] = {
        {square_Bit(A1), 2, 0, square_Bit(A1) | square_Bit(B1) | square_Bit(C1)},
        {square_Bit(H5), -1, 0, square_Bit(G5) | square_Bit(H5)},
        {square_Bit(C1), 0, 1, square_Bit(C1) | square_Bit(C2)},
        {square_Bit(C8), 0, -2, square_Bit(C6) | square_Bit(C7) | square_Bit(C8)},
        {square_Bit(D4), 7, 0, 0},
        {square_Bit(D4), -3, 4, square_Bit(A8)},
        {~SquareSet(0), 0, 0, ~SquareSet(0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(squareset::shiftStretch(c.in, c.dx, c.dy), c.out) << c.dx << "," << c.dy;
}

TEST(PieceLoc, CloneIsIndependent) {
    pieceLoc* loc = parse("[Qq]d-e4");
    pieceLoc* copy = keep(loc->clone());
    copy->makeFlip('C');
    copy->makeshift(1, 0);
    EXPECT_EQ(printed(loc), "[Qq]<d4 e4 >");
    EXPECT_EQ(printed(copy), "[qQ]<e5 f5 >");
}

// A list read from query text, as the grammar hands it over.
strlist* listOf(const std::string& text) {
    std::string copy = text;
    FILE* in = fmemopen(copy.data(), copy.size(), "r");
    strlist* list = strlist::parseStream(in);
    fclose(in);
    return keep(list);
}

TEST(PieceLoc, ListOfDesignators) {
    pieceLoc* out[4];
    ASSERT_EQ(pieceLoc::pieceLocsFromStrlist(listOf("(Ka1 [Qq]d4 R)"), out, 4), 3);
    for (int i = 0; i < 3; i++) keep(out[i]);
    EXPECT_EQ(printed(out[0]) + printed(out[1]) + printed(out[2]), "Ka1[Qq]d4R<all squares>");
    EXPECT_EQ(pieceLoc::pieceLocsFromStrlist(nullptr, out, 4), 0);
}

// A one-element list whose word is blank: no query file yields one, as words
// are never empty, but a list built in code can.
strlist* blankWordList() {
    strlist* cell = new strlist();
    cell->car = new strlist(" ");
    return cell;
}

TEST(PieceLocDeathTest, ListErrors) {
    pieceLoc* out[2];
    struct Case {
        strlist* list;
        const char* message;
    } cases[] = {
        {keep(new strlist("Ka1")), "Error: bad pieceloc format 23\n"},
        {listOf("(Ka1 (Kb1))"), "Error: malformed pieceloc 24\n"},
        {listOf("(Ka1 ())"), "Error: malformed pieceloc 24\n"},
        {listOf("(Ka1 Kb1 Kc1)"), "Error: Too many piece designators in one list: at most 2\n"},
        {listOf("(Ka1 e4)"), "Error: Invalid piece designator\n"},
        {keep(blankWordList()), "Error: empty piece designator in a ray list\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal([&] { pieceLoc::pieceLocsFromStrlist(c.list, out, 2); }), c.message)
            << c.message;
}

}  // namespace
