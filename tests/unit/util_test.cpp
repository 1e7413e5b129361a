#include "query/util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include "refusal.h"

namespace {

TEST(UtilNumbers, IntValue) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"0", 0},           {"42", 42},          {"007", 7},         {"2147483647", 2147483647},
        {"2147483648", -1}, {"99999999999", -1}, {"4294967297", -1}, {"", -1},
        {"-5", -1},         {"+5", -1},          {"12a", -1},        {" 1", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(util::intValue(c.text), c.value) << c.text;
    EXPECT_EQ(util::intValue(nullptr), -1);
}

TEST(UtilNumbers, SignedIntValue) {
    const int nan = util::notANumber;
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"17", 17},
        {"-17", -17},
        {"-0", 0},
        {"-", nan},
        {"+5", nan},
        {"", nan},
        {"--1", nan},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", nan},
        {"-2147483649", nan},
        {"99999999999", nan},
    };
    for (const Case& c : cases) EXPECT_EQ(util::signedIntValue(c.text), c.value) << c.text;
    EXPECT_EQ(util::signedIntValue(nullptr), nan);
}

TEST(UtilNumbers, FileAndRankChars) {
    for (char ch = 'a'; ch <= 'h'; ch++) EXPECT_EQ(util::fileFromChar(ch), ch - 'a');
    for (char ch = '1'; ch <= '8'; ch++) EXPECT_EQ(util::rankFromChar(ch), ch - '1');
    EXPECT_EQ(refusal([] { util::fileFromChar('i'); }), "bad file char i");
    EXPECT_EQ(refusal([] { util::rankFromChar('9'); }), "bad rank char 9");
    EXPECT_EQ(refusal([] { util::rankFromChar('\0'); }), "bad rank char (none)");
}

TEST(UtilErrors, UassertPassesOrRefuses) {
    EXPECT_EQ(refusal([] { util::uassert(true, "never shown"); }), "(accepted)");
    EXPECT_EQ(refusal([] { util::uassert(false, "bad query"); }), "Error: bad query\n");
}

TEST(UtilErrors, CopyLimit) {
    std::string word(500, 'w');
    char* copy = util::copy(word.c_str());
    EXPECT_EQ(word, copy);
    EXPECT_NE(copy, word.c_str());
    delete[] copy;
    std::string tooLong(501, 'w');
    EXPECT_EQ(refusal([&] { util::copy(tooLong.c_str()); }), "stderr: copy: buffer too long:\n");
}

TEST(UtilErrors, InternalChecks) {
    EXPECT_DEATH(util::makeFlip(64, 'H'), "ASSERT FAILED");
    EXPECT_DEATH(util::makeFlip(3, 'X'), "ASSERT FAILED");
    EXPECT_DEATH(util::makeDirectionFlip(3, 'D'), "ASSERT FAILED");
    EXPECT_DEATH(util::makeDirectionFlip(UP, 'Z'), "ASSERT FAILED");
    EXPECT_DEATH(util::myFlipColor(3), "ASSERT FAILED");
    EXPECT_DEATH(util::power(0), "ASSERT FAILED");
    EXPECT_DEATH(util::power(15), "ASSERT FAILED");
    EXPECT_DEATH(util::printsquare(64), "ASSERT FAILED");
    EXPECT_DEATH(util::squareShiftDirection(0, 11), "ASSERT FAILED");
}

