// Moves as text: writing Standard Algebraic Notation, and reading SAN and
// coordinate moves back into the generator's move records.
#include <array>
#include <cstring>

#include "core/position.h"

namespace {

constexpr bool isSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}
constexpr bool isLower(char ch) {
    return ch >= 'a' && ch <= 'z';
}
constexpr bool isLetter(char ch) {
    return isLower(ch) || (ch >= 'A' && ch <= 'Z');
}
constexpr bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}
constexpr char toUpper(char ch) {
    return isLower(ch) ? char(ch - 'a' + 'A') : ch;
}

size_t tokenLength(const char* s) {
    size_t n = 0;
    while (s[n] != '\0' && !isSpace(s[n])) n++;
    return n;
}

// A square from two characters, or NULL_SQUARE when either is off the board.
squareT squareFromChars(char f, char r) {
    fyleT fyle = fyle_FromChar(f);
    rankT rank = rank_FromChar(r);
    if (fyle == NO_FYLE || rank == NO_RANK) return NULL_SQUARE;
    return square_Make(fyle, rank);
}

char* writeSquare(char* s, squareT sq) {
    *s++ = square_FyleChar(sq);
    *s++ = square_RankChar(sq);
    return s;
}

// Longest useful move text after dropping capture signs and suffixes.
constexpr size_t kMaxKept = 15;

// What the move reader does with each character: keeps letters, digits and
// "=", drops the capture sign and other marks, and stops at the end of the
// text or at white space.
constexpr uint8_t kKeepChar = 0, kDrop = 1, kEnd = 2;
constexpr std::array<uint8_t, 256> makeKeepTable() {
    std::array<uint8_t, 256> t{};
    for (int ch = 0; ch < 256; ch++) {
        const char c = char(ch);
        if (c == '\0' || isSpace(c)) {
            t[ch] = kEnd;
        } else if (c == 'x' || !(isLetter(c) || isDigit(c) || c == '=')) {
            t[ch] = kDrop;
        } else {
            t[ch] = kKeepChar;
        }
    }
    return t;
}
constexpr std::array<uint8_t, 256> kKeep = makeKeepTable();

}  // namespace

void Position::MakeSANString(simpleMoveT* m, char* s, int flag) {
    ASSERT(m != nullptr && s != nullptr);
    char* out = s;
    const squareT from = m->from, to = m->to;
    const pieceT type = piece_Type(m->movingPiece);

    if (isNullMove(*m)) {
        m->pieceNum = 0;
        std::strcpy(s, "--");
        return;
    }
    ASSERT(from < 64 && to < 64 && Board[from] == m->movingPiece);
    m->pieceNum = ListPos[from];

    if (type == PAWN) {
        if (square_Fyle(from) != square_Fyle(to)) {
            *out++ = square_FyleChar(from);
            *out++ = 'x';
        }
        out = writeSquare(out, to);
        rankT r = square_Rank(to);
        if (r == RANK_8 || r == RANK_1) {
            *out++ = '=';
            *out++ = piece_Char(m->promote);
        }
    } else if (type == KING) {
        if (square_Fyle(from) == E_FYLE && square_Fyle(to) == G_FYLE) {
            std::strcpy(out, "O-O");
            out += 3;
        } else if (square_Fyle(from) == E_FYLE && square_Fyle(to) == C_FYLE) {
            std::strcpy(out, "O-O-O");
            out += 5;
        } else {
            *out++ = 'K';
            if (Board[to] != EMPTY) *out++ = 'x';
            out = writeSquare(out, to);
        }
    } else {
        *out++ = piece_Char(type);
        // Only a second piece of the kind on a clear line to the target can
        // make the move ambiguous; the legal-move match is for those few.
        if (Material[m->movingPiece] >= 2 && anotherReaches(m->movingPiece, from, to)) {
            MoveList others;
            MatchLegalMove(&others, type, to);
            bool otherFyle = false, sameFyle = false;
            for (const simpleMoveT& o : others) {
                if (o.from == from) continue;
                if (square_Fyle(o.from) != square_Fyle(from)) {
                    otherFyle = true;
                } else {
                    sameFyle = true;
                }
            }
            if (otherFyle) *out++ = square_FyleChar(from);
            if (sameFyle) *out++ = square_RankChar(from);
        }
        if (Board[to] != EMPTY) *out++ = 'x';
        out = writeSquare(out, to);
    }

    if (flag > SAN_NO_CHECKTEST) {
        // The trial move must not disturb what the caller's generation left
        // in the check and pin caches.
        directionT savedPins[16];
        std::memcpy(savedPins, Pinned, sizeof(savedPins));
        squareT savedCheckSquares[16];
        std::memcpy(savedCheckSquares, CheckSquares, sizeof(savedCheckSquares));
        const uint32_t savedNumChecks = NumChecks;

        simpleMoveT trial = *m;
        DoSimpleMove(&trial);
        NumChecks = CalcNumChecks(GetKingSquare(), CheckSquares);
        if (NumChecks > 0) {
            bool mate = false;
            if (flag == SAN_MATETEST) {
                MoveList replies;
                CalcPins();
                GenCheckEvasions(&replies, EMPTY, GEN_ALL_MOVES);
                mate = replies.Size() == 0;
            }
            *out++ = mate ? '#' : '+';
        }
        UndoSimpleMove(&trial);

        std::memcpy(Pinned, savedPins, sizeof(savedPins));
        std::memcpy(CheckSquares, savedCheckSquares, sizeof(savedCheckSquares));
        NumChecks = savedNumChecks;
    }
    *out = '\0';
}

