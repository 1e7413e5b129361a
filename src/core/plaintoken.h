// Plain move text read in place from the PGN reader's input buffer: move
// numbers, moves without promotion or suffix, castling and check signs, which
// make up nearly all movetext. The tokenizer copies such a token out; the
// move-text reader resolves whole runs of them without copying anything.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/pgnchars.h"
#include "core/pgntoken.h"
#include "core/position.h"

namespace plaintoken {

// The longest token read in place. A token is read only when it and the
// character after it are buffered, which more than this many bytes ensure.
constexpr ptrdiff_t kMaxLength = 12;

// Character classes, one table look-up each.
constexpr uint8_t kSpaceClass = 1;    // isSpace
constexpr uint8_t kSkipClass = 2;     // skipped before a token: spaces and dots
constexpr uint8_t kSquareClass = 4;   // fyles, ranks and the capture sign 'x'
constexpr uint8_t kUnreadClass = 8;   // ends a move and stays unread, besides spaces
constexpr uint8_t kNumberClass = 16;  // starts a move number: '1' to '9'
constexpr uint8_t kFyleClass = 32;    // starts a pawn move
constexpr uint8_t kPieceClass = 64;   // starts a piece move
constexpr uint8_t kSignClass = 128;   // a check or mate sign

inline constexpr std::array<uint8_t, 256> kCharClass = [] {
    using namespace pgnchars;
    std::array<uint8_t, 256> t{};
    for (int ch = 0; ch < 256; ++ch) {
        if (isSpace(ch)) t[ch] |= kSpaceClass | kSkipClass;
        if (ch == '.') t[ch] |= kSkipClass;
        if (isFyle(ch) || isRank(ch) || ch == 'x') t[ch] |= kSquareClass;
        if (ch == '+' || ch == '#' || ch == '!' || ch == '?' || ch == ')' || isMoveDelimiter(ch))
            t[ch] |= kUnreadClass;
        if (ch >= '1' && ch <= '9') t[ch] |= kNumberClass;
        if (isFyle(ch)) t[ch] |= kFyleClass;
        if (ch == 'N' || ch == 'B' || ch == 'R' || ch == 'Q' || ch == 'K') t[ch] |= kPieceClass;
        if (ch == '+' || ch == '#') t[ch] |= kSignClass;
    }
    return t;
}();

inline uint8_t classOf(const char* c) {
    return kCharClass[static_cast<unsigned char>(*c)];
}
inline bool hasClass(const char* c, uint8_t cls) {
    return (classOf(c) & cls) != 0;
}

// Passes over the spaces and dots from p, counting the line ends among them.
inline const char* skipBlanks(const char* p, const char* end, uint32_t& lines) {
    while (p < end && hasClass(p, kSkipClass)) {
        lines += *p == '\n';
        ++p;
    }
    return p;
}

inline bool startsNumber(const char* p) {
    return hasClass(p, kNumberClass);
}

// The end of the move number starting at p, or nullptr when the character
// after its digits makes it something else ("1-0", "1/2-1/2").
inline const char* numberEnd(const char* p) {
    const char* const limit = p + kMaxLength;
    const char* q = p + 1;
    while (q < limit && pgnchars::isDigit(static_cast<unsigned char>(*q))) ++q;
    const int ch = static_cast<unsigned char>(*q);
    const bool ends = pgnchars::isSpace(ch) || ch == '.' || ch == ')' || ch == '(' || ch == '{';
    return ends ? q : nullptr;
}

// A move or a check sign read in place. Its text is the characters from
// its start to `end` with every capture sign dropped.
struct Token {
    tokenT token = TOKEN_Invalid;  // TOKEN_Invalid: not plain, left to the slow path
    const char* end = nullptr;
    const char* next = nullptr;  // where reading goes on: a pawn move takes its blank
    uint32_t lines = 0;          // line ends between end and next
    SanMove san;                 // the move, when its text reads whole; type EMPTY otherwise
};

// Whether the character at q ends a move that leaves it unread, or a pawn
// move that takes it (a blank); either way it cannot continue the move.
inline bool endsMove(const char* q) {
    return hasClass(q, kSpaceClass | kUnreadClass);
}

namespace detail {

// A pawn move ends at q: a blank there is taken with it, anything else that
// ends a move stays unread. False when q continues it.
inline bool endPawnMove(Token& t, const char* q) {
    if (!endsMove(q)) return false;
    t.token = TOKEN_Move_Pawn;
    t.end = q;
    t.next = q;
    if (hasClass(q, kSpaceClass)) {
        t.lines = *q == '\n';
        t.next = q + 1;
    }
    return true;
}

inline squareT squareOf(char fyle, char rank) {
    return squareT((rank - '1') << 3 | (fyle - 'a'));
}

// The piece a move's first letter names.
inline constexpr std::array<pieceT, 256> kPieceOf = [] {
    std::array<pieceT, 256> t{};
    t['N'] = KNIGHT;
    t['B'] = BISHOP;
    t['R'] = ROOK;
    t['Q'] = QUEEN;
    t['K'] = KING;
    return t;
}();

// "e4" and "exd5" (kept as "ed5"); other pawn texts stay unread. After the
// rank, "ep" may follow, which the slow path reads.
inline Token pawnMove(const char* p) {
    Token t;
    const char* const limit = p + kMaxLength;
    const char* q = p + 1;
    char kept[3] = {p[0], 0, 0};
    int n = 1;
    bool seenDigit = false;
    while (q < limit && hasClass(q, kSquareClass)) {
        if (seenDigit && *q == 'e') return t;
        seenDigit = seenDigit || pgnchars::isRank(static_cast<unsigned char>(*q));
        if (*q != 'x') {
            if (n < 3) kept[n] = *q;
            ++n;
        }
        ++q;
    }
    if (!endPawnMove(t, q)) return t;
    const fyleT from = fyleT(kept[0] - 'a');
    if (n == 2 && pgnchars::isRank(static_cast<unsigned char>(kept[1])))
        t.san = {PAWN, squareOf(kept[0], kept[1]), from, NO_RANK};
    else if (n == 3 && pgnchars::isFyle(static_cast<unsigned char>(kept[1])) &&
             pgnchars::isRank(static_cast<unsigned char>(kept[2])))
        t.san = {PAWN, squareOf(kept[1], kept[2]), from, NO_RANK};
    return t;
}

// The piece, at most two fyles or ranks of its origin, then the target.
inline Token pieceMove(const char* p) {
    Token t;
    const char* const limit = p + kMaxLength;
    const char* q = p + 1;
    char kept[5] = {p[0], 0, 0, 0, 0};
    int n = 1;
    while (q < limit && hasClass(q, kSquareClass)) {
        if (*q != 'x') {
            if (n < 5) kept[n] = *q;
            ++n;
        }
        ++q;
    }
    if ((!endsMove(q) && *q != '=') || n < 2) return t;
    t.token = TOKEN_Move_Piece;
    t.end = t.next = q;
    if (n < 3 || n > 5 || !pgnchars::isFyle(static_cast<unsigned char>(kept[n - 2])) ||
        !pgnchars::isRank(static_cast<unsigned char>(kept[n - 1])))
        return t;
    t.san = {kPieceOf[static_cast<unsigned char>(kept[0])], squareOf(kept[n - 2], kept[n - 1]),
             NO_FYLE, NO_RANK};
    for (int i = 1; i + 2 < n; i++) {
        if (pgnchars::isRank(static_cast<unsigned char>(kept[i])))
            t.san.fromRank = rankT(kept[i] - '1');
        else
            t.san.fromFyle = fyleT(kept[i] - 'a');
    }
    return t;
}

inline Token castling(const char* p) {
    Token t;
    const char* q = p + 1;
    if (q[0] != '-' || q[1] != 'O') return t;
    q += 2;
    tokenT token = TOKEN_Move_Castle_King;
    if (q[0] == '-' && q[1] == 'O') {
        q += 2;
        token = TOKEN_Move_Castle_Queen;
    }
    if (!endsMove(q) && *q != '=') return t;
    t.token = token;
    t.end = t.next = q;
    return t;
}

inline Token sign(const char* p) {
    Token t;
    const int ch = static_cast<unsigned char>(p[1]);
    if (!(pgnchars::isSpace(ch) || ch == '!' || ch == '?' || ch == '$' || ch == ')' || ch == '(' ||
          ch == '{' || ch == ';'))
        return t;
    t.token = p[0] == '+' ? TOKEN_Check : TOKEN_Mate;
    t.end = t.next = p + 1;
    return t;
}

}  // namespace detail

// The move or check sign at p, which is not a blank nor a move number and
// has more than kMaxLength bytes buffered from it. The commonest texts, a
// target square alone or after a capture sign, are read straight away.
[[gnu::always_inline]] inline Token scan(const char* p) {
    using pgnchars::isFyle;
    using pgnchars::isRank;
    const auto at = [p](int i) { return static_cast<unsigned char>(p[i]); };
    const uint8_t cls = classOf(p);
    Token t;
    if (cls & kFyleClass) {
        // "e4" and "exd5"; "ed5" and the rest are read below.
        const int skip = p[1] == 'x' ? 2 : 0;
        if (!(isFyle(at(skip)) && isRank(at(1 + skip)) && detail::endPawnMove(t, p + 2 + skip)))
            return detail::pawnMove(p);
        t.san = {PAWN, detail::squareOf(p[skip], p[1 + skip]), fyleT(at(0) - 'a'), NO_RANK};
        return t;
    }
    if (cls & kPieceClass) {
        // "Nf3" and "Nxf3"; "Nbd7" and the rest are read below.
        const int skip = p[1] == 'x';
        const char* const q = p + 3 + skip;
        if (!(isFyle(at(1 + skip)) && isRank(at(2 + skip)) && endsMove(q)))
            return detail::pieceMove(p);
        t.token = TOKEN_Move_Piece;
        t.end = q;
        t.next = q;
        t.san = {detail::kPieceOf[at(0)], detail::squareOf(p[1 + skip], p[2 + skip]), NO_FYLE,
                 NO_RANK};
        return t;
    }
    if (*p == 'O') return detail::castling(p);
    if (cls & kSignClass) return detail::sign(p);
    return t;
}

}  // namespace plaintoken