TEST(UtilSquares, ShiftAndStep) {
    EXPECT_EQ(util::squareShift(E4, 1, 2), F6);
    EXPECT_EQ(util::squareShift(E4, -4, -3), A1);
    EXPECT_EQ(util::squareShift(H1, 1, 0), -1);
    EXPECT_EQ(util::squareShift(A8, 0, 1), -1);
    EXPECT_EQ(util::squareShift(A1, 8, 0), -1);
    EXPECT_EQ(util::squareShiftDirection(E4, UP_LEFT), D5);
    EXPECT_EQ(util::squareShiftDirection(E4, DOWN_RIGHT), F3);
    EXPECT_EQ(util::squareShiftDirection(H4, RIGHT), -1);
    EXPECT_EQ(util::squareShiftDirection(A1, DOWN), -1);
    EXPECT_FALSE(util::squareValid(-1));
    EXPECT_FALSE(util::squareValid(64));
    testing::internal::CaptureStdout();
    util::printsquare(A1);
    util::printsquare(H8);
    util::printsquare(E4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a1h8e4");
}

TEST(UtilFlips, SquareImages) {
    EXPECT_EQ(util::makeFlip(A1, 'H'), A8);
    EXPECT_EQ(util::makeFlip(C2, 'H'), C7);
    EXPECT_EQ(util::makeFlip(A1, 'V'), H1);
    EXPECT_EQ(util::makeFlip(C2, 'V'), F2);
    EXPECT_EQ(util::makeFlip(B1, 'D'), A2);
    EXPECT_EQ(util::makeFlip(H8, 'D'), H8);
    for (char kind : {'H', 'V', 'D'})
        for (int sq = 0; sq < 64; sq++)
            EXPECT_EQ(util::makeFlip(util::makeFlip(sq, kind), kind), sq);
}

// A direction flip must agree with the square flip: stepping from a square
// and flipping lands where stepping the flipped way from the flipped square
// does.
TEST(UtilFlips, DirectionsAgreeWithSquares) {
    const directionT dirs[] = {UP, DOWN, LEFT, RIGHT, UP_LEFT, DOWN_LEFT, UP_RIGHT, DOWN_RIGHT};
    for (char kind : {'H', 'V', 'D'}) {
        for (directionT dir : dirs) {
            directionT image = util::makeDirectionFlip(dir, kind);
            for (int sq = 0; sq < 64; sq++) {
                int to = util::squareShiftDirection(sq, dir);
                int flippedTo = util::squareShiftDirection(util::makeFlip(sq, kind), image);
                EXPECT_EQ(flippedTo, to < 0 ? -1 : util::makeFlip(to, kind))
                    << kind << " dir " << int(dir) << " sq " << sq;
            }
        }
    }
    for (directionT dir : dirs) EXPECT_EQ(util::makeDirectionFlip(dir, 'C'), dir);
    EXPECT_EQ(util::makeDirectionFlip(0, 'H'), 0);
    EXPECT_EQ(util::makeDirectionFlip(3, 'V'), 3);
}

TEST(UtilFlips, Colors) {
    EXPECT_EQ(util::myFlipColor(WHITE), BLACK);
    EXPECT_EQ(util::myFlipColor(BLACK), WHITE);
    EXPECT_EQ(util::myFlipColor(NOCOLOR), NOCOLOR);
}

class UtilBoard : public testing::Test {
  protected:
    pieceT board[66];
    pieceT out[66];
    void SetUp() override {
        memset(board, EMPTY, 64);
        board[64] = 'W';
        board[65] = 42;
        memset(out, 0, sizeof out);
    }
};

TEST_F(UtilBoard, DumpBoard) {
    board[A1] = WR;
    board[E8] = BK;
    testing::internal::CaptureStdout();
    util::my_dump_board(board);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Side To move is: W\n"
              "   - + - + k + - + \n"
              "   + - + - + - + - \n"
              "   - + - + - + - + \n"
              "   + - + - + - + - \n"
              "   - + - + - + - + \n"
              "   + - + - + - + - \n"
              "   - + - + - + - + \n"
              "   R - + - + - + - \n");
}

TEST(UtilPieces, PowerAndDirections) {
    const int values[] = {0, 9, 5, 3, 3, 1};
    for (pieceT type = KING; type <= PAWN; type++) {
        EXPECT_EQ(util::power(piece_Make(WHITE, type)), values[type - 1]);
        EXPECT_EQ(util::power(piece_Make(BLACK, type)), values[type - 1]);
    }
    EXPECT_EQ(util::power(EMPTY), 0);

    for (directionT dir : {UP, DOWN, LEFT, RIGHT}) {
        EXPECT_TRUE(util::directionOrthogonal(dir));
        EXPECT_FALSE(util::directionDiagonal(dir));
        EXPECT_TRUE(util::directionCompatible(BR, dir));
        EXPECT_TRUE(util::directionCompatible(WQ, dir));
        EXPECT_FALSE(util::directionCompatible(WB, dir));
    }
    for (directionT dir : {UP_LEFT, DOWN_LEFT, UP_RIGHT, DOWN_RIGHT}) {
        EXPECT_TRUE(util::directionDiagonal(dir));
        EXPECT_FALSE(util::directionOrthogonal(dir));
        EXPECT_TRUE(util::directionCompatible(BB, dir));
        EXPECT_TRUE(util::directionCompatible(BQ, dir));
        EXPECT_FALSE(util::directionCompatible(WR, dir));
    }
    for (pieceT p : {WK, BN, WP, EMPTY}) EXPECT_FALSE(util::directionCompatible(p, UP));
    EXPECT_FALSE(util::directionOrthogonal(0));
    EXPECT_FALSE(util::directionDiagonal(3));
}

}  // namespace
