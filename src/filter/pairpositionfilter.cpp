#include "filter/pairpositionfilter.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <memory>

#include "core/game.h"
#include "core/position.h"
#include "filter/matchmark.h"
#include "filter/piececomputefilter.h"
#include "filter/pieceloc.h"
#include "filter/scanstate.h"
#include "filter/squareset.h"
#include "query/strlist.h"
#include "query/util.h"

namespace {

constexpr SquareSet kAllSquares = ~SquareSet(0);

// Every square moved dx files and dy ranks; what leaves the board is dropped.
SquareSet shifted(SquareSet s, int dx, int dy) {
    if (dx > 0) s = (s & squareset::lowFiles(8 - dx)) << dx;
    if (dx < 0) s = (s & ~squareset::lowFiles(-dx)) >> -dx;
    if (dy > 0) s <<= 8 * dy;
    if (dy < 0) s >>= 8 * -dy;
    return s;
}

// The eight symmetries of the square: 0 leaves a board as it is, 1 to 7 are
// its mirror images H; V; V of H; D; H of D; V of D; V of H of D.
SquareSet mirrored(SquareSet s, int image) {
    if (image & 4) s = squareset::flipDiagonal(s);
    if (image & 1) s = squareset::flipRanks(s);
    if (image & 2) s = squareset::flipFiles(s);
    return s;
}

// The word in `cell`, noted as the word being read; null when it is a list
// or there is none.
const char* atomOf(const strlist* cell) {
    if (cell == nullptr) return nullptr;
    strlist::taking(cell);
    if (cell->car == nullptr || !cell->car->isAtom) return nullptr;
    return cell->car->atomValue;
}

bool inRange(int n, int min, int max) {
    return n >= min && n <= max;
}

}  // namespace

PairPositionFilter::~PairPositionFilter() {
    for (pieceLoc* loc : pieces) delete loc;
    delete missingpiececountfilter;
    delete newpiececountfilter;
}

strlist* PairPositionFilter::handleCountSpec(strlist* cell) {
    bool missing = cell->car->eq(":missingpiececount");
    strlist* locCell = cell->cdr;
    util::uassert(locCell != nullptr, "handleCountSpec: missing piece specifier");
    const char* text = atomOf(locCell);
    util::uassert(text != nullptr, "handleCountSpec: null piece specifier");
    std::unique_ptr<pieceLoc> loc(pieceLoc::fromString(text));
    util::uassert(loc != nullptr, "could not read pieceloc");
    strlist* last = locCell->cdr;
    util::uassert(last != nullptr, "handle count spec: no min spec in count specification");
    const char* minText = atomOf(last);
    int min = minText == nullptr ? -1 : util::intValue(minText);
    util::uassert(min >= 0, "malformed input: no min count given");
    int max = min;
    const char* maxText = atomOf(last->cdr);
    if (maxText != nullptr && util::intValue(maxText) >= 0) {
        max = util::intValue(maxText);
        last = last->cdr;
    }
    util::uassert(max >= min, "max must be >= min in count spec");
    pieceComputeFilter*& slot = missing ? missingpiececountfilter : newpiececountfilter;
    delete slot;
    slot = new pieceComputeFilter(loc.release(), min, max);
    return last->cdr;
}

void PairPositionFilter::setPattern(const std::vector<pieceLoc*>& designators) {
    util::uassert(int(designators.size()) <= npiecesmax,
                  "too many pattern designators for :relation: at most 100");
    for (const pieceLoc* loc : designators) pieces.push_back(loc->clone());
}

bool PairPositionFilter::matchCurrentPosition(Game* game, ScanState& state) {
    GamePositions& positions = state.gamePositions;
    positions.update(game, state.walk, searchVariations || searchVariationsOnly);
    initialize(game, positions);
    bool found = !tooFewToMiss() && findMatches(game, positions);
    resetGame();
    return found;
}

