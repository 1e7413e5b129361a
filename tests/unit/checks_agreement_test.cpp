// The check, mate and stalemate tests, the "+" and "#" that the move writer
// adds, and a count of legal moves made here from the rules alone (every
// pseudo-legal move played on a plain board and kept when its own king is not
// attacked) must all tell the same story on every position of real games.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/position.h"
#include "test_paths.h"

namespace {

using Board = std::array<pieceT, 64>;

bool onBoard(int rank, int fyle) {
    return rank >= 0 && rank < 8 && fyle >= 0 && fyle < 8;
}

constexpr int kKnight[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                               {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int kKing[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int kRookDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr int kBishopDirs[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

pieceT pieceAt(const Board& b, int rank, int fyle) {
    return b[rank * 8 + fyle];
}

bool isPiece(pieceT p, colorT c, pieceT type) {
    return p != EMPTY && piece_Color(p) == c && piece_Type(p) == type;
}

// Whether a piece of colour `by` attacks the square.
bool attacked(const Board& b, int sq, colorT by) {
    int r = sq / 8, f = sq % 8;
    int pawnRank = by == WHITE ? r - 1 : r + 1;
    for (int df : {-1, 1}) {
        if (onBoard(pawnRank, f + df) && isPiece(pieceAt(b, pawnRank, f + df), by, PAWN))
            return true;
    }
    for (const auto& d : kKnight) {
        if (onBoard(r + d[0], f + d[1]) && isPiece(pieceAt(b, r + d[0], f + d[1]), by, KNIGHT))
            return true;
    }
    for (const auto& d : kKing) {
        if (onBoard(r + d[0], f + d[1]) && isPiece(pieceAt(b, r + d[0], f + d[1]), by, KING))
            return true;
    }
    auto slides = [&](const int(&dirs)[4][2], pieceT type) {
        for (const auto& d : dirs) {
            for (int rr = r + d[0], ff = f + d[1]; onBoard(rr, ff); rr += d[0], ff += d[1]) {
                pieceT p = pieceAt(b, rr, ff);
                if (p == EMPTY) continue;
                if (isPiece(p, by, type) || isPiece(p, by, QUEEN)) return true;
                break;
            }
        }
        return false;
    };
    return slides(kRookDirs, ROOK) || slides(kBishopDirs, BISHOP);
}

int kingSquare(const Board& b, colorT c) {
    for (int sq = 0; sq < 64; sq++)
        if (isPiece(b[sq], c, KING)) return sq;
    return -1;
}

struct Counter {
    const Board& board;
    colorT side;
    uint32_t legal = 0;

    // Plays the move on a copy of the board; counts it when the mover's king
    // is then safe. `promotions` counts the choices of a promoting pawn.
    void tryMove(int from, int to, int capturedSq, uint32_t promotions) {
        Board after = board;
        if (capturedSq >= 0) after[capturedSq] = EMPTY;
        after[to] = after[from];
        after[from] = EMPTY;
        int king = kingSquare(after, side);
        if (king >= 0 && !attacked(after, king, color_Flip(side))) legal += promotions;
    }
};

uint32_t countLegalMoves(const Position& pos) {
    Board board;
    for (int sq = 0; sq < 64; sq++) board[sq] = pos.GetPiece(squareT(sq));
    colorT side = pos.GetToMove();
    colorT enemy = color_Flip(side);
    Counter counter{board, side};
    auto target = [&](int r, int f) {
        pieceT p = pieceAt(board, r, f);
        return p == EMPTY || (piece_Color(p) == enemy && piece_Type(p) != KING);
    };
    for (int from = 0; from < 64; from++) {
        pieceT p = board[from];
        if (p == EMPTY || piece_Color(p) != side) continue;
        int r = from / 8, f = from % 8;
        switch (piece_Type(p)) {
            case PAWN: {
                int dir = side == WHITE ? 1 : -1;
                int lastRank = side == WHITE ? 7 : 0;
                int startRank = side == WHITE ? 1 : 6;
                if (!onBoard(r + dir, f)) break;
                uint32_t choices = r + dir == lastRank ? 4 : 1;
                if (pieceAt(board, r + dir, f) == EMPTY) {
                    counter.tryMove(from, (r + dir) * 8 + f, -1, choices);
                    if (r == startRank && pieceAt(board, r + 2 * dir, f) == EMPTY)
                        counter.tryMove(from, (r + 2 * dir) * 8 + f, -1, 1);
                }
                for (int df : {-1, 1}) {
                    if (!onBoard(r + dir, f + df)) continue;
                    int to = (r + dir) * 8 + f + df;
                    pieceT victim = board[to];
                    if (victim != EMPTY && piece_Color(victim) == enemy &&
                        piece_Type(victim) != KING) {
                        counter.tryMove(from, to, to, choices);
                    } else if (victim == EMPTY && to == pos.GetEPTarget() &&
                               isPiece(pieceAt(board, r, f + df), enemy, PAWN)) {
                        counter.tryMove(from, to, r * 8 + f + df, 1);
                    }
                }
                break;
            }
            case KNIGHT:
            case KING: {
                const auto& steps = piece_Type(p) == KNIGHT ? kKnight : kKing;
                for (const auto& d : steps) {
                    if (onBoard(r + d[0], f + d[1]) && target(r + d[0], f + d[1]))
                        counter.tryMove(from, (r + d[0]) * 8 + f + d[1], (r + d[0]) * 8 + f + d[1],
                                        1);
                }
                break;
            }
            default: {
                auto slide = [&](const int(&dirs)[4][2]) {
                    for (const auto& d : dirs) {
                        for (int rr = r + d[0], ff = f + d[1]; onBoard(rr, ff);
                             rr += d[0], ff += d[1]) {
                            if (!target(rr, ff)) break;
                            counter.tryMove(from, rr * 8 + ff, rr * 8 + ff, 1);
                            if (pieceAt(board, rr, ff) != EMPTY) break;
                        }
                    }
                };
                if (piece_Type(p) != BISHOP) slide(kRookDirs);
                if (piece_Type(p) != ROOK) slide(kBishopDirs);
            }
        }
    }
    // Castling: the right, the rook in its corner, empty squares between, and
    // a king that is not in check and crosses no attacked square.
    int home = side == WHITE ? 0 : 56;
    if (isPiece(board[home + 4], side, KING) && !attacked(board, home + 4, enemy)) {
        pieceT rook = piece_Make(side, ROOK);
        if (pos.GetCastling(side, KSIDE) && board[home + 7] == rook && board[home + 5] == EMPTY &&
            board[home + 6] == EMPTY && !attacked(board, home + 5, enemy) &&
            !attacked(board, home + 6, enemy)) {
            counter.legal++;
        }
        if (pos.GetCastling(side, QSIDE) && board[home] == rook && board[home + 1] == EMPTY &&
            board[home + 2] == EMPTY && board[home + 3] == EMPTY &&
            !attacked(board, home + 3, enemy) && !attacked(board, home + 2, enemy)) {
            counter.legal++;
        }
    }
    return counter.legal;
}

struct Tally {
    uint32_t positions = 0;
    uint32_t checks = 0;
    uint32_t mates = 0;
    uint32_t stalemates = 0;
    uint32_t failures = 0;
};

// Checks one position; `san` is the move that led to it as the writer makes
// it, or null at the start of the game.
void checkPosition(const Position& current, const char* san, Tally& tally,
                   const std::string& where) {
    Position pos;
    pos.CopyFrom(current);
    tally.positions++;
    Board board;
    for (int sq = 0; sq < 64; sq++) board[sq] = pos.GetPiece(squareT(sq));
    int king = kingSquare(board, pos.GetToMove());
    ASSERT_GE(king, 0) << where;
    bool inCheck = attacked(board, king, color_Flip(pos.GetToMove()));
    uint32_t legal = countLegalMoves(pos);
    bool mate = inCheck && legal == 0;
    bool stalemate = !inCheck && legal == 0;
    tally.checks += inCheck;
    tally.mates += mate;
    tally.stalemates += stalemate;

    bool ok = pos.myIsKingInCheck() == inCheck;
    ok = ok && pos.myIsKingInMate() == mate;
    ok = ok && pos.myIsKingInStalemate() == stalemate;
    ok = ok && pos.HasLegalMove() == (legal > 0);
    ok = ok && pos.GetLegalMoves()->Size() == legal;
    if (san != nullptr && strcmp(san, "--") != 0) {
        char last = san[0] == 0 ? 0 : san[strlen(san) - 1];
        ok = ok && (last == '#') == mate && (last == '+') == (inCheck && !mate);
    }
    if (!ok && ++tally.failures <= 5) {
        char fen[100];
        pos.PrintFEN(fen, FEN_ALL_FIELDS);
        ADD_FAILURE() << where << " after " << (san ? san : "(start)") << ": " << fen << " check "
                      << inCheck << " mate " << mate << " stalemate " << stalemate << " legal "
                      << legal << "; engine: check " << pos.myIsKingInCheck() << " mate "
                      << pos.myIsKingInMate() << " stalemate " << pos.myIsKingInStalemate()
                      << " legal " << pos.GetLegalMoves()->Size();
    }
}

// Every position of the line from the cursor on, and of its variations.
void walkLine(Game& game, Tally& tally, const std::string& where) {
    while (!game.AtVarEnd()) {
        for (uint32_t v = 0; v < game.GetNumVariations(); v++) {
            game.MoveIntoVariation(v);
            walkLine(game, tally, where);
            game.MoveExitVariation();
        }
        moveT* m = game.GetCurrentMove();
        Position before;
        before.CopyFrom(*game.GetCurrentPos());
        before.MakeSANString(&m->moveData, m->san, SAN_MATETEST);
        game.MoveForward();
        checkPosition(*game.GetCurrentPos(), m->san, tally, where);
    }
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks memory, not coverage: fewer games, read no further.
constexpr uint32_t kSlow = 10;
constexpr uint32_t kMaxGamesRead = 5000;
#else
constexpr uint32_t kSlow = 1;
constexpr uint32_t kMaxGamesRead = UINT32_MAX;
#endif

Tally checkFile(const std::string& path, uint32_t stride) {
    Tally tally;
    MFile file;
    EXPECT_EQ(file.Open(path.c_str(), FMODE_ReadOnly), OK) << path;
    PgnParser parser(&file);
    Game game;
    for (uint32_t n = 1; n <= kMaxGamesRead && parser.ParseGame(&game) != ERROR_NotFound; n++) {
        if ((n - 1) % stride != 0) continue;
        std::string where = path + " game " + std::to_string(n);
        game.MoveToPly(0);
        checkPosition(*game.GetCurrentPos(), nullptr, tally, where);
        walkLine(game, tally, where);
    }
    return tally;
}

TEST(ChecksAgreement, SampleGames) {
    std::string path = fixturePath("../../examples/sample.pgn");
    Tally t = checkFile(path, 1);
    EXPECT_EQ(t.failures, 0u);
    EXPECT_GT(t.positions, 100u);
    EXPECT_GT(t.mates, 0u);
}

TEST(ChecksAgreement, EndingsAndStudies) {
    // Set-up positions, mates and stalemates from a collection of studies.
    std::string path = dataPath("dev/classics.pgn");
    SKIP_WITHOUT_DATA(path);
    Tally t = checkFile(path, 5 * kSlow);
    EXPECT_EQ(t.failures, 0u);
    if (kMaxGamesRead == UINT32_MAX) {
        EXPECT_GT(t.mates, 100u);
        EXPECT_GT(t.stalemates, 0u);
    }
}

TEST(ChecksAgreement, MasterGames) {
    std::string path = dataPath("dev/masters.pgn");
    SKIP_WITHOUT_DATA(path);
    Tally t = checkFile(path, 100 * kSlow);
    EXPECT_EQ(t.failures, 0u);
    EXPECT_GT(t.checks, 100u / kSlow);
}

TEST(ChecksAgreement, OnlineGames) {
    std::string path = dataPath("dev/online-lichess.pgn");
    SKIP_WITHOUT_DATA(path);
    Tally t = checkFile(path, 2 * kSlow);
    EXPECT_EQ(t.failures, 0u);
    EXPECT_GT(t.mates, 0u);
}

}  // namespace
