#include "query/strlist.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "query/queryerror.h"
#include "query/querywarning.h"
#include "query/util.h"

namespace {

const char kOpen[] = "(";
const char kClose[] = ")";

// Longest word the tokenizer collects; one more than copy accepts, so that
// a word of exactly this length is refused by copy with its own message.
constexpr int kMaxToken = 501;
// The text after the query's list that its warning shows.
constexpr size_t kMaxIgnoredShown = 40;

bool isSpace(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// Where the tokenizer stands in the text it reads, and where it stood
// before its last character, so that a character put back restores both.
// Columns count bytes, whatever the file's encoding, as the editor expects.
struct Cursor {
    int line = 1;
    int column = 1;
    int lastLine = 1;
    int lastColumn = 1;
};

// A word of the query and where it starts.
struct Place {
    bool known = false;
    int line = 0;
    int column = 0;
    char text[kMaxToken + 3] = {};  // the longest word, quoted
};

// Per thread: each reading of a query has its own.
thread_local Cursor cursor;
thread_local Place place;

int next(FILE* stream) {
    int ch = getc(stream);
    cursor.lastLine = cursor.line;
    cursor.lastColumn = cursor.column;
    if (ch == '\n') {
        ++cursor.line;
        cursor.column = 1;
    } else if (ch != EOF) {
        ++cursor.column;
    }
    return ch;
}

void back(int ch, FILE* stream) {
    if (ch == EOF) return;
    ungetc(ch, stream);
    cursor.line = cursor.lastLine;
    cursor.column = cursor.lastColumn;
}

void setText(std::string_view text) {
    const size_t n = std::min(text.size(), sizeof place.text - 1);
    memcpy(place.text, text.data(), n);
    place.text[n] = '\0';
}

void setPlace(int line, int column, std::string_view text) {
    place.known = true;
    place.line = line;
    place.column = column;
    setText(text);
}

[[noreturn]] void fail(const std::string& message) {
    throw QueryError(message, QueryError::Stream::Err);
}

// Skips blanks and ";" comments; returns the first other character.
int skipBlanks(FILE* stream) {
    int ch;
    for (;;) {
        do ch = next(stream);
        while (isSpace(ch));
        if (ch != ';') return ch;
        do ch = next(stream);
        while (ch != '\n' && ch != EOF);
    }
}

// The rest of a word whose opening quote was read: up to the closing quote,
// which must come on the same line.
char* readQuoted(FILE* stream) {
    char word[kMaxToken + 1];
    int len = 0;
    std::string shown = "\"";
    for (;;) {
        int ch = next(stream);
        if (ch == EOF || ch == '\n') {
            setText(shown);
            fail("unterminated quoted word: " + shown + "\n");
        }
        if (ch == '"') break;
        if (ch == '\\') {
            int escaped = next(stream);
            if (escaped == '"' || escaped == '\\') {
                ch = escaped;
            } else {
                back(escaped, stream);
            }
        }
        if (len == kMaxToken) {
            setText(shown);
            fail("token too long: readstring");
        }
        word[len++] = char(ch);
        shown += char(ch);
    }
    word[len] = '\0';
    setText(shown + "\"");
    return util::copy(word);
}

// Reads the elements of a list whose "(" was read at (line, column), at
// nesting level `depth` (the top-level list is level 1). The chain of cells
// is built in a loop so that only sublists, never long lists, deepen the
// recursion.
strlist* parseList(FILE* stream, int depth, int line, int column) {
    std::unique_ptr<strlist> head;
    strlist** tail = nullptr;
    for (;;) {
        const char* token = strlist::readstring(stream);
        if (token == nullptr) {
            // The list that is not closed is where the reader fails.
            setPlace(line, column, "(");
            fail("parseRestStream: unterminated list\n");
        }
        if (token == kClose) return head.release();
        strlist* cell = new strlist();
        cell->line = place.line;
        cell->column = place.column;
        // Linked first, so that a refusal below frees it with the rest.
        if (tail == nullptr)
            head.reset(cell);
        else
            *tail = cell;
        tail = &cell->cdr;
        if (token == kOpen) {
            if (depth >= strlist::maxDepth)
                fail("parseRestStream: lists nested deeper than 10000 levels\n");
            cell->car = parseList(stream, depth + 1, place.line, place.column);
        } else {
            std::unique_ptr<const char[]> word(token);
            cell->car = new strlist(token);
            cell->car->line = place.line;
            cell->car->column = place.column;
        }
    }
}

// A byte-order mark before the first list is no part of the query.
void skipByteOrderMark(FILE* stream) {
    long start = ftell(stream);
    int ch = getc(stream);
    if (ch != 0xEF) {
        if (ch != EOF) ungetc(ch, stream);
        return;
    }
    if (getc(stream) == 0xBB && getc(stream) == 0xBF) return;
    // Not a mark: the text is read from its start. A stream that cannot
    // seek goes on after the first byte, which could not start a query.
    if (start >= 0) fseek(stream, start, SEEK_SET);
}

// Text after the query's list is not read; the user hears that it is
// ignored, with its first word and line, without it being tokenized (it
// may not even be a well-formed word).
void warnIgnoredText(FILE* stream) {
    int ch = skipBlanks(stream);
    if (ch == EOF) return;
    const int line = cursor.lastLine;
    std::string shown;
    while (ch != EOF && !isSpace(ch) && shown.size() < kMaxIgnoredShown) {
        shown += char(ch);
        ch = next(stream);
    }
    querywarning::print("text after the query's list is ignored, from line %d: %s\n", line,
                        shown.c_str());
}

}  // namespace

strlist::strlist(const char* word)
    : isAtom(true), car(nullptr), atomValue(util::copy(word)), cdr(nullptr) {}

strlist::strlist() : isAtom(false), car(nullptr), atomValue(nullptr), cdr(nullptr) {}

strlist::~strlist() {
    delete[] atomValue;
    delete car;
    // The chain is freed in a loop: a long list must not deepen the recursion.
    for (strlist* rest = cdr; rest != nullptr;) {
        strlist* next = rest->cdr;
        rest->cdr = nullptr;
        delete rest;
        rest = next;
    }
}

strlist* strlist::parseFile(const char* path) {
    FILE* stream = fopen(path, "r");
    if (stream == nullptr) {
        const int cause = errno;
        throw QueryError(std::string("could not open file: ") + path + "\n",
                         QueryError::Stream::Err)
            .withCause(cause);
    }
    // Closed also when the text is refused.
    std::unique_ptr<FILE, int (*)(FILE*)> closer(stream, fclose);
    return parseStream(stream);
}

strlist* strlist::parseStream(FILE* stream) {
    cursor = Cursor();
    place = Place();
    skipByteOrderMark(stream);
    const char* token = readstring(stream);
    if (token == nullptr) return nullptr;
    if (token != kOpen) {
        std::string message = std::string("strlist: expected a '(' but got ") + token + "\n";
        if (token != kClose) delete[] token;
        fail(message);
    }
    const Place top = place;
    strlist* tree = parseList(stream, 1, top.line, top.column);
    warnIgnoredText(stream);
    // Until a reader takes a word, an error concerns the query as a whole.
    place = top;
    return tree;
}

strlist* strlist::parseRestStream(FILE* stream) {
    return parseList(stream, 1, place.line, place.column);
}

const char* strlist::readstring(FILE* stream) {
    int ch = skipBlanks(stream);
    if (ch == EOF) return nullptr;
    const int line = cursor.lastLine;
    const int column = cursor.lastColumn;
    if (ch == '(' || ch == ')') {
        setPlace(line, column, ch == '(' ? kOpen : kClose);
        return ch == '(' ? kOpen : kClose;
    }
    setPlace(line, column, "");
    if (ch == '"') return readQuoted(stream);

    char word[kMaxToken + 1];
    int len = 0;
    while (ch != EOF && !isSpace(ch) && ch != '(' && ch != ')') {
        if (len == kMaxToken) {
            setText(std::string_view(word, size_t(len)));
            fail("token too long: readstring");
        }
        word[len++] = char(ch);
        ch = next(stream);
    }
    back(ch, stream);
    word[len] = '\0';
    setText(std::string_view(word, size_t(len)));
    return util::copy(word);
}

void strlist::taking(const strlist* cell) {
    if (cell == nullptr || cell->line == 0) return;
    const strlist* element = cell->car;
    setPlace(cell->line, cell->column,
             element != nullptr && element->isAtom ? element->atomValue : kOpen);
}

std::string strlist::placeLine() {
    if (!place.known) return "";
    return "  at line " + std::to_string(place.line) + ", column " + std::to_string(place.column) +
           ": " + place.text;
}

void strlist::forgetPlace() {
    place = Place();
}

bool strlist::eq(const char* word) const {
    return isAtom && strcmp(atomValue, word) == 0;
}

void strlist::print() const {
    print(this);
}

void strlist::print(const strlist* node) {
    fputs(text(node).c_str(), stdout);
}

std::string strlist::text(const strlist* node) {
    if (node == nullptr) return "nil";
    if (node->isAtom) return node->atomValue;
    std::string result = "(" + text(node->car);
    for (const strlist* rest = node->cdr; rest != nullptr; rest = rest->cdr) {
        if (rest->isAtom) fail("bad string printcdr");
        result += " " + text(rest->car);
    }
    return result + ")";
}

void strlist::printcdr(const strlist* cell) {
    for (const strlist* rest = cell->cdr; rest != nullptr; rest = rest->cdr) {
        if (rest->isAtom) fail("bad string printcdr");
        printf(" ");
        print(rest->car);
    }
}
