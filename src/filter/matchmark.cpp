#include "filter/matchmark.h"

#include <cstring>
#include <string>

#include "core/game.h"

namespace {

bool isWord(const char* text, size_t length, const char* word) {
    return length == strlen(word) && strncmp(text, word, length) == 0;
}

// Whether `mark` is among the marks a comment starts with. The check is on
// whole words: MATCH2 is not MATCH, so a move can carry both.
bool markedWith(const char* comment, const char* mark) {
    for (const char* word = comment;;) {
        size_t length = strcspn(word, " ");
        if (isWord(word, length, mark)) return true;
        if (!isWord(word, length, kListMark) && !isWord(word, length, kRelationMark)) return false;
        if (word[length] == '\0') return false;
        word += length + 1;
    }
}

}  // namespace

void addMatchMark(Game* game, moveT* cursor, const char* mark) {
    const char* old = game->myGetMoveComment(cursor);
    if (old == nullptr || *old == '\0') {
        game->mySetMoveComment(cursor, mark);
    } else if (!markedWith(old, mark)) {
        std::string marked = std::string(mark) + " " + old;
        game->mySetMoveComment(cursor, marked.c_str());
    }
}
