// Fuzzes FEN reading and everything a position accepted from it must then
// survive: every legal move is written in SAN, read back, made, checked and
// taken back exactly. Text after the first newline is read as moves, one
// token per word, and each move that reads is played.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/position.h"

namespace {

void require(bool ok) {
    if (!ok) abort();
}

struct Snapshot {
    pieceT board[66];
    squareT list[2][16];
    uint32_t count[2];
    SquareSet sets[16];
    squareT ep;
    colorT toMove;
    uint16_t clock, ply;
    byte castling;

    explicit Snapshot(const Position& pos) {
        std::memset(this, 0, sizeof(*this));
        std::memcpy(board, pos.GetBoard(), sizeof(board));
        for (colorT c = WHITE; c <= BLACK; c++) {
            count[c] = pos.GetCount(c);
            std::memcpy(list[c], pos.GetList(c), count[c]);
        }
        for (pieceT p = 0; p < 16; p++) sets[p] = pos.GetPieceSet(p);
        ep = pos.GetEPTarget();
        toMove = pos.GetToMove();
        clock = pos.GetHalfMoveClock();
        ply = pos.GetPlyCounter();
        castling = pos.GetCastlingFlags();
    }
    bool operator==(const Snapshot& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};

tokenT tokenOf(const char* san) {
    if (std::strcmp(san, "--") == 0) return TOKEN_Move_Null;
    if (std::strncmp(san, "O-O-O", 5) == 0) return TOKEN_Move_Castle_Queen;
    if (std::strncmp(san, "O-O", 3) == 0) return TOKEN_Move_Castle_King;
    if (san[0] >= 'a' && san[0] <= 'h')
        return std::strchr(san, '=') != nullptr ? TOKEN_Move_Promote : TOKEN_Move_Pawn;
    return TOKEN_Move_Piece;
}

void exerciseMoves(Position& pos) {
    require(pos.IsConsistent());
    MoveList moves;
    pos.GenerateMoves(&moves);
    const Snapshot before(pos);
    for (simpleMoveT& m : moves) {
        char san[16];
        pos.MakeSANString(&m, san, SAN_MATETEST);
        simpleMoveT back{};
        require(pos.ReadMove(&back, san, tokenOf(san)) == OK);
        require(back.from == m.from && back.to == m.to && back.promote == m.promote);
        pos.DoSimpleMove(&m);
        require(pos.IsConsistent());
        MoveList replies;
        pos.GenerateMoves(&replies);
        pos.UndoSimpleMove(&m);
        require(Snapshot(pos) == before);
    }
}

// Plays the words of text as moves; each token kind is tried in turn.
void playWords(Position& pos, const std::string& text) {
    static const tokenT kinds[] = {TOKEN_Move_Pawn,         TOKEN_Move_Promote,
                                   TOKEN_Move_Piece,        TOKEN_Move_Castle_King,
                                   TOKEN_Move_Castle_Queen, TOKEN_Move_Null};
    size_t at = 0;
    int played = 0;
    while (at < text.size() && played < 64) {
        size_t end = text.find_first_of(" \t\n", at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        bool read = false;
        for (tokenT kind : kinds) {
            simpleMoveT m{};
            if (pos.ReadMove(&m, word.c_str(), kind) != OK) continue;
            pos.DoSimpleMove(&m);
            require(pos.IsConsistent());
            read = true;
            break;
        }
        simpleMoveT m{};
        if (!read && pos.ReadCoordMove(&m, word.c_str(), true) == OK) {
            pos.DoSimpleMove(&m);
            read = true;
        }
        if (read) played++;
    }
    exerciseMoves(pos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t newline = input.find('\n');
    std::string fen = input.substr(0, newline);
    Position pos;
    if (pos.ReadFromFEN(fen.c_str()) != OK) return 0;

    // What we write we must read back to the same position.
    char written[128];
    pos.PrintFEN(written, FEN_ALL_FIELDS);
    Position again;
    require(again.ReadFromFEN(written) == OK);
    require(std::memcmp(again.GetBoard(), pos.GetBoard(), 64) == 0);
    char rewritten[128];
    again.PrintFEN(rewritten, FEN_ALL_FIELDS);
    require(std::strcmp(written, rewritten) == 0);

    exerciseMoves(pos);
    pos.SetStrictCastling(false);
    exerciseMoves(pos);
    pos.SetStrictCastling(true);
    pos.myIsKingInCheck();
    pos.myIsKingInMate();
    pos.myIsKingInStalemate();
    if (newline != std::string::npos) playWords(pos, input.substr(newline + 1));
    return 0;
}
