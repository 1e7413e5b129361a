// Speed of designator matching and material counting, the tests every
// position of a scan goes through: each node of a small perft tree is tested
// against a handful of typical designators. The bare walk is the baseline.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/position.h"
#include "filter/piececomputefilter.h"
#include "filter/pieceloc.h"

namespace {

const char* const kDesignators[] = {"Ke1", "[Qq]d-e4-5", ".e4", "[Pp]?7", "A[a1,h8]", "U??"};
const char* const kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
constexpr int kDepth = 3;

template <class Test>
uint64_t walk(Position& pos, int depth, const Test& test) {
    uint64_t hits = test(pos);
    if (depth == 0) return hits;
    MoveList moves;
    pos.GenerateMoves(&moves);
    for (simpleMoveT& m : moves) {
        pos.DoSimpleMove(&m);
        hits += walk(pos, depth - 1, test);
        pos.UndoSimpleMove(&m);
    }
    return hits;
}

template <class Test>
void runWalk(benchmark::State& state, const Test& test, double testsPerNode) {
    Position pos;
    pos.ReadFromFEN(kKiwipete);
    uint64_t nodes = walk(pos, kDepth, [](const Position&) { return 1; });
    for (auto _ : state) benchmark::DoNotOptimize(walk(pos, kDepth, test));
    state.counters["tests/s"] = benchmark::Counter(
        double(nodes) * testsPerNode * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_WalkOnly(benchmark::State& state) {
    runWalk(
        state, [](const Position&) { return 0; }, 1);
}
BENCHMARK(BM_WalkOnly)->Unit(benchmark::kMillisecond);

void BM_WalkMatchingDesignators(benchmark::State& state) {
    std::vector<pieceLoc*> locs;
    for (const char* d : kDesignators) locs.push_back(pieceLoc::fromString(d));
    auto test = [&](const Position& pos) {
        uint64_t hits = 0;
        for (const pieceLoc* loc : locs) hits += loc->match(&pos);
        return hits;
    };
    runWalk(state, test, double(locs.size()));
    for (pieceLoc* loc : locs) delete loc;
}
BENCHMARK(BM_WalkMatchingDesignators)->Unit(benchmark::kMillisecond);

void BM_WalkCountingMaterial(benchmark::State& state) {
    std::vector<pieceComputeFilter*> filters;
    for (const char* d : kDesignators)
        filters.push_back(new pieceComputeFilter(pieceLoc::fromString(d), -5, 5));
    auto test = [&](const Position& pos) {
        uint64_t hits = 0;
        for (const pieceComputeFilter* f : filters)
            hits += f->matchPieceCount(&pos) + f->matchPower(&pos) + f->matchPowerDifference(&pos);
        return hits;
    };
    runWalk(state, test, 3.0 * double(filters.size()));
    for (pieceComputeFilter* f : filters) delete f;
}
BENCHMARK(BM_WalkCountingMaterial)->Unit(benchmark::kMillisecond);

}  // namespace
