// The PGN reader's tokenizer: lines, brace comments, and the tokens of the
// move text, read in place from the input buffer where they are buffered
// whole and character by character otherwise.
#include <algorithm>
#include <array>
#include <cstring>

#include "core/pgnchars.h"
#include "core/pgnparser.h"
#include "core/plaintoken.h"

namespace {

using pgnchars::equals;
using pgnchars::isDigit;
using pgnchars::isFyle;
using pgnchars::isLetter;
using pgnchars::isMoveDelimiter;
using pgnchars::isPromotionLetter;
using pgnchars::isRank;
using pgnchars::isSpace;

// Token text under construction: characters beyond the buffer are dropped,
// and the text is terminated on every exit.
struct TokenText {
    char* start;
    char* p;
    char* last;  // room for the terminator stays after last

    TokenText(char* buffer, uint32_t bufSize)
        : start(buffer), p(buffer), last(buffer + bufSize - 1) {
        *p = 0;
    }
    void add(int ch) {
        if (p < last) *p++ = static_cast<char>(ch);
        *p = 0;
    }
    uint32_t length() const { return static_cast<uint32_t>(p - start); }
};

}  // namespace

uint32_t PgnParser::GetLine(char* buffer, uint32_t bufSize) {
    const uint32_t max = bufSize - 1;
    // A line that is buffered whole, its ending included, is found with one
    // search and copied at once; the character loop below takes the rest.
    if (UnGetCount == 0) {
        const char* const start = InFile->Buffered();
        const size_t avail = InFile->BufferedLength();
        const size_t span = std::min(avail, size_t(max));
        const char* const nl = static_cast<const char*>(memchr(start, '\n', span));
        const char* const cr = static_cast<const char*>(
            memchr(start, '\r', nl != nullptr ? size_t(nl - start) : span));
        const char* const stop = cr != nullptr ? cr : nl;
        if (stop != nullptr && (stop == nl || stop + 1 < start + avail)) {
            const size_t length = size_t(stop - start);
            size_t used = length + 1;
            if (stop == cr && stop[1] == '\n') ++used;
            memcpy(buffer, start, length);
            buffer[length] = 0;
            if (stop == nl || used == length + 2) ++LineCounter;
            BytesSeen += uint32_t(used);
            InFile->Skip(used);
            return uint32_t(length);
        }
        if (stop == nullptr && avail >= max) {
            memcpy(buffer, start, max);
            buffer[max] = 0;
            BytesSeen += max;
            InFile->Skip(max);
            return max;
        }
    }
    uint32_t n = 0;
    while (n < max) {
        int ch = GetChar();
        if (ch == EndChar || ch == '\n') break;
        if (ch == '\r') {
            int next = GetChar();
            if (next != '\n') UnGetChar(next);
            break;
        }
        buffer[n++] = static_cast<char>(ch);
    }
    buffer[n] = 0;
    return n;
}

void PgnParser::ReserveComment(size_t used, size_t length) {
    if (length < CommentCapacity) return;
    size_t capacity = CommentCapacity;
    while (capacity <= length) capacity *= 2;
    char* text = new char[capacity];
    memcpy(text, CommentText, used);
    delete[] CommentText;
    CommentText = text;
    CommentCapacity = capacity;
}

char* PgnParser::GetComment() {
    const uint32_t startLine = LineCounter;
    size_t n = 0;
    bool cut = false;
    while (true) {
        // Whatever of the comment is already buffered is taken in place: one
        // search for the closing brace, one copy, one search for newlines.
        if (UnGetCount == 0 && InFile->BufferedLength() > 0) {
            const char* const start = InFile->Buffered();
            const size_t avail = InFile->BufferedLength();
            const char* const close = static_cast<const char*>(memchr(start, '}', avail));
            const size_t length = close != nullptr ? size_t(close - start) : avail;
            const size_t kept = std::min(length, MAX_COMMENT_LENGTH - n);
            ReserveComment(n, n + kept);
            memcpy(CommentText + n, start, kept);
            uint32_t lines = 0;
            const char* nl = start;
            while ((nl = static_cast<const char*>(memchr(nl, '\n', size_t(start + length - nl)))) !=
                   nullptr) {
                ++lines;
                if (NewlinesToSpaces && nl < start + kept)
                    CommentText[n + size_t(nl - start)] = ' ';
                ++nl;
            }
            n += kept;
            cut = cut || kept < length;
            const size_t used = length + (close != nullptr ? 1 : 0);
            BytesSeen += uint32_t(used);
            LineCounter += lines;
            InFile->Skip(used);
            if (close != nullptr) break;
        }
        int ch = GetChar();
        if (ch == EndChar) {
            char text[64];
            snprintf(text, sizeof text, "started on line %u", startLine);
            LogError("Error: Open Comment at end of input ", text);
            EndedInside = true;
            break;
        }
        if (ch == '}') break;
        if (ch == '\n' && NewlinesToSpaces) ch = ' ';
        if (n < MAX_COMMENT_LENGTH) {
            ReserveComment(n, n + 1);
            CommentText[n++] = static_cast<char>(ch);
        } else {
            cut = true;
        }
    }
    CommentText[n] = 0;
    if (cut) {
        char text[64];
        snprintf(text, sizeof text, "%zu characters started on line %u", MAX_COMMENT_LENGTH,
                 startLine);
        LogError("Warning: Comment cut after ", text);
    }
    return CommentText;
}

