// Speed of the engine's hot path: perft from the starting position (legal
// generation plus make/unmake) and reading SAN moves back into moves.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/position.h"
#include "perft_count.h"

namespace {

// Every leaf is made and taken back too.
uint64_t perftFull(Position& pos, int depth) {
    if (depth == 0) return 1;
    MoveList moves;
    pos.GenerateMoves(&moves);
    uint64_t nodes = 0;
    for (simpleMoveT& m : moves) {
        pos.DoSimpleMove(&m);
        nodes += perftFull(pos, depth - 1);
        pos.UndoSimpleMove(&m);
    }
    return nodes;
}

void BM_PerftStartBulk(benchmark::State& state) {
    Position pos;
    pos.StdStart();
    uint64_t nodes = 0;
    for (auto _ : state) nodes += perftBulk(pos, int(state.range(0)));
    state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PerftStartBulk)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_PerftStartMakeEveryLeaf(benchmark::State& state) {
    Position pos;
    pos.StdStart();
    uint64_t nodes = 0;
    for (auto _ : state) nodes += perftFull(pos, int(state.range(0)));
    state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PerftStartMakeEveryLeaf)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_PerftKiwipete(benchmark::State& state) {
    Position pos;
    pos.ReadFromFEN("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    uint64_t nodes = 0;
    for (auto _ : state) nodes += perftBulk(pos, 4);
    state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PerftKiwipete)->Unit(benchmark::kMillisecond);

tokenT tokenOf(const std::string& san) {
    if (san.rfind("O-O-O", 0) == 0) return TOKEN_Move_Castle_Queen;
    if (san.rfind("O-O", 0) == 0) return TOKEN_Move_Castle_King;
    if (san[0] >= 'a' && san[0] <= 'h')
        return san.find('=') != std::string::npos ? TOKEN_Move_Promote : TOKEN_Move_Pawn;
    return TOKEN_Move_Piece;
}

struct SanCase {
    std::unique_ptr<Position> pos;
    std::string san;
    tokenT token;
};

// Every legal move, in SAN, of the positions two plies deep from a few
// well-known positions: a mix of pawn, piece, castling and promotion moves.
std::vector<SanCase> sanCases() {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    };
    std::vector<SanCase> cases;
    for (const char* fen : fens) {
        Position root;
        root.ReadFromFEN(fen);
        MoveList first;
        root.GenerateMoves(&first);
        for (simpleMoveT& m : first) {
            root.DoSimpleMove(&m);
            MoveList second;
            root.GenerateMoves(&second);
            for (simpleMoveT& r : second) {
                char san[16];
                root.MakeSANString(&r, san, SAN_CHECKTEST);
                auto pos = std::make_unique<Position>();
                pos->CopyFrom(root);
                cases.push_back({std::move(pos), san, tokenOf(san)});
            }
            root.UndoSimpleMove(&m);
        }
    }
    return cases;
}

void BM_ReadSan(benchmark::State& state) {
    std::vector<SanCase> cases = sanCases();
    size_t i = 0;
    for (auto _ : state) {
        SanCase& c = cases[i];
        simpleMoveT m;
        benchmark::DoNotOptimize(c.pos->ReadMove(&m, c.san.c_str(), c.token));
        if (++i == cases.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadSan);

void BM_WriteSanWithMateTest(benchmark::State& state) {
    std::vector<SanCase> cases = sanCases();
    std::vector<simpleMoveT> moves;
    for (SanCase& c : cases) {
        simpleMoveT m;
        c.pos->ReadMove(&m, c.san.c_str(), c.token);
        moves.push_back(m);
    }
    size_t i = 0;
    for (auto _ : state) {
        char san[16];
        cases[i].pos->MakeSANString(&moves[i], san, SAN_MATETEST);
        benchmark::DoNotOptimize(san);
        if (++i == cases.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteSanWithMateTest);

}  // namespace
