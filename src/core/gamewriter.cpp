// The move-text writer of Game: moves with their numbers, NAGs, comments and
// nested variations, word-wrapped into a TextBuffer. Only plain PGN with the
// tag, comment, variation and NAG-symbol bits is built; the engine selects
// nothing else.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"
#include "core/myassert.h"
#include "core/position.h"
#include "core/textbuf.h"

namespace {

// Symbols of the NAGs that have one; nullptr where a NAG has none.
const char* nagSymbol(byte nag) {
    static const char* const kAnnotations[] = {"!", "?", "!!", "??", "!?", "?!"};
    static const char* const kEvaluations[] = {"=",   "=",   "=",  "~",  "+=", "=+",
                                               "+/-", "-/+", "+-", "-+", "+-", "-+"};
    if (nag >= 1 && nag <= 6) return kAnnotations[nag - 1];
    if (nag >= 10 && nag <= 21) return kEvaluations[nag - 10];
    if (nag == 146) return "N";
    if (nag == 201) return "D";
    return nullptr;
}

// "12." before a white move, "12..." before a black one, written into text
// (room for 16 characters).
std::string_view moveNumberText(char* text, uint32_t number, bool white) {
    char* end = std::to_chars(text, text + 10, number).ptr;
    memcpy(end, "...", 3);
    return std::string_view(text, size_t(end - text) + (white ? 1 : 3));
}

// Where a variation was entered: what the enclosing line resumes with.
struct OpenVariation {
    uint32_t plyCount;
    uint32_t index;
};

}  // namespace

void game_printNag(byte nag, char* str, bool asSymbol, gameFormatT format) {
    ASSERT(str != nullptr);
    if (nag == 0) {
        str[0] = 0;
        return;
    }
    // The HTML and LaTeX symbol texts (diagram marks, LaTeX evaluation
    // macros) are not built: the engine writes plain PGN only.
    if (asSymbol && format == PGN_FORMAT_Plain) {
        const char* symbol = nagSymbol(nag);
        if (symbol != nullptr) {
            snprintf(str, 20, "%s", symbol);
            return;
        }
    }
    snprintf(str, 20, "%s$%u", format == PGN_FORMAT_LaTeX ? "\\" : "", unsigned(nag));
}

namespace {

constexpr bool isCommentBlank(char ch) {
    return ch == ' ' || ch == '\n';
}

// The end of the unit of comment text that starts at `pos`: a word, where a
// "[%...]" command counts as one word with its blanks, so that no line break
// falls inside a clock or an evaluation. A command whose "]" does not come
// on the same line is taken word by word.
size_t commentUnitEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && !isCommentBlank(text[pos])) {
        if (text.compare(pos, 2, "[%") == 0) {
            size_t close = text.find_first_of("]\n", pos);
            if (close != std::string_view::npos && text[close] == ']') {
                pos = close + 1;
                continue;
            }
        }
        ++pos;
    }
    return pos;
}

// Blanks that stay inside a word: newlines become spaces.
void appendBlanks(std::string& out, std::string_view blanks) {
    out.append(blanks.size(), ' ');
}

}  // namespace

// A comment cannot hold its closing brace: one inside the text (text found
// between games can have any) is written as ')' so that the rest of the
// comment is not read as moves. Lines break only between words: never
// inside a "[%...]" command, directly after the opening or before the
// closing text, which other readers do not follow.
errorT Game::WriteComment(TextBuffer* tb, const char* preStr, const char* comment,
                          const char* postStr) {
    ASSERT(tb != nullptr && preStr != nullptr && comment != nullptr && postStr != nullptr);
    // Removing "[%...]" codes (style bit 1024) and the HTML, LaTeX and colour
    // delimiters are not built: the engine never selects them.
    std::string safe;
    if (strchr(comment, '}') != nullptr) {
        safe = comment;
        for (char& ch : safe)
            if (ch == '}') ch = ')';
        comment = safe.c_str();
    }
    const std::string_view text(comment);
    const size_t first = text.find_first_not_of(" \n");
    std::string before(preStr);
    std::string after;
    if (first == std::string_view::npos) {
        appendBlanks(before, text);
        return tb->PrintJoined(before, {}, postStr);
    }
    const size_t last = text.find_last_not_of(" \n") + 1;
    appendBlanks(before, text.substr(0, first));
    appendBlanks(after, text.substr(last));
    after += postStr;

    size_t pos = first;
    while (true) {
        const size_t end = commentUnitEnd(text, pos);
        const bool isFirst = pos == first;
        const bool isLast = end >= last;
        errorT err = tb->PrintJoined(isFirst ? std::string_view(before) : std::string_view(),
                                     text.substr(pos, end - pos),
                                     isLast ? std::string_view(after) : std::string_view());
        if (err != OK || isLast) return err;
        for (pos = end; isCommentBlank(text[pos]); ++pos) {
            err = text[pos] == '\n' ? tb->PrintNewlineOrSpace() : tb->PrintSpace();
            if (err != OK) return err;
        }
    }
}

