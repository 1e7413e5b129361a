// The query file as a tree: each node is either a word (atom) or a list cell
// whose car is an element and whose cdr is the next cell. A node owns its car
// and its cdr; the query keeps the tree it was read from. Each node knows
// where its text stands in the file, so that errors can say where they are.
#pragma once

#include <cstdio>
#include <string>

class strlist {
  public:
    bool isAtom;
    strlist* car;
    char* atomValue;
    strlist* cdr;
    // Where the node's text starts in the query, 1-based (0 when the node
    // was not read from a text): an atom's word; for a cell, its element's
    // (the "(" when the element is a list).
    int line = 0;
    int column = 0;

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
    // A byte-order mark at the start is skipped; text after the list is
    // ignored, with a warning on standard error.
    static strlist* parseFile(const char* path);
    static strlist* parseStream(FILE* stream);
    // The rest of a list whose "(" was already read, through its ")".
    static strlist* parseRestStream(FILE* stream);
    // The next token: "(" or ")" as fixed strings, a word as a new string
    // owned by the caller (delete[]), or null at end of file. A word that
    // starts with a double quote runs to the closing one on its line, blanks,
    // brackets and semicolons included; inside, \" stands for a quote and
    // \\ for a backslash.
    static const char* readstring(FILE* stream);

    // The readers note the element of each cell as they take it, so that an
    // error in the query can say where it is: the one noted last on this
    // thread.
    static void taking(const strlist* cell);
    // "  at line L, column C: TEXT" for the word noted last (the word being
    // read while the text is tokenized); "" once forgetPlace was called or
    // before anything was read.
    static std::string placeLine();
    static void forgetPlace();

    bool eq(const char* word) const;
    void print() const;
    static void print(const strlist* node);
    // What print shows, as a string.
    static std::string text(const strlist* node);
    static void printcdr(const strlist* cell);
};