// Adds characters up to white space, ")" or the end of input (and "." when
// stopAtDot), leaving the terminating character in the input. A brace, a
// bracket of a variation or the "[" of a tag also ends the word: they always
// start a token, so "1-0[Event" is a result and the next game's first tag.
void PgnParser::ReadWord(char*& p, const char* end, bool stopAtDot) {
    while (true) {
        int ch = GetChar();
        if (ch == EndChar) return;
        if (isSpace(ch) || ch == ')' || ch == '(' || ch == '{' || ch == '[' ||
            (stopAtDot && ch == '.')) {
            UnGetChar(ch);
            return;
        }
        if (p < end) *p++ = static_cast<char>(ch);
        *p = 0;
    }
}

tokenT PgnParser::GetNextToken(char* buffer, uint32_t bufSize) {
    if (ParseMode == PARSE_Game) return GetGameToken(buffer, bufSize);

    if (ParseMode == PARSE_Searching) {
        if (EndOfInput()) {
            buffer[0] = 0;
            return TOKEN_EndOfInput;
        }
        uint32_t len = GetLine(buffer, bufSize);
        // A byte-order mark, at the start of the file or of a file appended
        // to it, is not part of the text.
        if (len >= 3 && memcmp(buffer, "\xEF\xBB\xBF", 3) == 0)
            memmove(buffer, buffer + 3, len - 2);
        const char* s = buffer;
        while (*s != 0 && isSpace(static_cast<unsigned char>(*s))) ++s;
        return *s == '[' ? TOKEN_Tag : TOKEN_LineComment;
    }

    int ch = GetChar();
    while (ch != EndChar && (isSpace(ch) || ch == '.')) ch = GetChar();
    if (ch == EndChar) {
        buffer[0] = 0;
        return TOKEN_EndOfInput;
    }
    if (ch == '%' || ch == ';') {
        GetLine(buffer, bufSize);
        return TOKEN_LineComment;
    }
    if (ch == '[') {
        buffer[0] = '[';
        GetLine(buffer + 1, bufSize - 1);
        return TOKEN_Tag;
    }
    UnGetChar(ch);
    buffer[0] = 0;
    return TOKEN_TagEnd;
}

// Move numbers, plain moves, castling and check signs, nearly all movetext,
// read in place from the input buffer. This is sound because each pattern
// accepted here is read by the character readers below to the same text and
// token, with the same terminator left unread (a pawn move takes a space after
// it, as ReadPawnMove does), and the counters advance by the same amounts.
// Anything else, or a token whose end is not yet buffered, returns false with
// only leading spaces and dots consumed, which the slow path skips as well,
// and the move numbers passed over before them.
bool PgnParser::readFastToken(char* buffer, uint32_t bufSize, tokenT* token, bool skipNumbers) {
    if (UnGetCount != 0 || bufSize <= plaintoken::kMaxLength) return false;
    const char* const base = InFile->Buffered();
    const char* const end = base + InFile->BufferedLength();
    uint32_t lines = 0;
    // Hands everything before `upTo` over at once, counters included.
    auto consume = [&](const char* upTo) {
        BytesSeen += static_cast<uint32_t>(upTo - base);
        LineCounter += lines;
        InFile->Skip(static_cast<size_t>(upTo - base));
    };
    const char* p = base;
    while (true) {
        p = plaintoken::skipBlanks(p, end, lines);
        if (end - p <= plaintoken::kMaxLength) {
            consume(p);
            return false;
        }
        if (!plaintoken::startsNumber(p)) break;
        const char* const q = plaintoken::numberEnd(p);
        if (q == nullptr) {
            consume(p);
            return false;
        }
        if (!skipNumbers) {
            memcpy(buffer, p, static_cast<size_t>(q - p));
            buffer[q - p] = 0;
            consume(q);
            *token = TOKEN_MoveNum;
            return true;
        }
        // The move text reader has no use for move numbers: the token it
        // would get is passed over here, exactly as it would be read.
        p = q;
    }

    const plaintoken::Token t = plaintoken::scan(p);
    if (t.token == TOKEN_Invalid) {
        consume(p);
        return false;
    }
    // The capture sign is dropped, as the character readers drop it.
    char* out = buffer;
    *out++ = *p;
    for (const char* c = p + 1; c < t.end; ++c) {
        *out = *c;
        out += *c != 'x';
    }
    *out = 0;
    fastMove = t.san;
    lines += t.lines;
    consume(t.next);
    *token = t.token;
    return true;
}

