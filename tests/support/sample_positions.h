// Positions for tests that check a square-set computation against a walk over
// the board: hand-picked ones, the shared perft suite when present, and every
// position one move away from each of them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/movelist.h"
#include "core/position.h"
#include "position_state.h"
#include "test_paths.h"

inline const std::vector<std::string>& handPickedFens() {
    static const std::vector<std::string> fens = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "7k/P7/8/8/8/8/6p1/K7 b - - 0 1",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    };
    return fens;
}

// The FENs of a suite file: lines "fen;..." when `prefix` is empty, else the
// lines that start with it.
inline std::vector<std::string> suiteFens(const std::string& relative, const std::string& prefix) {
    std::vector<std::string> fens;
    std::string path = dataPath(relative);
    if (path.empty()) return fens;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind(prefix, 0) != 0) continue;
        line = line.substr(prefix.size());
        fens.push_back(line.substr(0, line.find(';')));
    }
    return fens;
}

// Calls `visit` with every sample position and a label naming it: the
// hand-picked and perft-suite positions with every position one move on,
// and the random positions of the shared data as they are. Slow builds keep
// every tenth position of the shared files.
inline void forEachSamplePosition(
    const std::function<void(const Position&, const std::string&)>& visit) {
    auto visitFens = [&](const std::vector<std::string>& fens, bool fromData, bool walk) {
        for (size_t i = 0; i < fens.size(); i++) {
            if (kSlowBuild && fromData && i % 10 != 0) continue;
            Position pos;
            if (pos.ReadFromFEN(fens[i].c_str()) != OK) {
                ADD_FAILURE() << "unreadable FEN " << fens[i];
                continue;
            }
            visit(pos, fens[i]);
            if (!walk) continue;
            MoveList moves;
            pos.GenerateMoves(&moves);
            for (simpleMoveT& m : moves) {
                pos.DoSimpleMove(&m);
                visit(pos, fens[i] + " after " + coordinates(m));
                pos.UndoSimpleMove(&m);
            }
        }
    };
    visitFens(handPickedFens(), false, true);
    visitFens(suiteFens("perft/pychess/perftsuite.epd", ""), true, true);
    visitFens(suiteFens("perft/python-chess/random.perft", "epd "), true, false);
}
