#include "filter/pieceloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "filter/squareset.h"
#include "filter/tag.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"

namespace {

// Tag names longer than this are refused.
constexpr size_t kTagNameMax = 199;

// What each shorthand letter stands for, expanded letter by letter.
struct Shorthand {
    char letter;
    const char* pieces;
};
constexpr Shorthand kShorthands[] = {
    {'A', "KQRBNP"}, {'a', "kqrbnp"}, {'M', "QR"},           {'m', "qr"},
    {'I', "BN"},     {'i', "bn"},     {'U', "KQRBNPkqrbnp"}, {'?', "KQRBNPkqrbnp."},
};

constexpr pieceT kCodes[] = {WK, WQ, WR, WB, WN, WP, EMPTY, BK, BQ, BR, BB, BN, BP};

// The code of one of the thirteen plain piece characters, or -1.
int pieceCode(char c) {
    for (pieceT p : kCodes)
        if (PIECE_CHAR[p] == c) return p;
    return -1;
}

bool tagNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool validPiece(pieceT p) {
    return p == EMPTY || (p >= WK && p <= WP) || (p >= BK && p <= BP);
}

// The board's lines seen along one axis: a square's coordinate across the
// shift and the square at coordinate k on the same line.
int along(int sq, bool horizontal) {
    return horizontal ? sq % 8 : sq / 8;
}
int onSameLine(int sq, int k, bool horizontal) {
    return horizontal ? sq / 8 * 8 + k : k * 8 + sq % 8;
}

SquareSet maskOf(const squareT* list, int n) {
    SquareSet mask = 0;
    for (int i = 0; i < n; i++) mask |= square_Bit(list[i]);
    return mask;
}

}  // namespace

pieceLoc* pieceLoc::fromString(const char* text, const TagTable* tags) {
    ASSERT(text != nullptr);
    while (*text == ' ' || *text == '\n') text++;
    if (*text == '\0') return nullptr;
    std::unique_ptr<pieceLoc> loc(new pieceLoc());
    const char* squares = loc->readPieces(text, tags);
    if (*squares == '\0') {
        loc->allsquares = true;
        for (int sq = 0; sq < 64; sq++) loc->addSquare(sq);
    } else {
        loc->addSquares(squares);
    }
    util::uassert(loc->tag == nullptr || loc->npieces == 0, "No multiple pieces with a tag");
    ASSERT(loc->tag != nullptr || loc->npieces > 0);
    return loc.release();
}

// Reads the piece part and returns the text after it.
const char* pieceLoc::readPieces(const char* text, const TagTable* tags) {
    if (*text == '$') return readTag(text + 1, tags);
    if (*text != '[') {
        addPieceChar(*text);
        return text + 1;
    }
    const char* p = text + 1;
    util::uassert(*p != ']', "Invalid piece designator: [] names no piece");
    while (*p != ']') {
        util::uassert(*p != '\0', "Invalid piece designator");
        if (*p == '$') {
            p = readTag(p + 1, tags);
        } else {
            addPieceChar(*p);
            p++;
        }
    }
    return p + 1;
}

// A tag's name is a run of letters and digits; returns the text after it.
const char* pieceLoc::readTag(const char* name, const TagTable* tags) {
    const char* end = name;
    while (tagNameChar(*end)) end++;
    size_t length = size_t(end - name);
    util::uassert(length > 0 && length <= kTagNameMax, "invalid tagname");
    Tag* found = tags == nullptr ? nullptr : tags->findTag(std::string(name, length).c_str());
    util::uassert(found != nullptr, "Invalid tag name in piece designator: no such tag");
    util::uassert(tag == nullptr, "Invalid piece designator: at most one tag in a designator");
    tag = found;
    return end;
}

void pieceLoc::addPieceChar(char c) {
    pieceT codes[13];
    int n = piecesFromChar(c, codes);
    util::uassert(npieces + n <= npiecesmax,
                  "Too many pieces in piece designator: at most 64 are allowed");
    for (int i = 0; i < n; i++) addPiece(codes[i]);
}

int pieceLoc::piecesFromChar(char c, pieceT* out) {
    util::uassert(c != 'x', "invalid piece designator x");
    int code = pieceCode(c);
    if (code >= 0) {
        out[0] = pieceT(code);
        return 1;
    }
    const Shorthand* shorthand = nullptr;
    for (const Shorthand& s : kShorthands)
        if (s.letter == c) shorthand = &s;
    util::uassert(shorthand != nullptr, "Invalid piece designator");
    int n = 0;
    for (const char* q = shorthand->pieces; *q; q++) out[n++] = pieceT(pieceCode(*q));
    return n;
}