tokenT PgnParser::GetGameToken(char* buffer, uint32_t bufSize) {
    return readGameToken(buffer, bufSize, false);
}

tokenT PgnParser::readGameToken(char* buffer, uint32_t bufSize, bool skipNumbers) {
    fastMove.type = EMPTY;
    tokenT fast;
    if (readFastToken(buffer, bufSize, &fast, skipNumbers)) return fast;
    TokenText t(buffer, bufSize);
    int ch = GetChar();
    while (ch != EndChar && (isSpace(ch) || ch == '.')) ch = GetChar();
    if (ch == EndChar) return TOKEN_EndOfInput;
    t.add(ch);

    if (isDigit(ch)) {
        ReadWord(t.p, t.last, true);
        const char* s = buffer;
        if (ch == '0') {
            // Castling written with zeros; checked before move numbers so
            // that "00" and "000" are castling too.
            if (strncmp(s, "0-1", 4) == 0 || strncmp(s, "0:1", 4) == 0) return TOKEN_Result_Black;
            if (strncmp(s, "0-0-0", 5) == 0 || strncmp(s, "000", 3) == 0) {
                return TOKEN_Move_Castle_Queen;
            }
            if (strncmp(s, "0-0", 3) == 0 || strncmp(s, "00", 2) == 0)
                return TOKEN_Move_Castle_King;
        }
        const char* d = s;
        while (isDigit(static_cast<unsigned char>(*d))) ++d;
        if (*d == 0) return TOKEN_MoveNum;
        if (ch == '1') {
            if (equals(s, "1-0") || equals(s, "1:0")) return TOKEN_Result_White;
            if (equals(s, "1/2") || equals(s, "1/2-1/2") || equals(s, "1/2:1/2")) {
                return TOKEN_Result_Draw;
            }
        }
        return TOKEN_Invalid;
    }
    if (isFyle(ch)) return ReadPawnMove(buffer, bufSize, ch);

    switch (ch) {
        case 'P': {
            int next = GetChar();
            if (next == EndChar) return TOKEN_Invalid;
            return ReadPawnMove(buffer, bufSize, next);
        }
        case 'N':
        case 'B':
        case 'R':
        case 'Q':
        case 'K':
            return ReadPieceMove(buffer, bufSize, ch);
        case 'O':
        case 'o':
            return ReadCastling(buffer, bufSize, ch);
        case 'n': {
            int next = GetChar();
            while (isLetter(next)) {
                t.add(next);
                next = GetChar();
            }
            UnGetChar(next);
            return equals(buffer, "null") ? TOKEN_Move_Null : TOKEN_Invalid;
        }
        case ';':
        case '%':
            GetLine(buffer, bufSize);
            return TOKEN_LineComment;
        case '{':
            return TOKEN_Comment;
        case '}':
            return TOKEN_CommentEnd;
        case '(':
            return TOKEN_VarStart;
        case ')':
            return TOKEN_VarEnd;
        case '!':
        case '?': {
            int next = GetChar();
            while (next == '!' || next == '?') {
                t.add(next);
                next = GetChar();
            }
            UnGetChar(next);
            return TOKEN_Suffix;
        }
        case '=':
        case '-':
            ReadWord(t.p, t.last, true);
            return equals(buffer, "--") ? TOKEN_Move_Null : TOKEN_Suffix;
        case '$':
        case 'D':
            ReadWord(t.p, t.last, false);
            return TOKEN_Nag;
        case '+':
        case '#': {
            int next = GetChar();
            if (ch == '+' && next == '+') {
                t.add(next);
                return TOKEN_Check;
            }
            if (next == EndChar || isSpace(next) || next == '!' || next == '?' || next == '$' ||
                next == ')' || next == '(' || next == '{' || next == ';') {
                UnGetChar(next);
                return ch == '+' ? TOKEN_Check : TOKEN_Mate;
            }
            t.add(next);
            ReadWord(t.p, t.last, false);
            return TOKEN_Suffix;
        }
        case '*': {
            int next = GetChar();
            if (next == EndChar || isSpace(next) || next == ')' || next == '(' || next == '{' ||
                next == '[') {
                UnGetChar(next);
                return TOKEN_Result_Star;
            }
            t.add(next);
            ReadWord(t.p, t.last, false);
            return TOKEN_Invalid;
        }
        case '[':
            UnGetChar(ch);
            return TOKEN_Tag;
        case '~':
            ReadWord(t.p, t.last, false);
            return TOKEN_Suffix;
        default:
            ReadWord(t.p, t.last, false);
            return TOKEN_Invalid;
    }
}