void PairPositionFilter::initialize(Game* game, const GamePositions& positions) {
    ASSERT(!saved);
    saved = true;
    savedMove = game->myCursor();
    // The source is among the positions gathered unless it lies where the
    // relation's walk does not go; its placement is known then.
    savedEntry = positions.find(savedMove);
    const Position* pos = game->GetCurrentPos();
    tomove = pos->GetToMove();
    countOriginal = noriginaldifferencesmin != 0 || noriginaldifferencesmax < 64 ||
                    noriginalsamesmin != 0 || noriginalsamesmax < 64;
    boards.clear();
    if (savedEntry != GamePositions::kNone) {
        const GamePositions::Class& k = positions.getClass(positions.classOf(savedEntry));
        boards.push_back({k.placement, k.occupied, kAllSquares, k.hash, 0});
    } else {
        Placement source = Placement::of(pos);
        boards.push_back({source, source.occupied(), kAllSquares, source.hash(), 0});
    }
    okboard = kAllSquares;
    if (!pieces.empty()) {
        okboard = 0;
        for (const pieceLoc* loc : pieces) okboard |= loc->matchingSquares(pos);
        boards[0].mask = okboard;
    }
    if ((allowshifts || allowflips) && !tooFewToMiss()) addTransformed(positions);
}

bool PairPositionFilter::tooFewToMiss() const {
    // A copy misses what the transformation pushed off and what is gone from
    // the rest: never more than the source had on the squares counted.
    if (missingpiececountfilter == nullptr) return false;
    SquareSet counted = pieces.empty() ? boards[0].occupied : okboard;
    return missingpiececountfilter->min > std::popcount(counted);
}

void PairPositionFilter::addTransformed(const GamePositions& positions) {
    const Board source = boards[0];
    // A copy that pushed more off the board than may be missing can never
    // match; nor, when only equal positions relate, can one whose occupied
    // squares no position of the game has. Neither is made.
    int allowedLoss = missingpiececountfilter ? missingpiececountfilter->max : 0;
    SquareSet counted = pieces.empty() ? source.occupied : okboard;
    int dxMin = -7, dxMax = 7, dyMin = -7, dyMax = 7;
    if (!allowshifts) {
        dxMin = dxMax = dyMin = dyMax = 0;
    } else if (allowedLoss == 0 && counted != 0) {
        // Every square must stay on the board: the shifts within its margins.
        SquareSet fold = counted | counted >> 32;
        fold |= fold >> 16;
        unsigned files = unsigned(fold | fold >> 8) & 0xFF;
        unsigned ranks = 0;
        for (int rank = 0; rank < 8; rank++)
            if (counted >> 8 * rank & 0xFF) ranks |= 1u << rank;
        dxMin = -std::countr_zero(files);
        dxMax = 8 - std::bit_width(files);
        dyMin = -std::countr_zero(ranks);
        dyMax = 8 - std::bit_width(ranks);
    }
    bool onlyEqual = exact();
    int images = allowflips ? 8 : 1;
    for (int dy = dyMin; dy <= dyMax; dy++) {
        for (int dx = dxMin; dx <= dxMax; dx++) {
            int lost = allowedLoss == 0
                           ? 0
                           : std::popcount(counted) - std::popcount(shifted(counted, dx, dy));
            if (lost > allowedLoss) continue;
            SquareSet occupied = shifted(source.occupied, dx, dy);
            for (int image = dx == 0 && dy == 0 ? 1 : 0; image < images; image++) {
                if (onlyEqual && !positions.mayHold(mirrored(occupied, image))) continue;
                auto move = [dx, dy, image](SquareSet s) {
                    return mirrored(shifted(s, dx, dy), image);
                };
                addBoard(source.placement.moved(move), pieces.empty() ? kAllSquares : move(okboard),
                         lost);
            }
        }
    }
}

void PairPositionFilter::addBoard(const Placement& placement, SquareSet mask, int lost) {
    ASSERT(int(boards.size()) < nboardsMax);
    boards.push_back({placement, placement.occupied(), mask, placement.hash(), lost});
}

bool PairPositionFilter::exact() const {
    return pieces.empty() && missingpiececountfilter == nullptr && newpiececountfilter == nullptr;
}