void pieceLoc::addSquares(const char* spec) {
    if (*spec != '[') {
        addSquareSpec(spec);
        return;
    }
    const char* items = spec + 1;
    const char* close = strchr(items, ']');
    if (close == nullptr || close[1] != '\0') {
        throw QueryError(std::string("Missing ] or chars after ] in square spec: ") + items);
    }
    // A comma just before the bracket ends the list; any other empty item
    // is refused.
    for (const char* item = items; item < close;) {
        const char* end = item;
        while (end < close && *end != ',') end++;
        if (end == item) {
            throw QueryError(std::string("Invalid empty square spec for string: ") + item + "\n");
        }
        util::uassert(end - item <= squareitemmax,
                      "Square spec too long in piece designator: at most 99 characters per item");
        char copy[squareitemmax + 1];
        memcpy(copy, item, size_t(end - item));
        copy[end - item] = '\0';
        addSquares(copy);
        item = end + 1;
    }
}

// One file part and one rank part, each a letter or digit, a range of two
// joined by a minus sign, or `?` for all eight.
void pieceLoc::addSquareSpec(const char* spec) {
    const char* p = spec;
    int file1 = 0, file2 = 7, rank1 = 0, rank2 = 7;
    if (*p == '?') {
        p++;
    } else {
        file1 = file2 = util::fileFromChar(*p++);
        if (*p == '-') {
            file2 = util::fileFromChar(p[1]);
            p += 2;
        }
    }
    if (*p == '?') {
        p++;
    } else {
        rank1 = rank2 = util::rankFromChar(*p++);
        if (*p == '-') {
            rank2 = util::rankFromChar(p[1]);
            p += 2;
        }
    }
    if (*p != '\0') {
        throw QueryError(std::string("Extra characters after piece specifier in specifier: ") +
                         spec + "\n");
    }
    for (int file = file1; file <= file2; file++)
        for (int rank = rank1; rank <= rank2; rank++) addSquare(rank * 8 + file);
}

int pieceLoc::pieceLocsFromStrlist(strlist* list, pieceLoc** out, int capacity,
                                   const TagTable* tags) {
    int n = 0;
    // What was read is freed when a later designator is refused.
    struct Partial {
        pieceLoc** out;
        int& n;
        ~Partial() {
            for (int i = 0; i < n; i++) delete out[i];
        }
    } partial{out, n};
    for (strlist* cell = list; cell != nullptr; cell = cell->cdr) {
        util::uassert(!cell->isAtom, "bad pieceloc format 23");
        strlist* element = cell->car;
        strlist::taking(cell);
        util::uassert(element != nullptr && element->isAtom, "malformed pieceloc 24");
        if (n == capacity) {
            char message[100];
            snprintf(message, sizeof message, "Too many piece designators in one list: at most %d",
                     capacity);
            util::uassert(false, message);
        }
        out[n] = fromString(element->atomValue, tags);
        util::uassert(out[n] != nullptr, "empty piece designator in a ray list");
        n++;
    }
    int read = n;
    n = 0;
    return read;
}

void pieceLoc::addSquare(int sq) {
    ASSERT(util::squareValid(sq));
    if (squaremask & square_Bit(squareT(sq))) return;
    squarelist[nsquares++] = squareT(sq);
    squaremask |= square_Bit(squareT(sq));
}

void pieceLoc::addPiece(pieceT p) {
    ASSERT(npieces < npiecesmax && validPiece(p));
    pieces[npieces++] = p;
    piecemask |= uint16_t(1u << p);
}

int pieceLoc::getSquare(int i) const {
    ASSERT(i >= 0 && i < nsquares);
    return squarelist[i];
}

pieceT pieceLoc::getPiece(int i) const {
    ASSERT(i >= 0 && i < npieces);
    return pieces[i];
}

bool pieceLoc::matchSquare(const pieceT* board, int sq) const {
    ASSERT(util::squareValid(sq));
    // The tagged piece is known by its mark, whatever it has become.
    if (tag != nullptr) return (squaremask & square_Bit(squareT(sq))) && tag->on(sq);
    return matchPieceSquare(board[sq], sq);
}

bool pieceLoc::matchWithoutPieces() const {
    return tag == nullptr || taggedSquares() != 0;
}

