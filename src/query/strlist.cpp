#include "query/strlist.h"

#include <cstring>
#include <memory>
#include <string>

#include "query/queryerror.h"
#include "query/util.h"

namespace {

const char kOpen[] = "(";
const char kClose[] = ")";

// Longest word the tokenizer collects; one more than copy accepts, so that
// a word of exactly this length is refused by copy with its own message.
constexpr int kMaxToken = 501;

bool isSpace(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

[[noreturn]] void fail(const std::string& message) {
    throw QueryError(message, QueryError::Stream::Err);
}

// Reads the elements of a list whose "(" was read, at nesting level `depth`
// (the top-level list is level 1). The chain of cells is built in a loop so
// that only sublists, never long lists, deepen the recursion.
strlist* parseList(FILE* stream, int depth) {
    std::unique_ptr<strlist> head;
    strlist** tail = nullptr;
    for (;;) {
        const char* token = strlist::readstring(stream);
        if (token == nullptr) fail("parseRestStream: unterminated list\n");
        if (token == kClose) return head.release();
        strlist* cell = new strlist();
        // Linked first, so that a refusal below frees it with the rest.
        if (tail == nullptr)
            head.reset(cell);
        else
            *tail = cell;
        tail = &cell->cdr;
        if (token == kOpen) {
            if (depth >= strlist::maxDepth)
                fail("parseRestStream: lists nested deeper than 10000 levels\n");
            cell->car = parseList(stream, depth + 1);
        } else {
            std::unique_ptr<const char[]> word(token);
            cell->car = new strlist(token);
        }
    }
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
        fail(std::string("could not open file: ") + path + "\n");
    }
    // Closed also when the text is refused.
    std::unique_ptr<FILE, int (*)(FILE*)> closer(stream, fclose);
    return parseStream(stream);
}

strlist* strlist::parseStream(FILE* stream) {
    const char* token = readstring(stream);
    if (token == nullptr) return nullptr;
    if (token != kOpen) {
        std::string message = std::string("strlist: expected a '(' but got ") + token + "\n";
        if (token != kClose) delete[] token;
        fail(message);
    }
    return parseRestStream(stream);
}

strlist* strlist::parseRestStream(FILE* stream) {
    return parseList(stream, 1);
}

const char* strlist::readstring(FILE* stream) {
    int ch;
    for (;;) {
        do ch = getc(stream);
        while (isSpace(ch));
        if (ch != ';') break;
        do ch = getc(stream);
        while (ch != '\n' && ch != EOF);
    }
    if (ch == EOF) return nullptr;
    if (ch == '(') return kOpen;
    if (ch == ')') return kClose;

    char word[kMaxToken + 1];
    int len = 0;
    while (ch != EOF && !isSpace(ch) && ch != '(' && ch != ')') {
        if (len == kMaxToken) fail("token too long: readstring");
        word[len++] = char(ch);
        ch = getc(stream);
    }
    if (ch != EOF) ungetc(ch, stream);
    word[len] = '\0';
    return util::copy(word);
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