bool PairPositionFilter::tested(const GamePositions::Class& k) const {
    if (k.inVariation ? !searchVariations && !searchVariationsOnly : searchVariationsOnly)
        return false;
    if (identicalcolor && k.toMove != tomove) return false;
    return !switchcolor || k.toMove != tomove;
}

bool PairPositionFilter::findMatches(Game* game, GamePositions& positions) {
    // The source itself is never a find.
    bool found = false;
    auto find = [&](uint32_t c) {
        bool sourceHere = savedEntry != GamePositions::kNone && positions.classOf(savedEntry) == c;
        if (positions.getClass(c).size == (sourceHere ? 1u : 0u)) return;
        found = true;
        if (!donotannotate) positions.mark(game, c, savedEntry);
    };
    if (exact()) {
        // Only the positions equal to a board can relate: looked up by hash,
        // or for the source itself, known already.
        for (size_t i = 0; i < boards.size(); i++) {
            const Board& b = boards[i];
            uint32_t c0 = i == 0 && savedEntry != GamePositions::kNone
                              ? positions.classOf(savedEntry)
                              : positions.find(b.placement, b.hash);
            if (c0 == GamePositions::kNone) continue;
            uint32_t c = c0;
            do {
                const GamePositions::Class& k = positions.getClass(c);
                if (tested(k) && (!countOriginal || board_original_check(k))) find(c);
                c = k.samePlacement;
            } while (c != c0);
        }
        return found;
    }
    for (uint32_t c = 0; c < positions.nclasses(); c++) {
        const GamePositions::Class& k = positions.getClass(c);
        if (!tested(k) || (countOriginal && !board_original_check(k))) continue;
        for (const Board& b : boards) {
            if (boardequalcheck(b, k)) {
                find(c);
                break;
            }
        }
    }
    return found;
}

bool PairPositionFilter::boardequalcheck(const Board& b, const GamePositions::Class& k) const {
    const pieceComputeFilter* missing = missingpiececountfilter;
    const pieceComputeFilter* added = newpiececountfilter;
    // Settled on the occupied squares alone where it can be: most are.
    SquareSet emptied = b.occupied & ~k.occupied & b.mask;
    SquareSet filled = k.occupied & ~b.occupied & b.mask;
    if ((emptied != 0 && missing == nullptr) || (filled != 0 && added == nullptr)) return false;
    if (differingSquares(b.placement, k.placement) & b.occupied & k.occupied & b.mask) return false;
    if (added != nullptr) {
        if (!inRange(std::popcount(filled), added->min, added->max)) return false;
        if (filled & ~k.placement.matching(added->pieceloc)) return false;
    }
    if (missing != nullptr) {
        if (!inRange(b.lost + std::popcount(emptied), missing->min, missing->max)) return false;
        if (emptied & ~b.placement.matching(missing->pieceloc)) return false;
    }
    return true;
}

bool PairPositionFilter::board_original_check(const GamePositions::Class& k) const {
    bool countDifferences = noriginaldifferencesmin != 0 || noriginaldifferencesmax < 64;
    bool countSames = noriginalsamesmin != 0 || noriginalsamesmax < 64;
    const Board& source = boards[0];
    SquareSet differ = differingSquares(source.placement, k.placement) & okboard;
    if (countDifferences &&
        !inRange(std::popcount(differ), noriginaldifferencesmin, noriginaldifferencesmax))
        return false;
    return !countSames || inRange(std::popcount(source.occupied & okboard & ~differ),
                                  noriginalsamesmin, noriginalsamesmax);
}

void PairPositionFilter::resetGame() {
    ASSERT(saved);
    saved = false;
}