SquareSet pieceLoc::taggedSquares() const {
    int sq = tag->square();
    return sq < 0 ? 0 : squaremask & square_Bit(squareT(sq));
}

bool pieceLoc::matchPieceSquare(pieceT piece, int sq) const {
    ASSERT(util::squareValid(sq));
    return (squaremask & square_Bit(squareT(sq))) && piece < 16 && (piecemask >> piece & 1);
}

void pieceLoc::makeFlip(char code) {
    SquareSet flipped = 0;
    switch (code) {
        case 'C':
            piecemask = 0;
            for (int i = 0; i < npieces; i++) {
                if (pieces[i] != EMPTY) pieces[i] ^= 8;
                piecemask |= uint16_t(1u << pieces[i]);
            }
            [[fallthrough]];
        case 'H':
            flipped = squareset::flipRanks(squaremask);
            break;
        case 'V':
            flipped = squareset::flipFiles(squaremask);
            break;
        case 'D':
            flipped = squareset::flipDiagonal(squaremask);
            break;
        default:
            _MyAssert(__FILE__, __LINE__);
    }
    char squareFlip = code == 'C' ? 'H' : code;
    for (int i = 0; i < nsquares; i++)
        squarelist[i] = squareT(util::makeFlip(squarelist[i], squareFlip));
    squaremask = flipped;
    ASSERT(maskOf(squarelist, nsquares) == squaremask);
}

namespace {

// Whether one coordinate may move by d: a lone square must stay on the
// board unless it sits on the edge it moves away from, where it stretches.
bool lineShiftOk(int x, int d) {
    if (d > 0) return x == 0 || x + d <= 7;
    if (d < 0) return x == 7 || x + d >= 0;
    return true;
}

}  // namespace

bool pieceLoc::shiftok(int dx, int dy) const {
    if (nsquares != 1) return true;
    return lineShiftOk(squarelist[0] % 8, dx) && lineShiftOk(squarelist[0] / 8, dy);
}

void pieceLoc::shift(int dx, int dy) {
    ASSERT(dx >= -7 && dx <= 7 && dy >= -7 && dy <= 7);
    if (allsquares) return;
    SquareSet shifted = squareset::shiftStretch(squaremask, dx, dy);
    if (dx != 0) shiftLine(dx, 0);
    if (dy != 0) shiftLine(0, dy);
    ASSERT(squaremask == shifted);
}

// A shift along one axis. The moved squares keep the old order; the bands
// stretched from the edge the pattern leaves follow them.
void pieceLoc::shiftLine(int dx, int dy) {
    bool horizontal = dx != 0;
    int d = horizontal ? dx : dy;
    int edge = d > 0 ? 0 : 7;
    squareT old[64];
    int nold = nsquares;
    memcpy(old, squarelist, size_t(nold));
    clearSquares();
    for (int i = 0; i < nold; i++) {
        int to = util::squareShift(old[i], dx, dy);
        if (to >= 0) addSquare(to);
    }
    for (int i = 0; i < nold; i++) {
        if (along(old[i], horizontal) != edge) continue;
        for (int k = 0; k < (d > 0 ? d : -d); k++)
            addSquare(onSameLine(old[i], d > 0 ? k : 7 - k, horizontal));
    }
}

void pieceLoc::clearSquares() {
    nsquares = 0;
    squaremask = 0;
}

bool pieceLoc::makeshift(int dx, int dy) {
    if (!shiftok(dx, dy)) return false;
    shift(dx, dy);
    return true;
}

pieceLoc* pieceLoc::clone() const {
    return new pieceLoc(*this);
}

void pieceLoc::print() {
    if (tag != nullptr) {
        printf("Tag pieceloc: ");
        tag->print();
    } else if (npieces == 0) {
        printf("Empty piece spec\n");
        return;
    } else if (npieces == 1) {
        printf("%c", PIECE_CHAR[pieces[0]]);
    } else {
        printf("[");
        for (int i = 0; i < npieces; i++) printf("%c", PIECE_CHAR[pieces[i]]);
        printf("]");
    }
    if (nsquares == 0) {
        printf("<no valid squares>");
    } else if (nsquares == 1) {
        util::printsquare(squarelist[0]);
    } else if (allsquares) {
        printf("<all squares>");
    } else {
        printf("<");
        for (int i = 0; i < nsquares; i++) {
            util::printsquare(squarelist[i]);
            printf(" ");
        }
        printf(">");
    }
}
