// Arbitrary text through the query reader and the match form. A query that
// reads is expanded and run over a few short built-in games that hold
// variations, checks, a mate, a stalemate, promotions on both sides, en
// passant and castling on both wings. A refused query throws a QueryError,
// which the target catches.
// The query frees what it built, also when it is refused half-way, so leak
// checking stays on.
// Run with -close_fd_mask=2 to silence the engine's messages on stderr, and
// -dict=fuzz/query.dict for the keywords.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/common.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "query/mfilter.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"

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

// Reads the games and runs the query in `stream` over them; a refused query
// throws, and whatever it built is freed on the way out.
void runInput(FILE* stream) {
    std::vector<Game> games(kGameCount);
    {
        MFile file;
        file.OpenMemory(kGames, sizeof kGames - 1, "games.pgn");
        PgnParser parser(&file);
        for (Game& game : games)
            if (parser.ParseGame(&game) == ERROR_NotFound) abort();
    }
    std::unique_ptr<strlist> list(strlist::parseStream(stream));
    std::unique_ptr<mfilter> query(readQueryList(list.get()));
    auto* matcher = dynamic_cast<matchFilter*>(query.get());
    if (matcher == nullptr || variantsWithin(list.get()) * tagBindings(list->cdr) > kMaxVariants)
        return;
    matcher->expand();
    for (Game& game : games) {
        game.MoveToPly(0);
        matcher->match(&game);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Progress and messages of the engine go to standard output; fuzzing
    // does not read them.
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();
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
    try {
        runInput(stream);
    } catch (const QueryError&) {
        // A refused query: its message is not needed here.
    }
    fclose(stream);
    return 0;
}