// Walks the line from the cursor to its end, and every variation met on the
// way, without recursion: a variation may nest inside another to any depth
// the input gives, and the stack of open variations lives on the heap.
//
// Not built, because the engine writes only plain PGN with style 7: the HTML,
// LaTeX and colour mark-up, comments and variations on lines of their own
// (bits 8 and 16), a space after move numbers (128), the column layout of the
// main line (256), and null moves inside comments (2048, the only user of
// inComment).
errorT Game::WriteMoveList(TextBuffer* tb, uint32_t plyCount, moveT* oldCurrentMove,
                           bool printMoveNum, bool inComment) {
    ASSERT(tb != nullptr && CurrentMove != nullptr);
    (void)inComment;
    const bool withComments = (PgnStyle & PGN_STYLE_COMMENTS) != 0;
    const bool withVariations = (PgnStyle & PGN_STYLE_VARS) != 0;
    const bool nagSymbols = (PgnStyle & PGN_STYLE_SYMBOLS) != 0;
    std::vector<OpenVariation> open;
    errorT err = OK;
    // Every print goes through here, so the first failure ends the writing
    // and is returned instead of leaving a silently cut record.
    auto check = [&err](errorT result) {
        if (err == OK) err = result;
        return err == OK;
    };

    // The comment before the first move of a variation stands on its start marker.
    auto writeLineComment = [&]() {
        if (VarDepth == 0 || !withComments) return true;
        moveT* start = CurrentMove;
        while (start->marker != START_MARKER) {
            ASSERT(start->prev != nullptr);
            start = start->prev;
        }
        if (start->comment == nullptr) return true;
        return check(WriteComment(tb, "{", start->comment, "}")) && check(tb->PrintSpace());
    };

    if (!writeLineComment()) return err;
    for (;;) {
        moveT* m = CurrentMove;
        uint32_t nextVariation = 0;
        bool stop = StopLocation != 0 && StopLocation <= NumMovesPrinted;
        if (m->marker == END_MARKER || stop) {
            if (open.empty()) return OK;
            // Back to the move the variation replaces, which is already written.
            OpenVariation resume = open.back();
            open.pop_back();
            errorT exited = MoveExitVariation();
            ASSERT(exited == OK);
            m = CurrentMove;
            plyCount = resume.plyCount;
            nextVariation = resume.index + 1;
            printMoveNum = true;
            if (!check(tb->PrintChar(')')) || !check(tb->PrintSpace())) return err;
        } else {
            const bool white = CurrentPos->GetToMove() == WHITE;
            // A move without variations to write is played before its SAN
            // is finished: the check and mate suffix then comes from the
            // position reached, which saves making the move twice.
            const bool playedFirst = !(withVariations && m->numVariations > 0);
            if (m->san[0] == 0) {
                CurrentPos->MakeSANString(&m->moveData, m->san,
                                          playedFirst ? SAN_NO_CHECKTEST : SAN_MATETEST);
                if (playedFirst) {
                    MoveForward();
                    if (!isNullMove(m->moveData) && CurrentPos->myIsKingInCheck()) {
                        char* end = m->san + strlen(m->san);
                        end[0] = CurrentPos->myIsKingInMate() ? '#' : '+';
                        end[1] = 0;
                    }
                }
            } else if (playedFirst) {
                MoveForward();
            }
            NumMovesPrinted++;
            if (m == oldCurrentMove) PgnNextMovePos = NumMovesPrinted;
            if (m->next == oldCurrentMove) PgnLastMovePos = NumMovesPrinted;

            if (printMoveNum || white) {
                char number[16];
                if (!check(tb->PrintWord(moveNumberText(number, plyCount / 2 + 1, white))))
                    return err;
                printMoveNum = false;
            }
            if (!check(tb->PrintWord(m->san))) return err;
            if (withComments) {
                for (uint32_t i = 0; i < m->nagCount && i < MAX_NAGS && m->nags[i] != 0; i++) {
                    char nagText[20];
                    game_printNag(m->nags[i], nagText, nagSymbols, PgnFormat);
                    bool glued = i == 0 && (nagText[0] == '!' || nagText[0] == '?');
                    if (!glued && !check(tb->PrintSpace())) return err;
                    if (!check(tb->PrintWord(nagText))) return err;
                }
            }
            if (!check(tb->PrintSpace())) return err;
            if (withComments && m->comment != nullptr) {
                if (!check(WriteComment(tb, "{", m->comment, "}")) || !check(tb->PrintSpace()))
                    return err;
                printMoveNum = true;
            }
        }

        if (withVariations && nextVariation < m->numVariations) {
            if (!check(tb->PrintChar('('))) return err;
            errorT entered = MoveIntoVariation(nextVariation);
            ASSERT(entered == OK);
            open.push_back({plyCount, nextVariation});
            NumMovesPrinted++;
            printMoveNum = true;
            if (!check(tb->PrintSpace()) || !writeLineComment()) return err;
            continue;
        }
        if (CurrentMove == m) MoveForward();
        plyCount++;
    }
}
