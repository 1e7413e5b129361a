// The query file as a tree: each node is either a word (atom) or a list cell
// whose car is an element and whose cdr is the next cell. A node owns its car
// and its cdr; the query keeps the tree it was read from.
#pragma once

#include <cstdio>
#include <string>

class strlist {
  public:
    bool isAtom;
    strlist* car;
    char* atomValue;
    strlist* cdr;

    // Lists may nest this deep; a deeper query is refused rather than
    // allowed to exhaust the stack.
    static constexpr int maxDepth = 10000;

    explicit strlist(const char* word);
    strlist();
    strlist(const strlist&) = delete;
    strlist& operator=(const strlist&) = delete;
    // Frees the word, the element and the rest of the chain.
    ~strlist();

    // The first top-level list of the file, or null when it holds no token.
    static strlist* parseFile(const char* path);
    static strlist* parseStream(FILE* stream);
    // The rest of a list whose "(" was already read, through its ")".
    static strlist* parseRestStream(FILE* stream);
    // The next token: "(" or ")" as fixed strings, a word as a new string
    // owned by the caller (delete[]), or null at end of file.
    static const char* readstring(FILE* stream);

    bool eq(const char* word) const;
    void print() const;
    static void print(const strlist* node);
    // What print shows, as a string.
    static std::string text(const strlist* node);
    static void printcdr(const strlist* cell);
};
