#include "core/pgnparser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/date.h"
#include "core/dstring.h"
#include "core/eco.h"
#include "core/game.h"
#include "core/misc.h"

namespace {

// Room for ordinary comments from the start; a longer one doubles it.
constexpr size_t kCommentStartCapacity = 1024;

// The C library's isspace in the "C" locale, plus the Latin-1 no-break space.
constexpr bool isSpace(int ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r') || ch == 160;
}
constexpr bool isDigit(int ch) {
    return ch >= '0' && ch <= '9';
}
constexpr bool isFyle(int ch) {
    return ch >= 'a' && ch <= 'h';
}
constexpr bool isRank(int ch) {
    return ch >= '1' && ch <= '8';
}
inline bool isLetter(int ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}
inline bool isPromotionLetter(int ch) {
    return ch == 'Q' || ch == 'R' || ch == 'B' || ch == 'N';
}

// Characters that end a move token and stay in the input: brace comments,
// variations, NAGs and line comments delimit themselves, so "a6{...}" and
// "e4(1.d4)" are a move followed by a comment or a variation.
constexpr bool isMoveDelimiter(int ch) {
    return ch == '{' || ch == '(' || ch == '$' || ch == ';';
}

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

bool equals(const char* a, const char* b) {
    return strcmp(a, b) == 0;
}

}  // namespace

void standardPlayerName(char* out, uint32_t outSize, const char* name) {
    ASSERT(outSize > 0);
    const char* s = name;
    while (*s != 0 && isSpace(static_cast<unsigned char>(*s))) ++s;
    uint32_t n = 0;
    const uint32_t max = outSize - 1;
    while (*s != 0 && n < max) {
        char c = *s++;
        out[n++] = c;
        if (c == ',') {
            while (*s != 0 && isSpace(static_cast<unsigned char>(*s))) ++s;
            if (*s != 0 && n < max) out[n++] = ' ';
        }
    }
    while (n > 0 && (out[n - 1] == '.' || out[n - 1] == ' ' || out[n - 1] == '\t')) --n;
    out[n] = 0;
    if (strncmp(out, "van ", 4) == 0) out[0] = 'V';
    if (strncmp(out, "Van Der ", 8) == 0 || strncmp(out, "Van Den ", 8) == 0 ||
        strncmp(out, "Van De ", 7) == 0) {
        out[4] = 'd';
    }
}

PgnParser::PgnParser(MFile* file)
    : InFile(file),
      ErrorFile(nullptr),
      ErrorBuffer(new DString),
      TokenBuffer(new char[MAX_COMMENT_SIZE]),
      PreGameText(new char[MAX_COMMENT_SIZE]),
      CommentText(new char[kCommentStartCapacity]),
      CommentCapacity(kCommentStartCapacity) {
    ASSERT(file != nullptr);
    Reset();
}

PgnParser::~PgnParser() {
    delete ErrorBuffer;
    delete[] TokenBuffer;
    delete[] PreGameText;
    delete[] CommentText;
}

void PgnParser::Reset() {
    UnGetCount = 0;
    NumErrors = 0;
    NumErrorsDropped = 0;
    BytesSeen = 0;
    LineCounter = 0;
    ErrorFile = nullptr;
    StorePreGameText = true;
    EndOfInputWarnings = true;
    ResultWarnings = true;
    NewlinesToSpaces = true;
    EndedInside = false;
    EndChar = -1;
    ParseMode = PARSE_Searching;
    ErrorBuffer->Clear();
}

const char* PgnParser::ErrorMessages() const {
    return ErrorBuffer->Data();
}

void PgnParser::LogError(const char* prefix, const char* text) {
    ++NumErrors;
    if (ErrorFile != nullptr) {
        fprintf(ErrorFile, "%s:", InFile->GetFileName());
        fprintf(ErrorFile, "%u: %s%s\n", LineCounter, prefix, text);
        return;
    }
    // Nobody reads the log during a scan; keeping all of it would let memory
    // grow with the size of a broken input.
    if (ErrorBuffer->Length() >= MAX_ERROR_LOG) {
        ++NumErrorsDropped;
        return;
    }
    ErrorBuffer->Append(InFile->GetFileName(), ":");
    ErrorBuffer->Append(LineCounter, ": ");
    ErrorBuffer->Append(prefix, text);
    ErrorBuffer->AddChar('\n');
}

