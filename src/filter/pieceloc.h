// A piece designator: a set of piece codes (or one tagged piece) on a set of
// squares, as written in a query (`Ka1`, `[Qq]d-e4-5`, `.e4`). Parsing,
// matching against a position, printing, and the flips and shifts that
// transformed variants of a query apply to it.
#pragma once

#include <bit>
#include <cstdint>

#include "core/common.h"
#include "core/position.h"
#include "query/mfilter.h"

class Tag;
class TagTable;
class strlist;

class pieceLoc : public mfilter {
  public:
    static constexpr int npiecesmax = 64;
    // Longest item of a bracketed square list.
    static constexpr int squareitemmax = 99;
    // A tagged designator follows the one piece bound to its tag and has no
    // piece codes; the table of tags owns the tag.
    Tag* tag = nullptr;
    int npieces = 0;
    // Codes in the order written, duplicates allowed.
    pieceT pieces[npiecesmax];
    // Bit (1 << code) for every code present: what matching uses.
    uint16_t piecemask = 0;
    SquareSet squaremask = 0;
    // The squares of squaremask, each once, in the order added: printing and
    // the order of a transformed designator follow it.
    squareT squarelist[64];
    int nsquares = 0;
    // Written without a square part: covers the board and is never shifted.
    bool allsquares = false;

    pieceLoc() { type = "pieceLoc"; }

    // Null for empty or blank text; errors in the text end the run. A tag
    // reference ($name) is looked up in `tags`.
    static pieceLoc* fromString(const char* text, const TagTable* tags = nullptr);
    // Reads every atom of `list` into `out`; more than `capacity` designators
    // end the run.
    static int pieceLocsFromStrlist(strlist* list, pieceLoc** out, int capacity,
                                    const TagTable* tags = nullptr);
    // The codes a piece character stands for (1 to 13); others end the run.
    static int piecesFromChar(char c, pieceT* out);

    void addSquare(int sq);
    void addPiece(pieceT p);
    int getSquare(int i) const;
    pieceT getPiece(int i) const;

    // Designators test positions, never whole games.
    using mfilter::match;
    bool match(const Position* pos) const;
    bool matchSquare(const pieceT* board, int sq) const;
    bool matchPieceSquare(pieceT piece, int sq) const;
    // Every square on which matchSquare holds.
    SquareSet matchingSquares(const Position* pos) const;
    // The same on square sets indexed by piece code (EMPTY's being the empty
    // squares), for a designator that follows no tagged piece.
    SquareSet matchingSquares(const SquareSet* sets) const;

    // 'H', 'V', 'D' or 'C'; anything else is an internal error.
    void makeFlip(char code);
    bool shiftok(int dx, int dy) const;
    void shift(int dx, int dy);
    // Whether no shift or mirror image of the board changes what it matches:
    // it covers the whole board and follows no tagged piece.
    bool boardWide() const { return allsquares && tag == nullptr; }
    bool makeshift(int dx, int dy);
    pieceLoc* clone() const;
    void print() override;

  private:
    const char* readPieces(const char* text, const TagTable* tags);
    const char* readTag(const char* name, const TagTable* tags);
    // The square of the tagged piece when it is among the designator's.
    SquareSet taggedSquares() const;
    // A tagged designator has no piece codes; neither has one built without
    // pieces, which holds everywhere.
    [[gnu::cold]] bool matchWithoutPieces() const;
    void addPieceChar(char c);
    void addSquares(const char* spec);
    void addSquareSpec(const char* spec);
    void clearSquares();
    void shiftLine(int dx, int dy);
    SquareSet occupiedBy(const Position* pos) const;
};

// The squares holding any of the designator's pieces: a few set unions, one
// per piece code, instead of a walk over the board.
inline SquareSet pieceLoc::occupiedBy(const Position* pos) const {
    SquareSet on = 0;
    for (unsigned codes = piecemask; codes != 0; codes &= codes - 1)
        on |= pos->GetPieceSet(pieceT(std::countr_zero(codes)));
    return on;
}

inline bool pieceLoc::match(const Position* pos) const {
    if (piecemask == 0) [[unlikely]]
        return matchWithoutPieces();
    return (occupiedBy(pos) & squaremask) != 0;
}

inline SquareSet pieceLoc::matchingSquares(const Position* pos) const {
    if (tag != nullptr) [[unlikely]]
        return taggedSquares();
    return occupiedBy(pos) & squaremask;
}

inline SquareSet pieceLoc::matchingSquares(const SquareSet* sets) const {
    SquareSet on = 0;
    for (unsigned codes = piecemask; codes != 0; codes &= codes - 1)
        on |= sets[std::countr_zero(codes)];
    return on & squaremask;
}
