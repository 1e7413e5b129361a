// Arbitrary text through the query reader and the match form. A query that
// reads is expanded and run over a few short built-in games that hold
// variations, checks, a mate, a stalemate, promotions on both sides, en
// passant and castling on both wings. A refused query throws a QueryError,
// which the target catches.
// Nothing frees a query (it lives as long as the process), and a refused one
// is abandoned half-built, so every input would leak what it built and a
// long run would run out of memory. The target therefore remembers what
// operator new hands out while an input runs, and frees all of it after the
// input. Engine state that must outlive one input (function-local statics
// and the like) must not be allocated for the first time while an input runs.
// Run with -close_fd_mask=2 to silence the engine's messages on stderr, and
// -dict=fuzz/query.dict for the keywords.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/common.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "query/matchfilter.h"
#include "query/mfilter.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"

namespace {

const char kGames[] = R"PGN([Event "Open game"]
[White "Amber, Ann"]
[Black "Birch, Bo"]
[Date "1901.05.06"]
[Result "1-0"]

1. e4 e5 2. Bc4 Nc6 (2... Bc5 3. Bxf7+ Kxf7 (3... Ke7 4. Qh5)) 3. Qh5 Nf6 4. Qxf7# 1-0

[Event "Both wings"]
[White "Cedar, Cy"]
[Black "Dale, Di"]
[Date "1950.??.??"]
[Result "*"]

1. e4 Nf6 2. e5 (2. Nc3 d5 (2... e5 3. Nf3) 3. exd5 Nxd5) 2... d5 3. exd6 cxd6 4. d4
Nc6 5. Nc3 g6 6. Be3 Bg7 7. Qd2 O-O 8. O-O-O Bg4 9. f3 Bf5 10. g4 Be6 *

[Event "No way out"]
[White "Elm, Ed"]
[Black "Fir, Flo"]
[Date "1999.12.31"]
[Result "1/2-1/2"]
[SetUp "1"]
[FEN "7k/8/6K1/8/8/8/8/5Q2 w - - 0 1"]

1. Qf7 (1. Qf8#) 1/2-1/2

[Event "Queens"]
[White "Gum, Gil"]
[Black "Hazel, Hu"]
[Date "2010.01.01"]
[Result "1-0"]
[SetUp "1"]
[FEN "8/P6k/8/8/8/8/1p4K1/8 w - - 0 1"]

1. a8=Q (1. a8=N b1=Q) 1... b1=N (1... b1=Q 2. Qb7+ Kg6) 2. Qb7+ Kg6 3. Qxb1+ Kg5 1-0

[Event "Empty"]
[White "Ivy, Io"]
[Black "Juniper, Jo"]
[Result "0-1"]

0-1
)PGN";

constexpr int kGameCount = 5;

// A query whose position lists would expand into more variants than this
// (counting the copies of nested lists that every variant carries) is read
// and built but not run: testing every variant at every position would make
// one input slow, and the variants take memory in proportion.
constexpr double kMaxVariants = 4000;

// The transform keywords of a position list, by the flag each sets, and an
// upper bound of the variants that flag makes.
struct Transform {
    const char* word;
    int flag;
    double variants;
};
constexpr Transform kTransforms[] = {
    {":flip", 0, 8},
    {":flipdihedral", 0, 8},
    {":fliphorizontal", 1, 2},
    {":flipvertical", 2, 2},
    {":flipdiagonal", 3, 2},
    {":flipcolor", 4, 2},
    {":shift", 5, 225},
    {":horizontalshift", 6, 15},
    {":shifthorizontal", 6, 15},
    {":verticalshift", 7, 15},
    {":shiftvertical", 7, 15},
    {":diagonalshift", 8, 15},
    {":shiftdiagonal", 8, 15},
    {":maindiagonalshift", 9, 15},
    {":shiftmaindiagonal", 9, 15},
    {":offdiagonalshift", 10, 15},
    {":shiftoffdiagonal", 10, 15},
};
constexpr int kTransformFlags = 11;

double variantsWithin(const strlist* list);

// Variants of the position list whose head cell is `list`: its own
// transforms times itself and the lists nested in it.
double positionVariants(const strlist* list) {
    bool set[kTransformFlags] = {};
    double nested = 0;
    for (const strlist* cell = list->cdr; cell != nullptr; cell = cell->cdr) {
        const strlist* item = cell->car;
        if (item == nullptr) continue;
        if (!item->isAtom) {
            nested += variantsWithin(item);
            continue;
        }
        for (const Transform& t : kTransforms)
            if (item->eq(t.word)) set[t.flag] = true;
    }
    double own = 1;
    for (const Transform& t : kTransforms) {
        if (set[t.flag]) {
            own *= t.variants;
            set[t.flag] = false;
        }
    }
    return own * (1 + nested);
}

// Variants of every position list in the list with head cell `list`.
double variantsWithin(const strlist* list) {
    if (list->car != nullptr && list->car->eq("position")) return positionVariants(list);
    double sum = 0;
    for (const strlist* cell = list; cell != nullptr; cell = cell->cdr)
        if (cell->car != nullptr && !cell->car->isAtom) sum += variantsWithin(cell->car);
    return sum;
}

// Every binding of a tag (one per piece of the game, two tags an ordered
// pair) runs the whole query again.
double tagBindings(const strlist* list) {
    int tags = 0;
    for (const strlist* cell = list; cell != nullptr; cell = cell->cdr)
        if (cell->car != nullptr && cell->car->eq(":forany")) ++tags;
    return std::pow(32.0, tags < 2 ? tags : 2);
}

// Allocations made while an input runs, in a ring through their headers;
// other allocations have a header with null links.
struct alignas(alignof(std::max_align_t)) Header {
    Header* prev;
    Header* next;
};
Header inputAllocations = {&inputAllocations, &inputAllocations};
thread_local bool tracking = false;

void* allocate(size_t size) {
    auto* h = static_cast<Header*>(malloc(sizeof(Header) + size));
    if (h == nullptr) return nullptr;
    if (tracking) {
        h->prev = &inputAllocations;
        h->next = inputAllocations.next;
        h->next->prev = h;
        inputAllocations.next = h;
    } else {
        h->prev = h->next = nullptr;
    }
    return h + 1;
}

void release(void* p) {
    if (p == nullptr) return;
    Header* h = static_cast<Header*>(p) - 1;
    if (h->next != nullptr) {
        h->prev->next = h->next;
        h->next->prev = h->prev;
    }
    free(h);
}

void releaseInputAllocations() {
    for (Header* h = inputAllocations.next; h != &inputAllocations;) {
        Header* next = h->next;
        free(h);
        h = next;
    }
    inputAllocations.prev = inputAllocations.next = &inputAllocations;
}

// Reads the games and runs the query in `stream` over them. Everything it
// allocates is freed by the caller afterwards, whether it returns or the
// query is refused.
void runInput(FILE* stream) {
    auto* games = new Game[kGameCount];
    {
        MFile file;
        file.OpenMemory(kGames, sizeof kGames - 1, "games.pgn");
        PgnParser parser(&file);
        for (int i = 0; i < kGameCount; i++)
            if (parser.ParseGame(&games[i]) == ERROR_NotFound) abort();
    }
    strlist* list = strlist::parseStream(stream);
    mfilter* query = mfilter::fromStrlist(list);
    auto* matcher = dynamic_cast<matchFilter*>(query);
    if (matcher == nullptr || variantsWithin(list) * tagBindings(list->cdr) > kMaxVariants) return;
    matcher->expand();
    for (int i = 0; i < kGameCount; i++) {
        games[i].MoveToPly(0);
        matcher->match(&games[i]);
    }
}

}  // namespace

void* operator new(size_t size) {
    void* p = allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, size_t) noexcept {
    release(p);
}
void operator delete[](void* p, size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}

// What a refused query built is freed by the target, not by the engine.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Progress and messages of the engine go to standard output; fuzzing
    // does not read them.
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();
    util::init();
    brel_Init();
    // A first reading of the games outside any input sets up whatever the
    // chess core keeps for good (the start position among them).
    Game game;
    MFile file;
    file.OpenMemory(kGames, sizeof kGames - 1, "games.pgn");
    PgnParser parser(&file);
    while (parser.ParseGame(&game) != ERROR_NotFound) game.MoveToPly(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (stream == nullptr) return 0;
    tracking = true;
    try {
        runInput(stream);
    } catch (const QueryError&) {
        // A refused query: its message is not needed here.
    }
    tracking = false;
    releaseInputAllocations();
    fclose(stream);
    return 0;
}
