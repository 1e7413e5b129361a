#include "core/pgnparser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/date.h"
#include "core/dstring.h"
#include "core/eco.h"
#include "core/game.h"
#include "core/misc.h"
#include "core/pgnchars.h"

namespace {

using pgnchars::equals;
using pgnchars::isDigit;
using pgnchars::isSpaceByte;
using pgnchars::isWordEnd;

// Room for ordinary comments from the start; a longer one doubles it.
constexpr size_t kCommentStartCapacity = 1024;

// The name of the tag on a tag line, as ExtractPgnTag reads it: from after
// the "[" to the first blank. The line is followed by a character that ends
// a word, its terminator or its line end, which bounds the name.
inline std::string_view tagNameOf(std::string_view line) {
    const char* s = line.data();
    const char* const end = s + line.size();
    while (s < end && isSpaceByte(*s)) ++s;
    if (s < end && *s == '[') ++s;
    while (s < end && isSpaceByte(*s)) ++s;
    const char* const start = s;
    while (!isWordEnd(*s)) ++s;
    return std::string_view(start, size_t(s - start));
}

// A tag line read in place is taken only when it is short enough to be
// found whole at once, far below the tokenizer's own limit.
constexpr size_t kMaxPlainTagLine = 1024;

}  // namespace

void standardPlayerName(char* out, uint32_t outSize, const char* name) {
    ASSERT(outSize > 0);
    const char* s = name;
    while (isSpaceByte(*s)) ++s;
    uint32_t n = 0;
    const uint32_t max = outSize - 1;
    while (*s != 0 && n < max) {
        char c = *s++;
        out[n++] = c;
        if (c == ',') {
            while (isSpaceByte(*s)) ++s;
            if (*s != 0 && n < max) out[n++] = ' ';
        }
    }
    while (n > 0 && (out[n - 1] == '.' || out[n - 1] == ' ' || out[n - 1] == '\t')) --n;
    out[n] = 0;
    if (out[0] == 'v' && strncmp(out, "van ", 4) == 0) out[0] = 'V';
    if (out[0] == 'V' && (strncmp(out, "Van Der ", 8) == 0 || strncmp(out, "Van Den ", 8) == 0 ||
                          strncmp(out, "Van De ", 7) == 0)) {
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
      CommentCapacity(kCommentStartCapacity),
      HeaderTagCount(0),
      HasPendingTag(false) {
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
    HeaderTagCount = 0;
    KnownTagsSeen = 0;
    PendingTag.clear();
    HasPendingTag = false;
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

PgnParser::KnownTag PgnParser::knownTag(std::string_view name) {
    const char* const text = name.data();
    switch (name.size()) {
        case 3:
            if (memcmp(text, "ECO", 3) == 0) return KnownTag::Eco;
            if (memcmp(text, "FEN", 3) == 0) return KnownTag::Fen;
            break;
        case 4:
            if (memcmp(text, "Site", 4) == 0) return KnownTag::Site;
            if (memcmp(text, "Date", 4) == 0) return KnownTag::Date;
            break;
        case 5:
            if (memcmp(text, "White", 5) == 0) return KnownTag::White;
            if (memcmp(text, "Black", 5) == 0) return KnownTag::Black;
            if (memcmp(text, "Event", 5) == 0) return KnownTag::Event;
            if (memcmp(text, "Round", 5) == 0) return KnownTag::Round;
            break;
        case 6:
            if (memcmp(text, "Result", 6) == 0) return KnownTag::Result;
            break;
        case 9:
            if (memcmp(text, "EventDate", 9) == 0) return KnownTag::EventDate;
            if (memcmp(text, "BrelFlags", 9) == 0) return KnownTag::BrelFlags;
            break;
        default:
            break;
    }
    return KnownTag::Other;
}

errorT PgnParser::ExtractPgnTag(const char* buffer, Game* game) {
    const std::string_view line(buffer);
    const std::string_view name = tagNameOf(line);
    return extractTag(line, name, knownTag(name), game);
}

errorT PgnParser::extractTag(std::string_view line, std::string_view name, KnownTag known,
                             Game* game) {
    const char* s = line.data();
    const char* const lineEnd = s + line.size();
    while (s < lineEnd && isSpaceByte(*s)) ++s;
    if (s == lineEnd || *s != '[') return ERROR_PGNTag;

    // The name runs to the first blank: at most MAX_TAG_FIELD characters.
    const char* const tag = name.data();
    const size_t len = name.size();
    s = tag + len;
    if (len > MAX_TAG_FIELD) return ERROR_PGNTag;
    if (s == lineEnd) return ERROR_PGNTag;

    // The value runs from the first quote to the last one of the line.
    const size_t lineLen = size_t(lineEnd - s);
    const char* open = static_cast<const char*>(memchr(s, '"', lineLen));
    if (open == nullptr) return ERROR_PGNTag;
    const char* rest = open + 1;
    size_t restLen = lineLen - size_t(rest - s);
    if (restLen > MAX_TAG_FIELD) return ERROR_PGNTag;
    const char* close = static_cast<const char*>(memrchr(rest, '"', restLen));
    if (close == nullptr) return ERROR_PGNTag;
    char value[MAX_TAG_FIELD + 1];
    memcpy(value, rest, static_cast<size_t>(close - rest));
    value[close - rest] = 0;

    switch (known) {
        case KnownTag::White:
        case KnownTag::Black: {
            const bool white = known == KnownTag::White;
            // Room for a space after every comma of the longest value.
            char name[2 * MAX_TAG_FIELD + 2];
            standardPlayerName(name, sizeof name, value);
            size_t n = strlen(name);
            if (n > 7 && name[n - 1] == ')' && isDigit(static_cast<unsigned char>(name[n - 2])) &&
                isDigit(static_cast<unsigned char>(name[n - 3])) &&
                isDigit(static_cast<unsigned char>(name[n - 4])) &&
                isDigit(static_cast<unsigned char>(name[n - 5])) && name[n - 6] == '(' &&
                name[n - 7] == ' ') {
                const char* digits = name + n - 5;
                SetPlayerRating(game, white, pgnchars::readUnsigned(digits), value);
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
        case KnownTag::Event:
            game->SetEventStr(value);
            return OK;
        case KnownTag::Site:
            game->SetSiteStr(value);
            return OK;
        case KnownTag::Round:
            game->SetRoundStr(value);
            return OK;
        case KnownTag::Result: {
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
        case KnownTag::Date:
            game->SetDate(date_EncodeFromString(value));
            return OK;
        case KnownTag::EventDate:
            game->SetEventDate(date_EncodeFromString(value));
            return OK;
        case KnownTag::Eco:
            game->SetEco(eco_FromString(value));
            return OK;
        case KnownTag::BrelFlags:
            game->SetBrelFlags(value);
            return OK;
        case KnownTag::Fen:
            if (game->SetStartFen(value) != OK) {
                LogError("Error: Invalid FEN: ", value);
                return ERROR_InvalidFEN;
            }
            return OK;
        case KnownTag::Other:
            break;
    }
    // Other tags keep their names: only they need the name as a text.
    char tagName[MAX_TAG_FIELD + 1];
    memcpy(tagName, tag, len);
    tagName[len] = 0;
    // "WhiteElo", "BlackUSCF" and the like, while the player has no rating.
    const bool whiteRating = len > 5 && memcmp(tag, "White", 5) == 0;
    if (whiteRating || (len > 5 && memcmp(tag, "Black", 5) == 0)) {
        for (byte type = 0; type < 7; ++type) {
            if (!equals(tagName + 5, ratingTypeNames[type])) continue;
            eloT current = whiteRating ? game->GetWhiteElo() : game->GetBlackElo();
            if (current != 0) {
                // The rating came with the name ("Smith (2400)") and the
                // record writes its own tag of this name: a second one would
                // make the written header hold the tag twice.
                byte held = whiteRating ? game->GetWhiteRatingType() : game->GetBlackRatingType();
                if (held == type) return OK;
                break;
            }
            const char* digits = value;
            SetPlayerRating(game, whiteRating, pgnchars::readUnsigned(digits), value);
            if (whiteRating) {
                game->SetWhiteRatingType(type);
            } else {
                game->SetBlackRatingType(type);
            }
            return OK;
        }
    }
    return game->AddPgnTag(tagName, value);
}

bool PgnParser::RepeatsHeaderTag(std::string_view name, KnownTag known) const {
    if (known != KnownTag::Other) return (KnownTagsSeen & bitOf(known)) != 0;
    if (name.empty()) return false;
    for (size_t i = 0; i < HeaderTagCount; ++i) {
        const std::pair<size_t, size_t>& held = HeaderTagSpans[i];
        const char* heldName = HeaderTagNames.data() + held.first;
        if (held.second == name.size() && heldName[0] == name[0] &&
            memcmp(heldName, name.data(), name.size()) == 0)
            return true;
    }
    return false;
}

void PgnParser::NoteHeaderTag(std::string_view name, KnownTag known) {
    if (known != KnownTag::Other) {
        KnownTagsSeen |= bitOf(known);
        return;
    }
    if (name.empty()) return;
    if (HeaderTagCount == 0) HeaderTagNames.clear();
    const std::pair<size_t, size_t> span(HeaderTagNames.size(), name.size());
    HeaderTagNames.append(name.data(), name.size());
    if (HeaderTagCount == HeaderTagSpans.size()) HeaderTagSpans.emplace_back();
    HeaderTagSpans[HeaderTagCount++] = span;
}

// Every line taken here would reach ParseGame's loop as a tag token read
// by GetNextToken and GetLine, and be taken there the same way: the blanks
// and dots before it passed over, the line found whole up to its "\n" or
// "\r\n". A line that the tokenizer would cut elsewhere (at a lone "\r" or
// at the buffer's end), or whose text a zero byte would end early, and a
// tag that starts the next game are left for the loop.
void PgnParser::readTagRun(Game* game) {
    if (UnGetCount != 0) return;
    const char* const base = InFile->Buffered();
    const char* const end = base + InFile->BufferedLength();
    const char* p = base;
    while (true) {
        const char* q = p;
        uint32_t lines = 0;
        while (q < end && (isSpaceByte(*q) || *q == '.')) lines += *q++ == '\n';
        if (q == end || *q != '[') break;
        const auto* nl =
            static_cast<const char*>(memchr(q, '\n', std::min(size_t(end - q), kMaxPlainTagLine)));
        if (nl == nullptr) break;
        const char* const stop = nl[-1] == '\r' ? nl - 1 : nl;
        const size_t length = size_t(stop - q);
        if (memchr(q, '\r', length) != nullptr || memchr(q, 0, length) != nullptr) break;
        const std::string_view line(q, length);
        const std::string_view name = tagNameOf(line);
        const KnownTag known = knownTag(name);
        if (RepeatsHeaderTag(name, known)) break;

        // Consumed before the tag is taken, as the tokenizer would have it,
        // so that a message gives the line after it.
        const size_t used = size_t(nl + 1 - p);
        BytesSeen += uint32_t(used);
        LineCounter += lines + 1;
        InFile->Skip(used);
        p = nl + 1;
        if (extractTag(line, name, known, game) == OK) {
            NoteHeaderTag(name, known);
        } else {
            memcpy(TokenBuffer, q, length);
            TokenBuffer[length] = 0;
            LogError("Error reading tag: ", TokenBuffer);
        }
    }
}

errorT PgnParser::ParseGame(Game* game) {
    ParseMode = PARSE_Searching;
    char* buffer = TokenBuffer;
    uint32_t preLen = 0;
    PreGameText[0] = 0;
    errorT result = ERROR_NotFound;

    while (true) {
        if (ParseMode == PARSE_Header) readTagRun(game);
        tokenT token;
        const uint64_t tokenStart = InputOffset();
        if (HasPendingTag) {
            HasPendingTag = false;
            const size_t n = std::min(PendingTag.size(), size_t(MAX_COMMENT_SIZE - 1));
            memcpy(buffer, PendingTag.data(), n);
            buffer[n] = 0;
            token = TOKEN_Tag;
        } else {
            token = GetNextToken(buffer, MAX_COMMENT_SIZE);
        }
        if (token == TOKEN_EndOfInput) {
            // Text read before a game stays with the game that follows it.
            if (ParseMode == PARSE_Searching && preLen > 0 && !strIsAllWhitespace(PreGameText))
                EndedInside = true;
            break;
        }
        if (token == TOKEN_Tag) {
            const std::string_view line(buffer);
            const std::string_view name = tagNameOf(line);
            const KnownTag known = knownTag(name);
            if (ParseMode == PARSE_Searching) {
                game->Clear();
                if (StorePreGameText && preLen > 0 && !strIsAllWhitespace(PreGameText)) {
                    PreGameText[preLen - 1] = 0;  // the final newline
                    game->SetMoveComment(PreGameText);
                }
                ParseMode = PARSE_Header;
                HeaderTagCount = 0;
                KnownTagsSeen = 0;
            } else if (RepeatsHeaderTag(name, known)) {
                // Real files hold headers without moves: a second Event or
                // WhiteElo belongs to the next game, and this one ends here.
                PendingTag.assign(buffer);
                HasPendingTag = true;
                PendingTagOffset = tokenStart;
                ParseMode = PARSE_Searching;
                LogError("Warning: Game without moves ended by the next game's tag: ", buffer);
                return OK;
            }
            if (extractTag(line, name, known, game) == OK) {
                NoteHeaderTag(name, known);
            } else {
                LogError("Error reading tag: ", buffer);
            }
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
