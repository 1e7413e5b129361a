// :tagmatch: the piece bound to a tag is on the board and satisfies a
// designator, on one of its squares and of one of its kinds.
#pragma once

class Position;
class Tag;
class pieceLoc;

class TagFilter {
  public:
    // Shared with every copy: the tag table owns it.
    Tag* tag;
    pieceLoc* pieceloc;

    // Takes ownership of the designator.
    TagFilter(Tag* tag, pieceLoc* designator);
    TagFilter(const TagFilter&) = delete;
    TagFilter& operator=(const TagFilter&) = delete;
    ~TagFilter();

    bool match(const Position* pos) const;

    // The designator is transformed; the tag never is.
    void makeFlip(char code);
    bool makeshift(int dx, int dy);
    TagFilter* clone() const;
    void print() const;
};
