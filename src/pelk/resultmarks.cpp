#include "pelk/resultmarks.h"

#include <cstring>
#include <vector>

#include "core/game.h"

namespace resultmarks {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

int marksOf(const char* comment) {
    if (comment == nullptr) return 0;
    int marks = 0;
    for (const char* p = comment; *p != '\0';) {
        while (isSpace(*p)) ++p;
        const char* word = p;
        while (*p != '\0' && !isSpace(*p)) ++p;
        const size_t length = static_cast<size_t>(p - word);
        if (length == 5 && strncmp(word, "MATCH", 5) == 0) marks |= kMatch;
        if (length == 6 && strncmp(word, "MATCH2", 6) == 0) marks |= kMatch2;
    }
    return marks;
}

unsigned originalNumber(const char* comment) {
    if (comment == nullptr) return 0;
    const char* found = strstr(comment, "Original game:");
    if (found == nullptr) return 0;
    const char* p = found + strlen("Original game:");
    while (isSpace(*p)) ++p;
    unsigned n = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (n > 400000000u) return 0;  // not a game number
        n = n * 10 + unsigned(*p - '0');
        digits = true;
    }
    return digits ? n : 0;
}

Counts count(Game& game) {
    Counts counts;
    game.MoveToPly(0);
    moveT* first = game.myCursor();
    const char* startComment = first->prev->comment;
    counts.original = originalNumber(startComment);
    auto add = [&counts](const char* comment) {
        const int marks = marksOf(comment);
        if (marks & kMatch) ++counts.match;
        if (marks & kMatch2) ++counts.match2;
    };
    add(startComment);
    // The lines still to walk, without recursion: a game may nest deeply.
    std::vector<moveT*> lines{first};
    while (!lines.empty()) {
        moveT* m = lines.back();
        lines.pop_back();
        for (; m != nullptr && m->marker == NO_MARKER; m = m->next) {
            add(m->comment);
            for (moveT* v = m->varChild; v != nullptr; v = v->varChild) {
                add(v->comment);
                lines.push_back(v->next);
            }
        }
    }
    return counts;
}

}  // namespace resultmarks
