#include "filter/gamepositions.h"

#include <algorithm>
#include <bit>

#include "core/game.h"
#include "core/position.h"
#include "filter/matchmark.h"
#include "filter/pieceloc.h"

Placement Placement::of(const Position* pos) {
    Placement p;
    for (pieceT code : kCodes) p.sets[code] = pos->GetPieceSet(code);
    return p;
}

SquareSet Placement::occupied() const {
    SquareSet on = 0;
    for (pieceT code : kCodes) on |= sets[code];
    return on;
}

uint64_t Placement::hash() const {
    uint64_t h = 0;
    for (pieceT code : kCodes) h = (h + sets[code]) * 0x9E3779B97F4A7C15ULL;
    // The table takes the low bits, which the products above leave weak.
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 29);
}

SquareSet Placement::matching(const pieceLoc* loc) const {
    SquareSet on = 0;
    for (unsigned codes = loc->piecemask; codes != 0; codes &= codes - 1) {
        int code = std::countr_zero(codes);
        on |= code == EMPTY ? ~occupied() : sets[code];
    }
    return on & loc->squaremask;
}

SquareSet differingSquares(const Placement& a, const Placement& b) {
    SquareSet differ = 0;
    for (pieceT code : Placement::kCodes) differ |= a.sets[code] ^ b.sets[code];
    return differ;
}

namespace {

size_t bitOf(SquareSet occupied, size_t nbits) {
    return (occupied * 0xD6E8FEB86659FD93ULL >> 32) & (nbits - 1);
}

size_t slotOf(const moveT* cursor, size_t mask) {
    return (reinterpret_cast<uintptr_t>(cursor) * 0x9E3779B97F4A7C15ULL >> 32) & mask;
}

// The first variation that branches off at a position, or null.
moveT* firstVariation(const moveT* cursor, bool variations) {
    return variations && cursor->marker == NO_MARKER && cursor->numVariations > 0 ? cursor->varChild
                                                                                  : nullptr;
}

// The positions a walk from `first` tests: one per move played, and the first.
size_t countPositions(const moveT* first, bool variations, std::vector<const moveT*>& pending) {
    size_t n = 1;
    pending.assign(1, first);
    while (!pending.empty()) {
        const moveT* m = pending.back();
        pending.pop_back();
        for (; m->marker != END_MARKER; m = m->next, n++)
            for (const moveT* v = firstVariation(m, variations); v != nullptr; v = v->varChild)
                pending.push_back(v->next);
    }
    return n;
}

// The move as the board sees it: what Position::DoSimpleMove does to the
// squares, the move having been made once when the game was read.
void play(Placement& p, const simpleMoveT& m) {
    if (isNullMove(m)) return;
    colorT side = piece_Color(m.movingPiece);
    p.sets[m.movingPiece] &= ~square_Bit(m.from);
    if (m.capturedPiece != EMPTY) p.sets[m.capturedPiece] &= ~square_Bit(m.capturedSquare);
    pieceT arrived = m.promote != EMPTY ? piece_Make(side, m.promote) : m.movingPiece;
    p.sets[arrived] |= square_Bit(m.to);
    if (piece_Type(m.movingPiece) == KING && square_Fyle(m.from) == E_FYLE) {
        int rookFrom = -1, rookTo = -1;
        if (square_Fyle(m.to) == G_FYLE) rookFrom = m.to + 1, rookTo = m.to - 1;
        if (square_Fyle(m.to) == C_FYLE) rookFrom = m.to - 2, rookTo = m.to + 1;
        if (rookFrom >= 0)
            p.sets[piece_Make(side, ROOK)] ^=
                square_Bit(squareT(rookFrom)) | square_Bit(squareT(rookTo));
    }
}

}  // namespace

void GamePositions::update(Game* g, unsigned w, bool variations) {
    if (gathered && g == game && w == walk && (withVariations || !variations)) return;
    gather(g, variations);
    game = g;
    walk = w;
    gathered = true;
    withVariations = variations;
}