errorT Position::ReadMove(simpleMoveT* m, const char* str, tokenT token) {
    // Most move texts hold nothing to drop: they are read in place, and only
    // the others are copied without their marks.
    const unsigned char* c = reinterpret_cast<const unsigned char*>(str);
    size_t n = 0;
    while (kKeep[c[n]] == kKeepChar) n++;
    if (n > kMaxKept) return ERROR_InvalidMove;
    char copy[kMaxKept + 1];
    const char* kept = str;
    if (kKeep[c[n]] == kDrop) {
        std::memcpy(copy, str, n);
        for (c += n; kKeep[*c] != kEnd; c++) {
            if (kKeep[*c] == kDrop) continue;
            if (n == kMaxKept) return ERROR_InvalidMove;
            copy[n++] = char(*c);
        }
        kept = copy;
    }

    pieceT promote = EMPTY;
    switch (token) {
        case TOKEN_Move_Null: {
            // Passing out of check would leave a king that the next move
            // could capture.
            if (IsKingInCheck()) return ERROR_InvalidMove;
            squareT king = GetKingSquare();
            setFoundMove(m, 0, Board[king], king, king, EMPTY, EMPTY);
            return OK;
        }

        case TOKEN_Move_Promote:
            if (n == 0) return ERROR_InvalidMove;
            promote = piece_FromChar(toUpper(kept[n - 1]));
            if (promote < QUEEN || promote > KNIGHT) return ERROR_InvalidMove;
            n--;
            if (n > 0 && kept[n - 1] == '=') n--;
            [[fallthrough]];

        case TOKEN_Move_Pawn: {
            if (token == TOKEN_Move_Pawn && n > 3 && isLower(kept[0]) && isDigit(kept[1]) &&
                isLower(kept[n - 2]) && isDigit(kept[n - 1])) {
                return ReadCoordMove(m, str, false);
            }
            if (n < 2) return ERROR_InvalidMove;
            fyleT fromFyle = fyle_FromChar(kept[0]);
            if (fromFyle == NO_FYLE) return ERROR_InvalidMove;
            fyleT toFyle = fyle_FromChar(kept[1]);
            if (n == 2 && toFyle != NO_FYLE) {
                for (rankT r = RANK_1; r <= RANK_8; r++) {
                    if (resolvePawnMove(m, fromFyle, square_Make(toFyle, r), promote) == OK)
                        return OK;
                }
                return ERROR_InvalidMove;
            }
            squareT to = squareFromChars(kept[n - 2], kept[n - 1]);
            if (to == NULL_SQUARE) return ERROR_InvalidMove;
            return resolvePawnMove(m, fromFyle, to, promote);
        }

        case TOKEN_Move_Piece: {
            if (n < 3 || n > 5) return ERROR_InvalidMove;
            const pieceT type = piece_FromChar(kept[0]);
            if (type == EMPTY) return ERROR_InvalidMove;
            squareT to = squareFromChars(kept[n - 2], kept[n - 1]);
            if (to == NULL_SQUARE) return ERROR_InvalidMove;
            fyleT fromFyle = NO_FYLE;
            rankT fromRank = NO_RANK;
            for (size_t i = 1; i + 2 < n; i++) {
                if (isDigit(kept[i])) {
                    fromRank = rank_FromChar(kept[i]);
                    if (fromRank == NO_RANK) return ERROR_InvalidMove;
                } else {
                    fromFyle = fyle_FromChar(kept[i]);
                    if (fromFyle == NO_FYLE) return ERROR_InvalidMove;
                }
            }
            if (type == KING) return resolveKingMove(m, to);
            return resolvePieceMove(m, type, to, fromFyle, fromRank);
        }

        case TOKEN_Move_Castle_King:
        case TOKEN_Move_Castle_Queen:
            return ResolveCastling(m, token == TOKEN_Move_Castle_King);

        default:
            return ERROR_InvalidMove;
    }
}

errorT Position::ResolveMove(simpleMoveT* m, const SanMove& san) {
    switch (san.type) {
        case PAWN:
            return resolvePawnMove(m, san.fromFyle, san.to, EMPTY);
        case KING:
            return resolveKingMove(m, san.to);
        default:
            return resolvePieceMove(m, san.type, san.to, san.fromFyle, san.fromRank);
    }
}

errorT Position::ResolveCastling(simpleMoveT* m, bool kingSide) {
    const squareT king = GetKingSquare();
    if (king != (ToMove == WHITE ? E1 : E8)) return ERROR_InvalidMove;
    return resolveKingMove(m, squareT(kingSide ? king + 2 : king - 2));
}

errorT Position::ReadCoordMove(simpleMoveT* m, const char* str, bool reverse) {
    ASSERT(m != nullptr && str != nullptr);
    const size_t len = tokenLength(str);
    if (len != 4 && len != 5) return ERROR_InvalidMove;
    const squareT from = squareFromChars(str[0], str[1]);
    const squareT to = squareFromChars(str[2], str[3]);
    if (from == NULL_SQUARE || to == NULL_SQUARE) return ERROR_InvalidMove;
    const pieceT promote = len == 5 ? piece_FromChar(toUpper(str[4])) : EMPTY;

    MoveList moves;
    GenerateMoves(&moves);
    for (const simpleMoveT& mv : moves) {
        if (mv.promote != promote) continue;
        if ((mv.from == from && mv.to == to) || (reverse && mv.from == to && mv.to == from)) {
            *m = mv;
            return OK;
        }
    }
    return ERROR_InvalidMove;
}
