#include "scan/movecode.h"

#include <bit>

#include "core/position.h"

namespace movecode {

namespace {

constexpr int kKingSteps[8][2] = {{0, 1},  {1, 1},   {1, 0},  {1, -1},
                                  {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
constexpr int kKnightJumps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                    {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

// The mover's pieces other than the king, which is always piece 0.
uint64_t othersOf(const Position& pos) {
    const colorT c = pos.GetToMove();
    return pos.GetColorSet(c) & ~(uint64_t(1) << pos.GetKingSquare());
}

// The bits set in a set of the mover's squares, inlined: the portable
// build's popcount is a library call, and encoding a move needs one.
inline int countOf(uint64_t set) {
    set -= (set >> 1) & 0x5555555555555555ULL;
    set = (set & 0x3333333333333333ULL) + ((set >> 2) & 0x3333333333333333ULL);
    set = (set + (set >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((set * 0x0101010101010101ULL) >> 56);
}

int pieceIndex(const Position& pos, squareT from) {
    if (from == pos.GetKingSquare()) return 0;
    return 1 + countOf(othersOf(pos) & ((uint64_t(1) << from) - 1));
}

// The code of each step of a table, by its fyle and rank differences (each
// offset by 2); -1 where the table has no such step.
struct StepCodes {
    int8_t code[5][5];
    constexpr explicit StepCodes(const int (&table)[8][2]) : code{} {
        for (auto& row : code)
            for (int8_t& c : row) c = -1;
        for (int i = 0; i < 8; i++) code[table[i][0] + 2][table[i][1] + 2] = int8_t(i);
    }
};
constexpr StepCodes kKingCodes(kKingSteps);
constexpr StepCodes kKnightCodes(kKnightJumps);

int stepCode(const StepCodes& codes, int df, int dr) {
    if (df < -2 || df > 2 || dr < -2 || dr > 2) return -1;
    return codes.code[df + 2][dr + 2];
}

// The target of a rook's code (0-7 a file on its rank, 8-15 a rank on its
// file) or a bishop's (0-7 a file on the diagonal rising to the right, 8-15
// a file on the one falling), from `from`; -1 off the board.
int lineTarget(bool rook, int from, int code) {
    const int f = from & 7, r = from >> 3, n = code & 7;
    if (rook) return code < 8 ? r * 8 + n : n * 8 + f;
    const int rank = code < 8 ? r + (n - f) : r - (n - f);
    return rank < 0 || rank > 7 ? -1 : rank * 8 + n;
}

int lineCode(bool rook, int from, int to) {
    const int df = (to & 7) - (from & 7), dr = (to >> 3) - (from >> 3);
    if (rook) return dr == 0 ? to & 7 : df == 0 ? 8 + (to >> 3) : -1;
    return df == dr ? to & 7 : df == -dr ? 8 + (to & 7) : -1;
}

}  // namespace

size_t MoveCoder::encode(Position& pos, const simpleMoveT& move, uint8_t* out, bool readBack) {
    if (isNullMove(move)) {
        out[0] = kNullMove;
        return 1;
    }
    const int from = move.from, to = move.to;
    // The code names the piece on `from` by its place: it must be the mover.
    if (pos.GetPiece(squareT(from)) != move.movingPiece ||
        piece_Color_NotEmpty(move.movingPiece) != pos.GetToMove())
        return 0;
    const int df = (to & 7) - (from & 7), dr = (to >> 3) - (from >> 3);
    const int index = pieceIndex(pos, squareT(from));
    int code = -1;
    size_t size = 1;
    switch (piece_Type(move.movingPiece)) {
        case KING:
            code =
                dr == 0 && (df == 2 || df == -2) ? (df > 0 ? 8 : 9) : stepCode(kKingCodes, df, dr);
            break;
        case KNIGHT:
            code = stepCode(kKnightCodes, df, dr);
            break;
        case ROOK:
            code = lineCode(true, from, to);
            break;
        case BISHOP:
            code = lineCode(false, from, to);
            break;
        case QUEEN:
            code = lineCode(true, from, to);
            if (code < 0 && (code = lineCode(false, from, to)) >= 0) {
                out[0] = kQueenDiagonal;
                size = 2;
            }
            break;
        case PAWN: {
            const int forward = pos.GetToMove() == WHITE ? 1 : -1;
            const int way = df == 0 ? 0 : df < 0 ? 1 : 2;
            if (move.promote != EMPTY && move.promote != END_OF_BOARD)
                code = dr == forward ? 4 + 4 * way + piece_Type(move.promote) - QUEEN : -1;
            else if (dr == forward)
                code = way == 0 ? 0 : way + 1;
            else if (dr == 2 * forward && df == 0)
                code = 1;
            break;
        }
        default:
            break;
    }
    if (code < 0 || code > 15 || index > 15) return 0;
    out[size - 1] = uint8_t(index << 4 | code);
    if (!readBack) return size;
    // A code is kept only when it reads back as the move itself.
    simpleMoveT back;
    if (decode(pos, out, size, back) != size || back.from != move.from || back.to != move.to ||
        piece_Type(back.promote) != piece_Type(move.promote))
        return 0;
    return size;
}

size_t MoveCoder::decode(Position& pos, const uint8_t* code, size_t size, simpleMoveT& move) {
    if (size == 0) return 0;
    size_t used = 1;
    bool diagonal = false;
    if (code[0] == kNullMove) {
        // A pass, as the reader makes it: never out of check.
        if (pos.IsKingInCheck()) return 0;
        const squareT king = pos.GetKingSquare();
        move = simpleMoveT{0, pos.GetPiece(king), king, king, 0, EMPTY, EMPTY, king,
                           0, NULL_SQUARE,        0};
        return 1;
    }
    if (code[0] == kQueenDiagonal) {
        if (size < 2) return 0;
        diagonal = true;
        used = 2;
    }
    const int index = code[used - 1] >> 4, n = code[used - 1] & 15;
    int from;
    if (index == 0) {
        from = pos.GetKingSquare();
    } else {
        uint64_t others = othersOf(pos);
        for (int i = 1; i < index && others != 0; i++) others &= others - 1;
        if (others == 0) return 0;
        from = std::countr_zero(others);
    }
    const pieceT type = piece_Type(pos.GetPiece(squareT(from)));
    if (diagonal && type != QUEEN) return 0;
    const int f = from & 7, r = from >> 3;
    int to = -1;
    pieceT promote = EMPTY;
    switch (type) {
        case KING:
            if (n < 8) {
                const int tf = f + kKingSteps[n][0], tr = r + kKingSteps[n][1];
                if (tf >= 0 && tf < 8 && tr >= 0 && tr < 8) to = tr * 8 + tf;
            } else if (n < 10) {
                const int tf = f + (n == 8 ? 2 : -2);
                if (tf >= 0 && tf < 8) to = r * 8 + tf;
            }
            if (to < 0 || pos.MatchKingMove(&found, squareT(to)) != OK) return 0;
            break;
        case KNIGHT:
            if (n < 8) {
                const int tf = f + kKnightJumps[n][0], tr = r + kKnightJumps[n][1];
                if (tf >= 0 && tf < 8 && tr >= 0 && tr < 8) to = tr * 8 + tf;
            }
            break;
        case ROOK:
            to = lineTarget(true, from, n);
            break;
        case BISHOP:
            to = lineTarget(false, from, n);
            break;
        case QUEEN:
            to = lineTarget(!diagonal, from, n);
            break;
        case PAWN: {
            const int forward = pos.GetToMove() == WHITE ? 1 : -1;
            int way = 0, ranks = 1;
            if (n == 1) {
                ranks = 2;
            } else if (n == 2 || n == 3) {
                way = n - 1;
            } else if (n >= 4) {
                way = (n - 4) / 4;
                promote = pieceT(QUEEN + (n - 4) % 4);
            }
            const int tf = f + (way == 0 ? 0 : way == 1 ? -1 : 1), tr = r + ranks * forward;
            if (tf < 0 || tf > 7 || tr < 0 || tr > 7) return 0;
            to = tr * 8 + tf;
            if (pos.MatchPawnMove(&found, fyleT(f), squareT(to), promote) != OK) return 0;
            break;
        }
        default:
            return 0;
    }
    if (to < 0 || to == from) return 0;
    if (type != KING && type != PAWN) pos.MatchLegalMove(&found, type, squareT(to));
    for (const simpleMoveT& m : found) {
        if (m.from != from || m.to != to || piece_Type(m.promote) != piece_Type(promote)) continue;
        move = m;
        return used;
    }
    return 0;
}

}  // namespace movecode