void GamePositions::gather(Game* g, bool variations) {
    // The start: the game is moved there only to learn it, and brought back.
    g->SaveState();
    g->MoveToPly(0);
    Line start{g->myCursor(), nullptr, Placement::of(g->GetCurrentPos()),
               g->GetCurrentPos()->GetToMove()};
    g->RestoreState();

    size_t slots = std::bit_ceil(2 * countPositions(start.cursor, variations, pending));
    heads.assign(slots, kNone);
    cursorSlots.assign(slots, kNone);
    // 32 to 64 bits per position: few false hits.
    occupancies.assign(std::max<size_t>(1, slots / 4), 0);
    classes.clear();
    entries.clear();

    // The stored moves are replayed on the placement alone, which is all a
    // relation compares, in the order of a walk: forward along a line, and
    // into each variation from the move it replaces, whose first position,
    // the one before that move, is not tested again. Lines are kept on a
    // stack rather than in recursion: no game is too long.
    start.variation = firstVariation(start.cursor, variations);
    record(start, false);
    lines.assign(1, start);
    while (!lines.empty()) {
        Line& line = lines.back();
        if (line.variation != nullptr) {
            moveT* v = line.variation;
            line.variation = v->varChild;
            Line branch{v->next, firstVariation(v->next, variations), line.placement, line.toMove};
            lines.push_back(branch);
        } else if (line.cursor->marker != END_MARKER) {
            play(line.placement, line.cursor->moveData);
            line.toMove = color_Flip(line.toMove);
            line.cursor = line.cursor->next;
            line.variation = firstVariation(line.cursor, variations);
            record(line, lines.size() > 1);
        } else {
            lines.pop_back();
        }
    }
}

void GamePositions::record(const Line& line, bool inVariation) {
    uint64_t hash = line.placement.hash();
    uint32_t i = uint32_t(entries.size());
    uint32_t c = classFor(line.placement, hash, line.toMove, inVariation);
    Class& k = classes[c];
    entries.push_back({line.cursor, c, k.first, false});
    k.first = i;
    k.size++;
    k.unmarked++;
    size_t mask = cursorSlots.size() - 1;
    size_t slot = slotOf(line.cursor, mask);
    while (cursorSlots[slot] != kNone) slot = (slot + 1) & mask;
    cursorSlots[slot] = i;
}

uint32_t GamePositions::classFor(const Placement& placement, uint64_t hash, colorT toMove,
                                 bool inVariation) {
    uint32_t& head = heads[hash & (heads.size() - 1)];
    uint32_t twin = kNone;
    for (uint32_t c = head; c != kNone; c = classes[c].next) {
        const Class& k = classes[c];
        if (k.hash != hash || k.placement != placement) continue;
        if (k.toMove == toMove && k.inVariation == inVariation) return c;
        twin = c;
    }
    uint32_t c = uint32_t(classes.size());
    uint32_t ring = c;
    if (twin != kNone) {
        ring = classes[twin].samePlacement;
        classes[twin].samePlacement = c;
    }
    SquareSet occupied = placement.occupied();
    size_t bit = bitOf(occupied, occupancies.size() * 64);
    occupancies[bit / 64] |= 1ULL << (bit % 64);
    classes.push_back({placement, occupied, hash, head, ring, kNone, 0, 0, toMove, inVariation});
    head = c;
    return c;
}

uint32_t GamePositions::find(const Placement& placement, uint64_t hash) const {
    for (uint32_t c = heads[hash & (heads.size() - 1)]; c != kNone; c = classes[c].next)
        if (classes[c].hash == hash && classes[c].placement == placement) return c;
    return kNone;
}

bool GamePositions::mayHold(SquareSet occupied) const {
    size_t bit = bitOf(occupied, occupancies.size() * 64);
    return occupancies[bit / 64] >> (bit % 64) & 1;
}

uint32_t GamePositions::find(const moveT* cursor) const {
    size_t mask = cursorSlots.size() - 1;
    for (size_t slot = slotOf(cursor, mask); cursorSlots[slot] != kNone; slot = (slot + 1) & mask)
        if (entries[cursorSlots[slot]].cursor == cursor) return cursorSlots[slot];
    return kNone;
}

void GamePositions::mark(Game* g, uint32_t c, uint32_t except) {
    Class& k = classes[c];
    bool exceptUnmarked = except != kNone && entries[except].cls == c && !entries[except].marked;
    if (k.unmarked == (exceptUnmarked ? 1u : 0u)) return;
    for (uint32_t i = k.first; i != kNone; i = entries[i].nextInClass) {
        Entry& e = entries[i];
        if (i == except || e.marked) continue;
        addMatchMark(g, e.cursor, kRelationMark);
        e.marked = true;
        k.unmarked--;
    }
}
