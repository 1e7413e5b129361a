// Move generation against published perft counts, exact take-back at every
// node, SAN and FEN round trips over the same trees, and the perft suites of
// the shared data directory when present.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/position.h"
#include "position_state.h"
#include "test_paths.h"

namespace {

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
const char* const kPos3 = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -";
const char* const kPos4 = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1";
const char* const kPos5 = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";
const char* const kPos6 =
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";

uint64_t perft(Position& pos, int depth) {
    MoveList moves;
    pos.GenerateMoves(&moves);
    if (depth <= 1) return depth == 1 ? moves.Size() : 1;
    uint64_t nodes = 0;
    for (simpleMoveT& m : moves) {
        pos.DoSimpleMove(&m);
        nodes += perft(pos, depth - 1);
        pos.UndoSimpleMove(&m);
    }
    return nodes;
}

uint64_t perftFen(const std::string& fen, int depth) {
    Position pos;
    EXPECT_EQ(pos.ReadFromFEN(fen.c_str()), OK) << fen;
    return perft(pos, depth);
}

struct Published {
    const char* fen;
    int depth;
    uint64_t nodes;
    int slowDepth;  // a smaller depth for slow builds
    uint64_t slowNodes;
};

TEST(Perft, PublishedCounts) {
    const Published cases[] = {
        {kStart, 5, 4865609, 4, 197281}, {kKiwipete, 4, 4085603, 3, 97862},
        {kPos3, 5, 674624, 4, 43238},    {kPos4, 4, 422333, 3, 9467},
        {kPos5, 3, 62379, 3, 62379},     {kPos6, 3, 89890, 2, 2079},
    };
    for (const Published& c : cases) {
        int depth = kSlowBuild ? c.slowDepth : c.depth;
        uint64_t expected = kSlowBuild ? c.slowNodes : c.nodes;
        EXPECT_EQ(perftFen(c.fen, depth), expected) << c.fen << " depth " << depth;
    }
}

// Walks the tree making every move, and after each take-back demands the
// same position, the same legal moves in the same order, and a consistent
// position at every node.
void checkTakeBacks(Position& pos, int depth, uint64_t& nodes) {
    MoveList moves;
    pos.GenerateMoves(&moves);
    const PositionState before(pos);
    ASSERT_TRUE(pos.IsConsistent()) << fenOf(pos);
    for (uint32_t i = 0; i < moves.Size(); i++) {
        simpleMoveT m = *moves.Get(i);
        pos.DoSimpleMove(&m);
        nodes++;
        ASSERT_TRUE(pos.IsConsistent()) << fenOf(pos);
        if (depth > 1) checkTakeBacks(pos, depth - 1, nodes);
        pos.UndoSimpleMove(&m);
        ASSERT_TRUE(PositionState(pos) == before)
            << "after " << coordinates(m) << " in " << fenOf(pos);
        if (testing::Test::HasFatalFailure()) return;
    }
    MoveList again;
    pos.GenerateMoves(&again);
    ASSERT_EQ(again.Size(), moves.Size());
    for (uint32_t i = 0; i < moves.Size(); i++) {
        ASSERT_EQ(coordinates(*again.Get(i)), coordinates(*moves.Get(i))) << fenOf(pos);
    }
}

TEST(Perft, TakeBackRestoresEverythingAtEveryNode) {
    const std::pair<const char*, int> cases[] = {
        {kStart, 3}, {kKiwipete, 3}, {kPos3, 4}, {kPos4, 3}, {kPos5, 3}, {kPos6, 2},
    };
    for (auto [fen, depth] : cases) {
        Position pos;
        ASSERT_EQ(pos.ReadFromFEN(fen), OK);
        uint64_t nodes = 0;
        checkTakeBacks(pos, kSlowBuild ? std::min(depth, 2) : depth, nodes);
        if (HasFatalFailure()) return;
        EXPECT_GT(nodes, 0u);
    }
}

// The token kind the PGN tokenizer gives a move written by MakeSANString.
tokenT tokenOf(const std::string& san) {
    if (san == "--") return TOKEN_Move_Null;
    if (san.rfind("O-O-O", 0) == 0) return TOKEN_Move_Castle_Queen;
    if (san.rfind("O-O", 0) == 0) return TOKEN_Move_Castle_King;
    if (san[0] >= 'a' && san[0] <= 'h')
        return san.find('=') != std::string::npos ? TOKEN_Move_Promote : TOKEN_Move_Pawn;
    return TOKEN_Move_Piece;
}

// Every legal move to the given depth is written in SAN and read back to the
// same move; "+" and "#" must agree with the position after the move.
void checkSanRoundTrip(Position& pos, int depth) {
    MoveList moves;
    pos.GenerateMoves(&moves);
    for (uint32_t i = 0; i < moves.Size(); i++) {
        simpleMoveT m = *moves.Get(i);
        char san[16];
        pos.MakeSANString(&m, san, SAN_MATETEST);
        simpleMoveT read{};
        ASSERT_EQ(pos.ReadMove(&read, san, tokenOf(san)), OK) << san << " in " << fenOf(pos);
        ASSERT_EQ(coordinates(read), coordinates(m)) << san << " in " << fenOf(pos);
        ASSERT_EQ(read.movingPiece, m.movingPiece);

        pos.DoSimpleMove(&m);
        std::string s = san;
        bool check = pos.IsKingInCheck();
        MoveList replies;
        pos.GenerateMoves(&replies);
        char last = s.back();
        EXPECT_EQ(last == '+' || last == '#', check) << s << " in " << fenOf(pos);
        EXPECT_EQ(last == '#', check && replies.Size() == 0) << s << " in " << fenOf(pos);
        if (depth > 1) checkSanRoundTrip(pos, depth - 1);
        pos.UndoSimpleMove(&m);
        if (testing::Test::HasFatalFailure()) return;
    }
}

const char* const kAllStandard[] = {kStart, kKiwipete, kPos3, kPos4, kPos5, kPos6};

TEST(Perft, EveryMoveToDepthTwoSurvivesSanRoundTrip) {
    for (const char* fen : kAllStandard) {
        Position pos;
        ASSERT_EQ(pos.ReadFromFEN(fen), OK);
        checkSanRoundTrip(pos, 2);
        if (HasFatalFailure()) return;
    }
}

// The FEN written for every position of a small tree reads back to the same
// position and is written again unchanged.
void checkFenRoundTrip(Position& pos, int depth) {
    std::string fen = fenOf(pos);
    Position copy;
    ASSERT_EQ(copy.ReadFromFEN(fen.c_str()), OK) << fen;
    ASSERT_EQ(fenOf(copy), fen);
    ASSERT_TRUE(PositionState(copy).board == PositionState(pos).board);
    if (depth == 0) return;
    MoveList moves;
    pos.GenerateMoves(&moves);
    for (simpleMoveT& m : moves) {
        pos.DoSimpleMove(&m);
        checkFenRoundTrip(pos, depth - 1);
        pos.UndoSimpleMove(&m);
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(Perft, FenRoundTripOverEveryTreeNode) {
    for (const char* fen : kAllStandard) {
        Position pos;
        ASSERT_EQ(pos.ReadFromFEN(fen), OK);
        checkFenRoundTrip(pos, 2);
        if (HasFatalFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// The perft suites of the shared data directory.

struct SuiteEntry {
    std::string id;
    std::string fen;
    std::vector<std::pair<int, uint64_t>> counts;  // depth, nodes
};

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Reads both layouts: EPD lines "<fen> ;D1 20 ;D2 400" and blocks of
// "id <name>", "epd <fen>", "perft <depth> <nodes>".
std::vector<SuiteEntry> readSuite(const std::string& path) {
    std::vector<SuiteEntry> entries;
    std::ifstream in(path);
    std::string line, pendingId;
    int lineNo = 0;
    while (std::getline(in, line)) {
        lineNo++;
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("id ", 0) == 0) {
            pendingId = trim(line.substr(3));
        } else if (line.rfind("epd ", 0) == 0) {
            entries.push_back({pendingId, trim(line.substr(4)), {}});
        } else if (line.rfind("perft ", 0) == 0) {
            std::istringstream fields(line.substr(6));
            int depth = 0;
            uint64_t nodes = 0;
            if (fields >> depth >> nodes && !entries.empty())
                entries.back().counts.push_back({depth, nodes});
        } else if (line.find(";D") != std::string::npos) {
            SuiteEntry e{
                "line " + std::to_string(lineNo), trim(line.substr(0, line.find(';'))), {}};
            for (size_t at = line.find(";D"); at != std::string::npos;
                 at = line.find(";D", at + 2)) {
                std::istringstream fields(line.substr(at + 2));
                int depth = 0;
                uint64_t nodes = 0;
                if (fields >> depth >> nodes) e.counts.push_back({depth, nodes});
            }
            entries.push_back(e);
        }
    }
    return entries;
}

// Castling fields naming rook files ("HFhf") belong to Chess960.
bool hasRookFileCastling(const std::string& fen) {
    std::istringstream fields(fen);
    std::string board, side, castling;
    fields >> board >> side >> castling;
    return castling.find_first_not_of("KQkq-") != std::string::npos;
}

// A right whose king is off the e-file or whose rook is off its corner only
// makes sense in Chess960's notation, where "KQkq" name the outer rooks; its
// published counts include castling that standard chess does not have.
bool hasChess960Castling(const Position& pos) {
    const pieceT* b = pos.GetBoard();
    byte flags = pos.GetCastlingFlags();
    return ((flags & WK_CASTLE) && (b[E1] != WK || b[H1] != WR)) ||
           ((flags & WQ_CASTLE) && (b[E1] != WK || b[A1] != WR)) ||
           ((flags & BK_CASTLE) && (b[E8] != BK || b[H8] != BR)) ||
           ((flags & BQ_CASTLE) && (b[E8] != BK || b[A8] != BR));
}

struct SuiteResult {
    int run = 0;
    int skipped960 = 0;
    std::vector<std::string> refused;
};

// Runs each position at the deepest listed depth whose count fits the
// budget (and at least its shallowest depth).
SuiteResult runSuite(const std::string& path, uint64_t fileBudget) {
    SuiteResult result;
    std::vector<SuiteEntry> entries = readSuite(path);
    EXPECT_FALSE(entries.empty()) << path;
    if (entries.empty()) return result;
    const uint64_t perPosition = std::min<uint64_t>(2000000, fileBudget / entries.size());
    for (SuiteEntry& e : entries) {
        if (hasRookFileCastling(e.fen)) {
            result.skipped960++;
            continue;
        }
        Position pos;
        if (pos.ReadFromFEN(e.fen.c_str()) != OK) {
            result.refused.push_back(e.id);
            continue;
        }
        if (hasChess960Castling(pos)) {
            result.skipped960++;
            continue;
        }
        // FEN round trip: the first four fields come back as given, and what
        // we write reads back to the same text.
        std::string written = fenOf(pos);
        std::istringstream given(e.fen), ours(written);
        for (int field = 0; field < 4; field++) {
            std::string a, b;
            given >> a;
            ours >> b;
            EXPECT_EQ(b, a) << path << " " << e.id << ": field " << field << " of " << e.fen;
        }
        Position again;
        EXPECT_EQ(again.ReadFromFEN(written.c_str()), OK) << written;
        EXPECT_EQ(fenOf(again), written);
        if (e.counts.empty()) continue;
        std::sort(e.counts.begin(), e.counts.end());
        std::pair<int, uint64_t> chosen = e.counts.front();
        for (auto& c : e.counts)
            if (c.second <= perPosition) chosen = c;
        EXPECT_EQ(perft(pos, chosen.first), chosen.second)
            << path << " " << e.id << ": " << e.fen << " depth " << chosen.first;
        result.run++;
    }
    return result;
}

uint64_t suiteBudget() {
    return kSlowBuild ? 1500000 : 200000000;
}

TEST(PerftSuite, PychessPerftsuite) {
    std::string path = dataPath("perft/pychess/perftsuite.epd");
    SKIP_WITHOUT_DATA(path);
    SuiteResult r = runSuite(path, suiteBudget());
    EXPECT_TRUE(r.refused.empty());
    EXPECT_GT(r.run, 100);
}

TEST(PerftSuite, PychessPerftsuite2) {
    std::string path = dataPath("perft/pychess/perftsuite2.epd");
    SKIP_WITHOUT_DATA(path);
    SuiteResult r = runSuite(path, suiteBudget());
    EXPECT_TRUE(r.refused.empty());
    EXPECT_GT(r.run, 20);
}

TEST(PerftSuite, Sunfish) {
    std::string path = dataPath("perft/sunfish/perft.epd");
    SKIP_WITHOUT_DATA(path);
    SuiteResult r = runSuite(path, suiteBudget());
    EXPECT_TRUE(r.refused.empty());
    EXPECT_GT(r.run, 100);
}

TEST(PerftSuite, RandomPositions) {
    std::string path = dataPath("perft/python-chess/random.perft");
    SKIP_WITHOUT_DATA(path);
    SuiteResult r = runSuite(path, suiteBudget());
    EXPECT_TRUE(r.refused.empty());
    EXPECT_GT(r.run, 6000);
}

// The tricky files also hold positions no game can reach; where the FEN
// reader refuses one, the refusal is the expected outcome.
void runTricky(const std::string& path, const std::set<std::string>& expectedRefusals,
               int expectedChess960) {
    SuiteResult r = runSuite(path, suiteBudget());
    EXPECT_EQ(std::set<std::string>(r.refused.begin(), r.refused.end()), expectedRefusals);
    EXPECT_GT(r.run, 10);
    EXPECT_EQ(r.skipped960, expectedChess960);
}

TEST(PerftSuite, PythonChessTricky) {
    std::string path = dataPath("perft/python-chess/tricky.perft");
    SKIP_WITHOUT_DATA(path);
    // xfen-00 .. xfen-04 and asymmetrical-and-king-on-h castle in Chess960 style.
    runTricky(path, {}, 6);
}

TEST(PerftSuite, ShakmatyTricky) {
    std::string path = dataPath("perft/shakmaty/tricky.perft");
    SKIP_WITHOUT_DATA(path);
    // Those six, hside-rook-blocks-aside-castling ("Ff") and two-knight-checkers
    // (king on c1 with a "K" right) are Chess960; the refused one has more
    // than sixteen white pieces.
    runTricky(path, {"max-legals-too-much-material"}, 8);
}

// chess960.perft and frc_perftsuite.epd are Chess960 (king and rooks on other
// files, castling to fixed squares): outside the standard chess this engine
// plays, so they are not run.

}  // namespace
