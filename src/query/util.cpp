#include "query/util.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "query/queryerror.h"

namespace {

constexpr size_t kMaxCopy = 500;

// Value of a non-empty digit string up to `limit`; -1 when it is empty,
// holds anything but digits, or exceeds the limit (a wrapped value would
// silently pass as a different number).
long long digitsValue(const char* s, long long limit) {
    if (*s == '\0') return -1;
    long long value = 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9') return -1;
        value = value * 10 + (*s - '0');
        if (value > limit) return -1;
    }
    return value;
}

}  // namespace

void util::uassert(bool condition, const char* message) {
    if (condition) return;
    throw QueryError(std::string("Error: ") + message + "\n");
}

char* util::copy(const char* s) {
    ASSERT(s != nullptr);
    size_t len = strlen(s);
    if (len > kMaxCopy) {
        throw QueryError("copy: buffer too long:\n", QueryError::Stream::Err);
    }
    char* result = new char[len + 1];
    memcpy(result, s, len + 1);
    return result;
}

int util::intValue(const char* s) {
    if (s == nullptr) return -1;
    return int(digitsValue(s, INT_MAX));
}

int util::signedIntValue(const char* s) {
    if (s == nullptr) return notANumber;
    bool negative = *s == '-';
    long long value = digitsValue(negative ? s + 1 : s, negative ? -(long long)INT_MIN : INT_MAX);
    if (value < 0) return notANumber;
    return int(negative ? -value : value);
}

namespace {

// A square spec cut short has no character to show: the message says so
// rather than print the text's terminating zero byte.
[[noreturn]] void badSquareChar(const char* what, char ch) {
    std::string text = std::string("bad ") + what + " char ";
    if (ch == '\0')
        text += "(none)";
    else
        text += ch;
    throw QueryError(text);
}

}  // namespace

int util::fileFromChar(char ch) {
    if (ch < 'a' || ch > 'h') badSquareChar("file", ch);
    return ch - 'a';
}

int util::rankFromChar(char ch) {
    if (ch < '1' || ch > '8') badSquareChar("rank", ch);
    return ch - '1';
}

void util::printsquare(int sq) {
    ASSERT(squareValid(sq));
    printf("%c%c", 'a' + sq % 8, '1' + sq / 8);
}

int util::squareShift(int sq, int df, int dr) {
    if (!squareValid(sq)) return -1;
    int file = sq % 8 + df, rank = sq / 8 + dr;
    if (file < 0 || file > 7 || rank < 0 || rank > 7) return -1;
    return rank * 8 + file;
}

int util::squareShiftDirection(int sq, directionT dir) {
    ASSERT(squareValid(sq) && dir < NUM_DIRECTIONS);
    squareT to = square_Move(squareT(sq), dir);
    return to == NULL_SQUARE ? -1 : to;
}

int util::makeFlip(int sq, char kind) {
    ASSERT(squareValid(sq));
    int file = sq % 8, rank = sq / 8;
    switch (kind) {
        case 'H':
            return (7 - rank) * 8 + file;
        case 'V':
            return rank * 8 + (7 - file);
        case 'D':
            return file * 8 + rank;
    }
    _MyAssert(__FILE__, __LINE__);
}

directionT util::makeDirectionFlip(directionT dir, char kind) {
    switch (kind) {
        case 'H':
            switch (dir) {
                case UP:
                    return DOWN;
                case DOWN:
                    return UP;
                case UP_LEFT:
                    return DOWN_LEFT;
                case DOWN_LEFT:
                    return UP_LEFT;
                case UP_RIGHT:
                    return DOWN_RIGHT;
                case DOWN_RIGHT:
                    return UP_RIGHT;
                default:
                    return dir;
            }
        case 'V':
            switch (dir) {
                case LEFT:
                    return RIGHT;
                case RIGHT:
                    return LEFT;
                case UP_LEFT:
                    return UP_RIGHT;
                case UP_RIGHT:
                    return UP_LEFT;
                case DOWN_LEFT:
                    return DOWN_RIGHT;
                case DOWN_RIGHT:
                    return DOWN_LEFT;
                default:
                    return dir;
            }
        case 'D':
            switch (dir) {
                case UP:
                    return RIGHT;
                case RIGHT:
                    return UP;
                case DOWN:
                    return LEFT;
                case LEFT:
                    return DOWN;
                case UP_LEFT:
                    return DOWN_RIGHT;
                case DOWN_RIGHT:
                    return UP_LEFT;
                case UP_RIGHT:
                    return UP_RIGHT;
                case DOWN_LEFT:
                    return DOWN_LEFT;
            }
            break;
        case 'C':
            return dir;
    }
    _MyAssert(__FILE__, __LINE__);
}

colorT util::myFlipColor(colorT color) {
    ASSERT(color == WHITE || color == BLACK || color == NOCOLOR);
    return color == NOCOLOR ? NOCOLOR : color_Flip(color);
}

int util::power(pieceT piece) {
    ASSERT(piece == EMPTY || (piece >= WK && piece <= WP) || (piece >= BK && piece <= BP));
    static const int kValue[8] = {0, 0, 9, 5, 3, 3, 1, 0};
    return kValue[piece_Type(piece)];
}

bool util::directionOrthogonal(directionT dir) {
    return dir == UP || dir == DOWN || dir == LEFT || dir == RIGHT;
}

bool util::directionDiagonal(directionT dir) {
    return dir == UP_LEFT || dir == DOWN_LEFT || dir == UP_RIGHT || dir == DOWN_RIGHT;
}

bool util::directionCompatible(pieceT piece, directionT dir) {
    switch (piece_Type(piece)) {
        case QUEEN:
            return directionOrthogonal(dir) || directionDiagonal(dir);
        case ROOK:
            return directionOrthogonal(dir);
        case BISHOP:
            return directionDiagonal(dir);
        default:
            return false;
    }
}

void util::my_dump_board(const pieceT* board) {
    printf("Side To move is: %c\n", board[COLOR_SQUARE]);
    for (int rank = 7; rank >= 0; rank--) {
        printf("   ");
        for (int file = 0; file < 8; file++) {
            pieceT p = board[rank * 8 + file];
            char ch;
            if (p == EMPTY)
                ch = (file + rank) % 2 == 0 ? '+' : '-';
            else
                ch = p < 16 ? PIECE_CHAR[p] : '?';
            printf("%c ", ch);
        }
        printf("\n");
    }
}