PairPositionFilter* PairPositionFilter::clone() const {
    PairPositionFilter* copy = new PairPositionFilter();
    for (const pieceLoc* loc : pieces) copy->pieces.push_back(loc->clone());
    copy->donotannotate = donotannotate;
    copy->allowshifts = allowshifts;
    copy->allowflips = allowflips;
    copy->identicalcolor = identicalcolor;
    copy->switchcolor = switchcolor;
    copy->searchVariations = searchVariations;
    copy->searchVariationsOnly = searchVariationsOnly;
    copy->noriginaldifferencesmin = noriginaldifferencesmin;
    copy->noriginaldifferencesmax = noriginaldifferencesmax;
    copy->noriginalsamesmin = noriginalsamesmin;
    copy->noriginalsamesmax = noriginalsamesmax;
    if (missingpiececountfilter) copy->missingpiececountfilter = missingpiececountfilter->clone();
    if (newpiececountfilter) copy->newpiececountfilter = newpiececountfilter->clone();
    copy->sourceStrlist = sourceStrlist;
    return copy;
}

void PairPositionFilter::makeFlip(char code) {
    for (pieceLoc* loc : pieces) loc->makeFlip(code);
    if (missingpiececountfilter) missingpiececountfilter->makeFlip(code);
    if (newpiececountfilter) newpiececountfilter->makeFlip(code);
}

bool PairPositionFilter::makeshift(int dx, int dy) {
    for (pieceLoc* loc : pieces) loc->shift(dx, dy);
    if (missingpiececountfilter) missingpiececountfilter->shift(dx, dy);
    if (newpiececountfilter) newpiececountfilter->shift(dx, dy);
    return true;
}

bool PairPositionFilter::boardWide() const {
    for (const pieceLoc* loc : pieces)
        if (!loc->boardWide()) return false;
    for (const pieceComputeFilter* f : {missingpiececountfilter, newpiececountfilter})
        if (f != nullptr && !f->pieceloc->boardWide()) return false;
    return true;
}

namespace {

// A board of the debug dump: 64 squares and the two extra entries.
void dumpBoard(const Placement& placement) {
    pieceT board[66];
    for (int sq = 0; sq < 64; sq++) board[sq] = EMPTY;
    for (pieceT code : Placement::kCodes)
        for (SquareSet s = placement.sets[code]; s != 0; s &= s - 1)
            board[std::countr_zero(s)] = code;
    board[COLOR_SQUARE] = EMPTY;
    board[NULL_SQUARE] = END_OF_BOARD;
    util::my_dump_board(board);
}

// A pattern mask as a board: 1 on the pattern's squares.
void dumpMask(SquareSet mask) {
    Placement marks;
    marks.sets[1] = mask;
    dumpBoard(marks);
}

}  // namespace

void PairPositionFilter::print() {
    printf("pairposition filter: ");
    if (allowshifts) printf("allowshifts ");
    if (allowflips) printf("allowflips ");
    if (identicalcolor) printf("identicalcolor ");
    if (switchcolor) printf("switchcolor ");
    printf("color to move is: %d\n", tomove);
    if (searchVariations) printf("searchVariations ");
    if (searchVariationsOnly) printf("searchVariationsOnly ");
    if (donotannotate) printf(" donotannotate ");
    if (!pieces.empty()) {
        printf("\n pieces: ");
        for (pieceLoc* loc : pieces) {
            printf(" ");
            loc->print();
        }
    }
    printf(
        " noriginaldifferencesmin: %d noriginaldifferencesmax: %d noriginalsamesmin: %d "
        "noriginalsamesmax: %d ",
        noriginaldifferencesmin, noriginaldifferencesmax, noriginalsamesmin, noriginalsamesmax);
    int n = int(boards.size());
    printf("pairpositionfilter: printing boards: ..");
    for (int i = 0; i < n; i++) {
        printf("board %d of %d in pairpositionfilter: \n", i, n);
        dumpBoard(boards[i].placement);
    }
    printf("pairpositionfilter: printing okboards: ..");
    for (int i = 0; i < n; i++) {
        printf("okboard %d of %d in pairpositionfilter: \n", i, n);
        dumpMask(boards[i].mask);
    }
    for (int i = 0; i < n; i++) {
        if (missingpiececountfilter) {
            printf("missingpiececountfiler %d of %d in pairpositionfilter: \n", i, n);
            missingpiececountfilter->print();
        }
        if (newpiececountfilter) {
            printf("newpiececountfiler %d of %d in pairpositionfilter: \n", i, n);
            newpiececountfilter->print();
        }
    }
}