tokenT PgnParser::ReadPawnMove(char* buffer, uint32_t bufSize, int first) {
    TokenText t(buffer, bufSize);
    t.add(first);
    if (first == 'e') {
        int next = GetChar();
        if (next == 'p' || next == '.') {
            // "e.p." after an en passant capture.
            t.add(next);
            ReadWord(t.p, t.last, false);
            return TOKEN_Ignore;
        }
        UnGetChar(next);
    }
    bool seenDigit = false;
    int ch;
    while (true) {
        ch = GetChar();
        if (ch == EndChar || isSpace(ch)) return TOKEN_Move_Pawn;
        if (seenDigit && (ch == 'p' || ch == '.')) continue;
        if (seenDigit && ch == 'e') {
            int next = GetChar();
            UnGetChar(next);
            if (next == 'p') continue;
        }
        if (isRank(ch)) {
            seenDigit = true;
            t.add(ch);
            continue;
        }
        if (isFyle(ch)) {
            t.add(ch);
            continue;
        }
        if (ch == 'x' || ch == ':') continue;
        if (ch == '-') {
            if (!DashStartsSymbol()) continue;
            UnGetChar(ch);
            return TOKEN_Move_Pawn;
        }
        break;
    }
    if (ch == '=') {
        int next = GetChar();
        if (isPromotionLetter(next)) {
            t.add('=');
            t.add(next);
            return TOKEN_Move_Promote;
        }
        UnGetChar(next);
        UnGetChar(ch);
        return TOKEN_Move_Pawn;
    }
    if (isPromotionLetter(ch)) {
        t.add('=');
        t.add(ch);
        return TOKEN_Move_Promote;
    }
    if (ch == '!' || ch == '#' || ch == ')' || ch == '+' || ch == '?' || isMoveDelimiter(ch)) {
        UnGetChar(ch);
        return TOKEN_Move_Pawn;
    }
    t.add(ch);
    return TOKEN_Invalid;
}

tokenT PgnParser::ReadPieceMove(char* buffer, uint32_t bufSize, int first) {
    TokenText t(buffer, bufSize);
    t.add(first);
    while (true) {
        int ch = GetChar();
        if (isRank(ch) || isFyle(ch)) {
            t.add(ch);
            continue;
        }
        if (ch == 'x' || ch == ':') continue;
        if (ch == '-') {
            if (!DashStartsSymbol()) continue;
            UnGetChar(ch);
            return TOKEN_Invalid;
        }
        if (ch == EndChar || isSpace(ch) || ch == ')' || ch == '+' || ch == '!' || ch == '=' ||
            ch == '?' || ch == '#' || isMoveDelimiter(ch)) {
            UnGetChar(ch);
            // A lone piece letter is an annotation: "N" marks a novelty.
            return t.length() == 1 ? TOKEN_Suffix : TOKEN_Move_Piece;
        }
        t.add(ch);
        return TOKEN_Invalid;
    }
}

tokenT PgnParser::ReadCastling(char* buffer, uint32_t bufSize, int first) {
    TokenText t(buffer, bufSize);
    t.add(first);
    uint32_t count = 1;
    int ch;
    while (true) {
        ch = GetChar();
        if (ch == 'O' || ch == 'o' || ch == '0') {
            if (count < 4) ++count;
            t.add(ch);
            continue;
        }
        if (ch == '-') {
            t.add(ch);
            if (DashStartsSymbol()) {
                t.add(GetChar());
                ReadWord(t.p, t.last, false);
                return TOKEN_Invalid;
            }
            continue;
        }
        break;
    }
    if (ch == EndChar || isSpace(ch) || ch == '+' || ch == '#' || ch == '=' || ch == '!' ||
        ch == '?' || ch == ')' || isMoveDelimiter(ch)) {
        UnGetChar(ch);
    } else {
        t.add(ch);
        ReadWord(t.p, t.last, false);
        return TOKEN_Invalid;
    }
    if (count == 2) return TOKEN_Move_Castle_King;
    if (count == 3) return TOKEN_Move_Castle_Queen;
    return TOKEN_Invalid;
}
