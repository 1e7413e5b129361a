// Speed of the PGN reader: the tokenizer alone, and reading with every move
// replayed as the scan does. Runs on the 74 MB master file when the shared
// data is present, else on the project's PGN fixtures.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"

namespace fs = std::filesystem;

namespace {

struct Input {
    std::vector<std::string> files;
    uint64_t bytes = 0;
};

const Input& input() {
    static const Input in = [] {
        Input r;
        std::error_code ec;
        std::string masters = std::string(HUX_DATA_DIR) + "/dev/masters.pgn";
        if (fs::exists(masters, ec)) {
            r.files.push_back(masters);
        } else {
            for (const auto& e : fs::directory_iterator(std::string(HUX_FIXTURES_DIR) + "/pgn")) {
                if (e.path().extension() == ".pgn") r.files.push_back(e.path().string());
            }
            std::sort(r.files.begin(), r.files.end());
        }
        for (const std::string& f : r.files) r.bytes += fs::file_size(f, ec);
        return r;
    }();
    return in;
}

void setRates(benchmark::State& state, uint64_t games, uint64_t plies) {
    const Input& in = input();
    state.SetBytesProcessed(static_cast<int64_t>(in.bytes * state.iterations()));
    state.counters["games/s"] = benchmark::Counter(double(games), benchmark::Counter::kIsRate);
    state.counters["plies/s"] = benchmark::Counter(double(plies), benchmark::Counter::kIsRate);
    state.SetLabel(in.files.size() == 1 ? in.files[0] : "fixtures");
}

void BM_Tokenize(benchmark::State& state) {
    char buffer[MAX_COMMENT_SIZE];
    uint64_t tokens = 0;
    for (auto _ : state) {
        for (const std::string& path : input().files) {
            MFile file;
            if (file.Open(path.c_str(), FMODE_ReadOnly) != OK) state.SkipWithError("cannot open");
            PgnParser parser(&file);
            parser.SetParseMode(PARSE_Game);
            for (tokenT t; (t = parser.GetGameToken(buffer, sizeof buffer)) != TOKEN_EndOfInput;) {
                ++tokens;
                // The "[" of a tag stays in the input; the tag is a line.
                if (t == TOKEN_Tag) parser.GetLine(buffer, sizeof buffer);
            }
        }
    }
    setRates(state, 0, 0);
    state.counters["tokens/s"] = benchmark::Counter(double(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseAndReplay(benchmark::State& state) {
    Game game;
    uint64_t games = 0, plies = 0;
    for (auto _ : state) {
        for (const std::string& path : input().files) {
            MFile file;
            if (file.Open(path.c_str(), FMODE_ReadOnly) != OK) state.SkipWithError("cannot open");
            PgnParser parser(&file);
            while (parser.ParseGame(&game) != ERROR_NotFound) {
                ++games;
                // The scan rewinds every game and walks it again.
                game.MoveToPly(0);
                while (game.MoveForward() == OK) ++plies;
            }
        }
    }
    setRates(state, games, plies);
}
BENCHMARK(BM_ParseAndReplay)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
