// The base of every query node. scan/queryreader.h turns a query file or list
// into the node its leading word names.
#pragma once

#include <memory>

class Game;
class strlist;

class mfilter {
  public:
    // A label for debugging; nothing reads it.
    const char* type = "mfilter";
    // The list this node was built from.
    strlist* sourceStrlist = nullptr;
    // The whole tree, kept by the top node of a query read from a file: the
    // nodes point into it (names, file names). Copies share it.
    std::shared_ptr<strlist> tree;

    virtual void print() = 0;
    // Whether a whole game matches; only filters that scan games override it.
    virtual bool match(Game* game);
    virtual ~mfilter() = default;
};