uint32_t PgnParser::GetLine(char* buffer, uint32_t bufSize) {
    uint32_t n = 0;
    const uint32_t max = bufSize - 1;
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
// stopAtDot), leaving the terminating character in the input. A brace or a
// bracket of a variation also ends the word: they always start a token.
void PgnParser::ReadWord(char*& p, const char* end, bool stopAtDot) {
    while (true) {
        int ch = GetChar();
        if (ch == EndChar) return;
        if (isSpace(ch) || ch == ')' || ch == '(' || ch == '{' || (stopAtDot && ch == '.')) {
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

namespace {

// The longest token the fast path reads; longer ones take the slow path.
constexpr uint32_t kFastTokenMax = 12;

// Character classes of the fast path, one table look-up each.
constexpr uint8_t kSpaceClass = 1;   // isSpace
constexpr uint8_t kSkipClass = 2;    // skipped before a token: spaces and dots
constexpr uint8_t kSquareClass = 4;  // fyles, ranks and the capture sign 'x'
constexpr uint8_t kUnreadClass = 8;  // ends a move and stays unread, besides spaces

constexpr std::array<uint8_t, 256> makeCharClasses() {
    std::array<uint8_t, 256> t{};
    for (int ch = 0; ch < 256; ++ch) {
        if (isSpace(ch)) t[ch] |= kSpaceClass | kSkipClass;
        if (ch == '.') t[ch] |= kSkipClass;
        if (isFyle(ch) || isRank(ch) || ch == 'x') t[ch] |= kSquareClass;
        if (ch == '+' || ch == '#' || ch == '!' || ch == '?' || ch == ')' || isMoveDelimiter(ch))
            t[ch] |= kUnreadClass;
    }
    return t;
}
constexpr std::array<uint8_t, 256> kCharClass = makeCharClasses();

inline bool hasClass(const char* c, uint8_t cls) {
    return (kCharClass[static_cast<unsigned char>(*c)] & cls) != 0;
}

}  // namespace

// Move numbers, plain moves, castling and check signs, nearly all movetext,
// read in place from the input buffer. This is sound because each pattern
// accepted here is read by the character readers below to the same text and
// token, with the same terminator left unread (a pawn move takes a space after
// it, as ReadPawnMove does), and the counters advance by the same amounts.
// Anything else, or a token whose end is not yet buffered, returns false with
// only leading spaces and dots consumed, which the slow path skips as well.
bool PgnParser::readFastToken(char* buffer, uint32_t bufSize, tokenT* token) {
    if (UnGetCount != 0 || bufSize <= kFastTokenMax) return false;
    const char* const start = InFile->Buffered();
    const char* const end = start + InFile->BufferedLength();
    const char* p = start;
    uint32_t lines = 0;
    while (p < end && hasClass(p, kSkipClass)) {
        if (*p == '\n') ++lines;
        ++p;
    }
    BytesSeen += static_cast<uint32_t>(p - start);
    LineCounter += lines;
    InFile->Skip(static_cast<size_t>(p - start));
    // The token and the character after it must both be buffered.
    if (end - p <= static_cast<ptrdiff_t>(kFastTokenMax)) return false;
    const char* const limit = p + kFastTokenMax;

    auto at = [](const char* c) { return static_cast<unsigned char>(*c); };
    const int first = at(p);
    const char* q = p + 1;
    char* out = buffer;
    *out++ = static_cast<char>(first);
    tokenT result;
    bool takeTerminator = false;
    if (first >= '1' && first <= '9') {
        while (q < limit && isDigit(at(q))) *out++ = *q++;
        const int ch = at(q);
        if (!(isSpace(ch) || ch == '.' || ch == ')' || ch == '(' || ch == '{')) return false;
        result = TOKEN_MoveNum;
    } else if (first == 'O') {
        if (q[0] != '-' || q[1] != 'O') return false;
        q += 2;
        result = TOKEN_Move_Castle_King;
        if (q[0] == '-' && q[1] == 'O') {
            q += 2;
            result = TOKEN_Move_Castle_Queen;
        }
        if (!hasClass(q, kSpaceClass | kUnreadClass) && *q != '=') return false;
        for (const char* c = p + 1; c < q; ++c) *out++ = *c;
    } else if (first == 'N' || first == 'B' || first == 'R' || first == 'Q' || first == 'K') {
        while (q < limit && hasClass(q, kSquareClass)) {
            if (*q != 'x') *out++ = *q;
            ++q;
        }
        if ((!hasClass(q, kSpaceClass | kUnreadClass) && *q != '=') || out - buffer < 2)
            return false;
        result = TOKEN_Move_Piece;
    } else if (isFyle(first)) {
        bool seenDigit = false;
        while (q < limit && hasClass(q, kSquareClass)) {
            // After the rank, "ep" may follow: left to the slow path.
            if (seenDigit && *q == 'e') return false;
            if (isRank(at(q))) seenDigit = true;
            if (*q != 'x') *out++ = *q;
            ++q;
        }
        if (hasClass(q, kSpaceClass)) {
            takeTerminator = true;
        } else if (!hasClass(q, kUnreadClass)) {
            return false;
        }
        result = TOKEN_Move_Pawn;
    } else if (first == '+' || first == '#') {
        const int ch = at(q);
        if (!(isSpace(ch) || ch == '!' || ch == '?' || ch == '$' || ch == ')' || ch == '(' ||
              ch == '{' || ch == ';'))
            return false;
        result = first == '+' ? TOKEN_Check : TOKEN_Mate;
    } else {
        return false;
    }
    *out = 0;
    if (takeTerminator) {
        if (*q == '\n') ++LineCounter;
        ++q;
    }
    BytesSeen += static_cast<uint32_t>(q - p);
    InFile->Skip(static_cast<size_t>(q - p));
    *token = result;
    return true;
}

tokenT PgnParser::GetGameToken(char* buffer, uint32_t bufSize) {
    tokenT fast;
    if (readFastToken(buffer, bufSize, &fast)) return fast;
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
            if (next == EndChar || isSpace(next) || next == ')' || next == '(' || next == '{') {
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

void PgnParser::SetPlayerRating(Game* game, bool white, uint32_t rating, const char* value) {
    if (rating > MAX_ELO) {
        LogError("Warning: rating too large: ", value);
        rating = MAX_ELO;
    }
    if (white) {
        game->SetWhiteElo(static_cast<eloT>(rating));
    } else {
        game->SetBlackElo(static_cast<eloT>(rating));
    }
}

errorT PgnParser::ExtractPgnTag(const char* buffer, Game* game) {
    const char* s = buffer;
    while (*s != 0 && isSpace(static_cast<unsigned char>(*s))) ++s;
    if (*s != '[') return ERROR_PGNTag;
    ++s;
    while (*s != 0 && isSpace(static_cast<unsigned char>(*s))) ++s;

    char tag[MAX_TAG_FIELD + 1];
    uint32_t len = 0;
    while (*s != 0 && !isSpace(static_cast<unsigned char>(*s))) {
        if (len == MAX_TAG_FIELD) return ERROR_PGNTag;
        tag[len++] = *s++;
    }
    tag[len] = 0;
    if (*s == 0) return ERROR_PGNTag;

    const char* open = strchr(s, '"');
    if (open == nullptr) return ERROR_PGNTag;
    const char* rest = open + 1;
    size_t restLen = strlen(rest);
    if (restLen > MAX_TAG_FIELD) return ERROR_PGNTag;
    const char* close = strrchr(rest, '"');
    if (close == nullptr) return ERROR_PGNTag;
    char value[MAX_TAG_FIELD + 1];
    memcpy(value, rest, static_cast<size_t>(close - rest));
    value[close - rest] = 0;

    const bool white = equals(tag, "White");
    if (white || equals(tag, "Black")) {
        // Room for a space after every comma of the longest value.
        char name[2 * MAX_TAG_FIELD + 2];
        standardPlayerName(name, sizeof name, value);
        size_t n = strlen(name);
        if (n > 7 && name[n - 1] == ')' && isDigit(static_cast<unsigned char>(name[n - 2])) &&
            isDigit(static_cast<unsigned char>(name[n - 3])) &&
            isDigit(static_cast<unsigned char>(name[n - 4])) &&
            isDigit(static_cast<unsigned char>(name[n - 5])) && name[n - 6] == '(' &&
            name[n - 7] == ' ') {
            SetPlayerRating(game, white, strGetUnsigned(name + n - 5), value);
            if (white) {
                game->SetWhiteRatingType(RATING_Elo);
            } else {
                game->SetBlackRatingType(RATING_Elo);
            }
            name[n - 7] = 0;
        }
        if (white) {
            game->SetWhiteStr(name);
        } else {
            game->SetBlackStr(name);
        }
        return OK;
    }
    if (equals(tag, "Event")) {
        game->SetEventStr(value);
        return OK;
    }
    if (equals(tag, "Site")) {
        game->SetSiteStr(value);
        return OK;
    }
    if (equals(tag, "Round")) {
        game->SetRoundStr(value);
        return OK;
    }
    if (equals(tag, "Result")) {
        resultT r = RESULT_None;
        if (strncmp(value, "0-1", 3) == 0) {
            r = RESULT_Black;
        } else if (strncmp(value, "1-0", 3) == 0) {
            r = RESULT_White;
        } else if (strncmp(value, "1/2", 3) == 0) {
            r = RESULT_Draw;
        }
        game->SetResult(r);
        return OK;
    }
    if (equals(tag, "Date")) {
        game->SetDate(date_EncodeFromString(value));
        return OK;
    }
    if (equals(tag, "EventDate")) {
        game->SetEventDate(date_EncodeFromString(value));
        return OK;
    }
    if (equals(tag, "ECO")) {
        game->SetEco(eco_FromString(value));
        return OK;
    }
    if (equals(tag, "BrelFlags")) {
        game->SetBrelFlags(value);
        return OK;
    }
    if (equals(tag, "FEN")) {
        if (game->SetStartFen(value) != OK) {
            LogError("Error: Invalid FEN: ", value);
            return ERROR_InvalidFEN;
        }
        return OK;
    }
    // "WhiteElo", "BlackUSCF" and the like, while the player has no rating.
    const bool whiteRating = strncmp(tag, "White", 5) == 0;
    if (whiteRating || strncmp(tag, "Black", 5) == 0) {
        for (byte type = 0; type < 7; ++type) {
            if (!equals(tag + 5, ratingTypeNames[type])) continue;
            eloT current = whiteRating ? game->GetWhiteElo() : game->GetBlackElo();
            if (current != 0) break;
            SetPlayerRating(game, whiteRating, strGetUnsigned(value), value);
            if (whiteRating) {
                game->SetWhiteRatingType(type);
            } else {
                game->SetBlackRatingType(type);
            }
            return OK;
        }
    }
    return game->AddPgnTag(tag, value);
}

errorT PgnParser::ParseGame(Game* game) {
    ParseMode = PARSE_Searching;
    char* buffer = TokenBuffer;
    uint32_t preLen = 0;
    PreGameText[0] = 0;
    errorT result = ERROR_NotFound;

    while (true) {
        tokenT token = GetNextToken(buffer, MAX_COMMENT_SIZE);
        if (token == TOKEN_EndOfInput) {
            // Text read before a game stays with the game that follows it.
            if (ParseMode == PARSE_Searching && preLen > 0 && !strIsAllWhitespace(PreGameText))
                EndedInside = true;
            break;
        }
        if (token == TOKEN_Tag) {
            if (ParseMode == PARSE_Searching) {
                game->Clear();
                if (StorePreGameText && preLen > 0 && !strIsAllWhitespace(PreGameText)) {
                    PreGameText[preLen - 1] = 0;  // the final newline
                    game->SetMoveComment(PreGameText);
                }
                ParseMode = PARSE_Header;
            }
            if (ExtractPgnTag(buffer, game) != OK) LogError("Error reading tag: ", buffer);
        } else if (token == TOKEN_LineComment) {
            if (ParseMode == PARSE_Searching && (preLen > 0 || buffer[0] != 0)) {
                uint32_t len = strLength(buffer);
                if (preLen + len + 1 < MAX_COMMENT_SIZE) {
                    memcpy(PreGameText + preLen, buffer, len);
                    preLen += len;
                    PreGameText[preLen++] = '\n';
                    PreGameText[preLen] = 0;
                }
            }
        } else if (token == TOKEN_TagEnd) {
            ParseMode = PARSE_Game;
            result = ParseMoves(game, buffer, MAX_COMMENT_SIZE);
            break;
        }
    }
    if (ParseMode == PARSE_Header) {
        EndedInside = true;
        if (EndOfInputWarnings) {
            LogError("Warning: End of input in PGN header tags section", "");
            return ERROR_Game;
        }
        return OK;
    }
    return result;
}

errorT PgnParser::ParseMoves(Game* game, char* buffer, uint32_t bufSize) {
    bool moveError = false;
    bool braceWarned = false;
    // Open brackets of a variation being skipped (nested too deeply or one
    // too many for its move); its text is read and dropped.
    uint32_t skipDepth = 0;
    simpleMoveT sm;
    // The pre-game text has been stored by now; its buffer holds messages.
    char* msg = PreGameText;
    char prefix[2 * 2 * MAX_TAG_FIELD + 100];

    while (true) {
        tokenT token = GetGameToken(buffer, bufSize);
        if (skipDepth > 0) {
            if (token == TOKEN_VarStart) {
                if (skipDepth < UINT32_MAX) ++skipDepth;
                continue;
            }
            if (token == TOKEN_VarEnd) {
                --skipDepth;
                continue;
            }
            if (token == TOKEN_Comment) {
                GetComment();
                continue;
            }
            if (token != TOKEN_EndOfInput && token != TOKEN_Tag &&
                (token < TOKEN_Result_White || token > TOKEN_Result_Star)) {
                continue;
            }
        }

        switch (token) {
            case TOKEN_Result_White:
            case TOKEN_Result_Black:
            case TOKEN_Result_Draw:
            case TOKEN_Result_Star: {
                resultT r = token == TOKEN_Result_White   ? RESULT_White
                            : token == TOKEN_Result_Black ? RESULT_Black
                            : token == TOKEN_Result_Draw  ? RESULT_Draw
                                                          : RESULT_None;
                if (r != game->GetResult()) {
                    if (ResultWarnings) {
                        LogError("Warning: Result did not match the header result", "");
                    }
                    game->SetResult(r);
                }
                return OK;
            }
            case TOKEN_EndOfInput:
                if (EndOfInputWarnings) {
                    LogError("Warning: End of input reached in a game", "");
                    return ERROR_Game;
                }
                return OK;
            case TOKEN_MoveNum:
            case TOKEN_Ignore:
            case TOKEN_Check:
            case TOKEN_Mate:
            case TOKEN_LineComment:
                break;
            case TOKEN_Move_Pawn:
            case TOKEN_Move_Promote:
            case TOKEN_Move_Piece:
            case TOKEN_Move_Castle_King:
            case TOKEN_Move_Castle_Queen:
            case TOKEN_Move_Null: {
                if (moveError) break;
                Position* pos = game->GetCurrentPos();
                errorT err = pos->ReadMove(&sm, buffer, token);
                if (err != OK &&
                    (token == TOKEN_Move_Castle_King || token == TOKEN_Move_Castle_Queen)) {
                    bool strict = pos->GetStrictCastling();
                    pos->SetStrictCastling(false);
                    err = pos->ReadMove(&sm, buffer, token);
                    pos->SetStrictCastling(strict);
                    if (err == OK) {
                        snprintf(msg, MAX_COMMENT_SIZE, "(%s) in game %s - %s, %u", buffer,
                                 game->GetWhiteStr(), game->GetBlackStr(),
                                 date_GetYear(game->GetDate()));
                        LogError("Warning: illegal castling ", msg);
                    }
                }
                if (err == OK) {
                    game->AddMove(&sm, nullptr);
                    break;
                }
                moveError = true;
                snprintf(msg, MAX_COMMENT_SIZE, "Error reading move: %s", buffer);
                game->SetMoveComment(msg);
                snprintf(prefix, sizeof prefix,
                         "Error reading move in game %s - %s, %u: ", game->GetWhiteStr(),
                         game->GetBlackStr(), date_GetYear(game->GetDate()));
                LogError(prefix, buffer);
                break;
            }
            case TOKEN_Tag:
                LogError("Error: PGN Header tag seen inside a game", "");
                return ERROR_Game;
            case TOKEN_Nag:
                if (!moveError) {
                    byte nag = game_parseNag(buffer);
                    if (nag != 0) game->AddNag(nag);
                }
                break;
            case TOKEN_Suffix: {
                byte nag = game_parseNag(buffer);
                if (nag == 0) {
                    LogError("Warning: Invalid annotation symbol: ", buffer);
                } else if (!moveError) {
                    game->AddNag(nag);
                }
                break;
            }
            case TOKEN_Comment: {
                char* comment = GetComment();
                strSingleSpace(comment);
                game->SetMoveComment(comment);
                break;
            }
            case TOKEN_VarStart: {
                if (game->GetVarLevel() >= MAX_VARIATION_DEPTH) {
                    snprintf(prefix, sizeof prefix, "%u levels); skipped", MAX_VARIATION_DEPTH);
                    LogError("Error: Variation nested too deeply (over ", prefix);
                    skipDepth = 1;
                    break;
                }
                errorT err = game->AddVariation();
                if (err == ERROR_GameFull) {
                    LogError("Error: Too many variations for one move; skipped", "");
                    skipDepth = 1;
                } else if (err != OK) {
                    LogError("Error: Unable to add variation", "");
                    return ERROR_Game;
                }
                break;
            }
            case TOKEN_VarEnd:
                if (game->MoveExitVariation() == OK) game->MoveForward();
                break;
            case TOKEN_CommentEnd:
                if (!braceWarned) {
                    braceWarned = true;
                    LogError("Warning: close-brace character \"}\" seen ", "outside a comment.");
                }
                break;
            default:
                LogError("Error: Unexpected symbol: ", buffer);
        }
    }
}
