// Tags: names for one piece of the game, chosen by the engine. The query
// declares them with :forany; each game is then tried with every binding of
// the tags to the marks of its pieces (every piece for one tag, every
// ordered pair of distinct pieces for two).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filter/pieceloc.h"

class MarkBoard;

class Tag {
  public:
    std::string name;
    // The designator of the declaration; only its pieces count.
    std::unique_ptr<pieceLoc> pieceloc;
    // The mark currently bound to the tag.
    int mark = 0;
    // Bit p for every piece code p that the declaration names.
    uint32_t piecemask = 0;

    Tag(const char* tagName, const pieceLoc* designator, const MarkBoard* board);

    // The square of the bound piece, or -1 once it has been captured.
    int square() const;
    // The mark bound to the tag stands on `sq`.
    bool on(int sq) const;
    void print() const;

  private:
    const MarkBoard* board;
};

// The tags of one query, in the order declared, and their bindings.
class TagTable {
  public:
    // A binding is a mark per tag: more than two tags would try far too many.
    static constexpr int ntags_max = 2;

    // Declares a tag following pieces on `board`; a name declared before or
    // a third tag ends the run.
    Tag* makeTag(const char* name, const pieceLoc* designator, const MarkBoard* board);
    // The tag of exactly this name, or null.
    Tag* findTag(const char* name) const;
    int ntags() const { return int(allTags.size()); }
    Tag* getTag(int i) const;

    // Binds tag i to mark i: the first binding of every game.
    void initializeTags();
    // Advances to the next binding among `nmarkers` marks; false when every
    // binding has been tried.
    bool nextTagMarkers(int nmarkers);
    // Whether each tag's piece is, somewhere in the game, of a kind that its
    // declaration allows; `piecemasks` holds the codes of every mark.
    bool bindingPossible(const uint32_t* piecemasks) const;

  private:
    std::vector<std::unique_ptr<Tag>> allTags;
};
