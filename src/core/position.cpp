// Position set-up and bookkeeping: clearing, the standard start, adding and
// removing pieces, FEN reading and writing, the consistency check and dumps.
#include "core/position.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/dstring.h"

namespace {

bool isSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

const char* skipSpace(const char* s) {
    while (isSpace(*s)) s++;
    return s;
}

// The leading decimal number of a word, like atoi but without its undefined
// behaviour on overflow: negative values read as 0, large ones saturate.
unsigned readCount(const char* s, unsigned limit) {
    bool negative = false;
    if (*s == '+' || *s == '-') negative = (*s++ == '-');
    unsigned value = 0;
    for (; *s >= '0' && *s <= '9'; s++) {
        value = value * 10 + unsigned(*s - '0');
        if (value > limit) value = limit;
    }
    return negative ? 0 : value;
}

constexpr std::array<pieceT, 256> makeFenPieces() {
    std::array<pieceT, 256> t{};
    for (auto& p : t) p = EMPTY;
    t['K'] = WK, t['Q'] = WQ, t['R'] = WR, t['B'] = WB, t['N'] = WN, t['P'] = WP;
    t['k'] = BK, t['q'] = BQ, t['r'] = BR, t['b'] = BB, t['n'] = BN, t['p'] = BP;
    return t;
}
constexpr std::array<pieceT, 256> kFenPiece = makeFenPieces();

constexpr SquareSet kBackRanks = 0xFF000000000000FFull;

}  // namespace

Position::Position() : LegalMoves(nullptr) {
    Init();
    ToMove = WHITE;
    Clear();
}

Position::~Position() {
    delete LegalMoves;
}

void Position::Init() {
    Board[COLOR_SQUARE] = EMPTY;
    Board[NULL_SQUARE] = END_OF_BOARD;
    delete LegalMoves;
    LegalMoves = nullptr;
    StrictCastling = true;
    NumChecks = 0;
    std::memset(Pinned, NULL_DIR, sizeof(Pinned));
    std::memset(CheckSquares, NULL_SQUARE, sizeof(CheckSquares));
    brel_Init();
}

void Position::Clear() {
    for (squareT sq = 0; sq < 64; sq++) Board[sq] = EMPTY;
    Board[COLOR_SQUARE] = EMPTY;
    Board[NULL_SQUARE] = END_OF_BOARD;
    Count[WHITE] = Count[BLACK] = 0;
    std::memset(Material, 0, sizeof(Material));
    std::memset(ListPos, 0, sizeof(ListPos));
    std::memset(List, 0, sizeof(List));
    std::memset(PieceSet, 0, sizeof(PieceSet));
    ColorSet[WHITE] = ColorSet[BLACK] = 0;
    EPTarget = NULL_SQUARE;
    Castling = 0;
    PlyCounter = 0;
    HalfMoveClock = 0;
}

void Position::StdStart() {
    // Every game starts here, twice per game read: copying a position built
    // once is far cheaper than adding the 32 pieces one by one.
    static Position start;
    static const bool built = (start.addStartPieces(), true);
    ASSERT(built);
    CopyFrom(start);
}

void Position::addStartPieces() {
    Clear();
    // The list order (king first, then the back rank, then the pawns) is
    // part of what callers see through GetList.
    static const squareT order[16] = {E1, A1, B1, C1, D1, F1, G1, H1,
                                      A2, B2, C2, D2, E2, F2, G2, H2};
    for (squareT sq : order) {
        AddPiece(START_BOARD[sq], sq);
        squareT mirror = square_Make(square_Fyle(sq), RANK_8 - square_Rank(sq));
        AddPiece(START_BOARD[mirror], mirror);
    }
    Castling = WQ_CASTLE | WK_CASTLE | BQ_CASTLE | BK_CASTLE;
    ToMove = WHITE;
}

errorT Position::AddPiece(pieceT p, squareT sq) {
    ASSERT(sq < 64 && Board[sq] == EMPTY);
    ASSERT(piece_Type(p) >= KING && piece_Type(p) <= PAWN && p < 16);
    colorT c = piece_Color_NotEmpty(p);
    if (Count[c] >= 16) return ERROR_PieceCount;
    byte idx = byte(Count[c]);
    if (piece_Type(p) == KING) {
        if (Material[p] > 0) return ERROR_PieceCount;
        if (idx > 0) {
            List[c][idx] = List[c][0];
            ListPos[List[c][idx]] = idx;
        }
        idx = 0;
    }
    List[c][idx] = sq;
    ListPos[sq] = idx;
    Count[c]++;
    Board[sq] = p;
    Material[p]++;
    countOn(p, sq);
    return OK;
}

void Position::restorePiece(pieceT p, squareT sq, byte idx) {
    colorT c = piece_Color_NotEmpty(p);
    ASSERT(Board[sq] == EMPTY && idx <= Count[c] && Count[c] < 16);
    squareT displaced = List[c][idx];
    List[c][Count[c]] = displaced;
    ListPos[displaced] = byte(Count[c]);
    List[c][idx] = sq;
    ListPos[sq] = idx;
    Count[c]++;
    Board[sq] = p;
    Material[p]++;
    countOn(p, sq);
}

void Position::changePiece(squareT sq, pieceT p) {
    pieceT old = Board[sq];
    Material[old]--;
    countOff(old, sq);
    Board[sq] = p;
    Material[p]++;
    countOn(p, sq);
}

void Position::CopyFrom(const Position& src) {
    std::memcpy(Board, src.Board, sizeof(Board));
    std::memcpy(Count, src.Count, sizeof(Count));
    std::memcpy(Material, src.Material, sizeof(Material));
    std::memcpy(ListPos, src.ListPos, sizeof(ListPos));
    std::memcpy(List, src.List, sizeof(List));
    std::memcpy(PieceSet, src.PieceSet, sizeof(PieceSet));
    ColorSet[WHITE] = src.ColorSet[WHITE];
    ColorSet[BLACK] = src.ColorSet[BLACK];
    EPTarget = src.EPTarget;
    ToMove = src.ToMove;
    PlyCounter = src.PlyCounter;
    HalfMoveClock = src.HalfMoveClock;
    Castling = src.Castling;
}

void Position::SetCastling(colorT c, byte side, bool flag) {
    if (flag) {
        Castling |= castleBit(c, side);
    } else {
        Castling &= byte(~castleBit(c, side));
    }
}

MoveList* Position::GetLegalMoves() {
    if (LegalMoves == nullptr) LegalMoves = new MoveList;
    return LegalMoves;
}

errorT Position::ReadFromFEN(const char* text) {
    ASSERT(text != nullptr);
    Clear();
    const char* s = text;
    uint32_t filled = 0;
    while (filled < 64) {
        char ch = *s;
        if (ch == '/') {
            if (filled % 8 != 0) return ERROR_InvalidFEN;
            s++;
            continue;
        }
        if (ch >= '1' && ch <= '8') {
            filled += uint32_t(ch - '0');
            s++;
            continue;
        }
        pieceT p = kFenPiece[static_cast<unsigned char>(ch)];
        if (p == EMPTY) return ERROR_InvalidFEN;
        squareT sq = squareT((filled % 8) + (7 - filled / 8) * 8);
        if (AddPiece(p, sq) != OK) return ERROR_InvalidFEN;
        filled++;
        s++;
    }
    if (Material[WK] != 1 || Material[BK] != 1) return ERROR_InvalidFEN;

    s = skipSpace(s);
    if (*s == 'w') {
        ToMove = WHITE;
    } else if (*s == 'b') {
        ToMove = BLACK;
    } else {
        return ERROR_InvalidFEN;
    }
    s = skipSpace(s + 1);

    if (*s == '-') {
        s++;
    } else if (*s != '\0') {
        for (; *s != '\0' && !isSpace(*s); s++) {
            switch (*s) {
                case 'K':
                    Castling |= WK_CASTLE;
                    break;
                case 'Q':
                    Castling |= WQ_CASTLE;
                    break;
                case 'k':
                    Castling |= BK_CASTLE;
                    break;
                case 'q':
                    Castling |= BQ_CASTLE;
                    break;
                default:
                    return ERROR_InvalidFEN;
            }
        }
    } else {
        if (Board[E1] == WK) {
            if (Board[A1] == WR) Castling |= WQ_CASTLE;
            if (Board[H1] == WR) Castling |= WK_CASTLE;
        }
        if (Board[E8] == BK) {
            if (Board[A8] == BR) Castling |= BQ_CASTLE;
            if (Board[H8] == BR) Castling |= BK_CASTLE;
        }
    }
    s = skipSpace(s);

    if (*s == '-') {
        s++;
    } else if (*s != '\0') {
        fyleT f = fyle_FromChar(s[0]);
        if (f == NO_FYLE || (s[1] != '3' && s[1] != '6')) return ERROR_InvalidFEN;
        EPTarget = square_Make(f, rank_FromChar(s[1]));
        s += 2;
    }
    s = skipSpace(s);

    if (*s != '\0') {
        HalfMoveClock = uint16_t(readCount(s, 65535));
        while (*s != '\0' && !isSpace(*s)) s++;
        s = skipSpace(s);
        // The ply counter must also hold the black-to-move increment.
        if (*s != '\0') {
            unsigned moveNumber = readCount(s, 32767);
            if (moveNumber > 0) PlyCounter = uint16_t(2 * moveNumber - 2);
        }
    }
    if (ToMove == BLACK) PlyCounter++;

    // Positions the move generator cannot handle safely: a pawn that could
    // never move or promote, more promoted pieces than missing pawns (such
    // armies can have more legal moves than a move list holds), or a king
    // that the side to move could capture.
    if ((PieceSet[WP] | PieceSet[BP]) & kBackRanks) return ERROR_InvalidFEN;
    for (colorT c = WHITE; c <= BLACK; c++) {
        auto extra = [&](pieceT type, int original) {
            return std::max(0, int(Material[piece_Make(c, type)]) - original);
        };
        int promoted = extra(QUEEN, 1) + extra(ROOK, 2) + extra(BISHOP, 2) + extra(KNIGHT, 2);
        if (promoted > 8 - int(Material[piece_Make(c, PAWN)])) return ERROR_InvalidFEN;
    }
    squareT enemyKing = GetEnemyKingSquare();
    if (square_Adjacent(GetKingSquare(), enemyKing)) return ERROR_InvalidFEN;
    if (CalcAttacks(ToMove, enemyKing, nullptr) > 0) return ERROR_InvalidFEN;
    return OK;
}

void Position::PrintFEN(char* str, int flags) const {
    ASSERT(str != nullptr);
    char* s = str;
    for (int rank = RANK_8; rank >= RANK_1; rank--) {
        int empty = 0;
        for (int fyle = A_FYLE; fyle <= H_FYLE; fyle++) {
            pieceT p = Board[rank * 8 + fyle];
            if (p == EMPTY) {
                empty++;
                continue;
            }
            if (empty > 0) *s++ = char('0' + empty);
            empty = 0;
            *s++ = PIECE_CHAR[p];
        }
        if (empty > 0) *s++ = char('0' + empty);
        if (rank > RANK_1 && flags > FEN_COMPACT) *s++ = '/';
    }
    if (flags > FEN_COMPACT) *s++ = ' ';
    *s++ = ToMove == WHITE ? 'w' : 'b';
    if (flags > FEN_BOARD) {
        *s++ = ' ';
        if (Castling & WK_CASTLE) *s++ = 'K';
        if (Castling & WQ_CASTLE) *s++ = 'Q';
        if (Castling & BK_CASTLE) *s++ = 'k';
        if (Castling & BQ_CASTLE) *s++ = 'q';
        if ((Castling & (WK_CASTLE | WQ_CASTLE | BK_CASTLE | BQ_CASTLE)) == 0) *s++ = '-';
        *s++ = ' ';
        if (EPTarget == NULL_SQUARE) {
            *s++ = '-';
        } else {
            *s++ = square_FyleChar(EPTarget);
            *s++ = square_RankChar(EPTarget);
        }
    }
    if (flags > FEN_CASTLING_EP) {
        s += snprintf(s, 20, " %d %d", int(HalfMoveClock), int(GetFullMoveCount()));
    }
    *s = '\0';
}

bool Position::listsAgree() const {
    if (Board[COLOR_SQUARE] != EMPTY || Board[NULL_SQUARE] != END_OF_BOARD) return false;
    for (colorT c = WHITE; c <= BLACK; c++) {
        if (Count[c] > 16) return false;
        uint32_t material = 0;
        for (pieceT type = KING; type <= PAWN; type++) material += Material[piece_Make(c, type)];
        if (material != Count[c]) return false;
        for (uint32_t i = 0; i < Count[c]; i++) {
            squareT sq = List[c][i];
            if (sq >= 64 || ListPos[sq] != i || piece_Color(Board[sq]) != c) return false;
        }
        if (Material[piece_Make(c, KING)] > 0 && Board[List[c][0]] != piece_Make(c, KING))
            return false;
        if (uint32_t(std::popcount(ColorSet[c])) != Count[c]) return false;
    }
    return true;
}

bool Position::IsConsistent() const {
    if (!listsAgree()) return false;
    // Every square set rebuilt from the board, and every counter from the sets.
    SquareSet sets[16] = {};
    for (squareT sq = 0; sq < 64; sq++) {
        pieceT p = Board[sq];
        if (p == EMPTY) continue;
        if (p >= 16 || piece_Type(p) < KING || piece_Type(p) > PAWN) return false;
        sets[p] |= square_Bit(sq);
    }
    if (ColorSet[WHITE] != (sets[WK] | sets[WQ] | sets[WR] | sets[WB] | sets[WN] | sets[WP]) ||
        ColorSet[BLACK] != (sets[BK] | sets[BQ] | sets[BR] | sets[BB] | sets[BN] | sets[BP]))
        return false;
    for (pieceT p = 0; p < 16; p++) {
        if (PieceSet[p] != sets[p] || Material[p] != std::popcount(sets[p])) return false;
    }
    return true;
}

void Position::consistencyFailure(const char* file, unsigned line) const {
    fflush(stdout);
    DumpBoard(stderr);
    for (colorT c = WHITE; c <= BLACK; c++) {
        fprintf(stderr, "%s list (%u):", c == WHITE ? "White" : "Black", unsigned(Count[c]));
        for (uint32_t i = 0; i < Count[c] && i < 16; i++) {
            squareT sq = List[c][i];
            if (sq < 64) {
                fprintf(stderr, " %c%c%c", PIECE_CHAR[Board[sq]], square_FyleChar(sq),
                        square_RankChar(sq));
            } else {
                fprintf(stderr, " ?%u", unsigned(sq));
            }
        }
        fprintf(stderr, "\n");
    }
    _MyAssert(file, line);
}

void Position::DumpBoard(FILE* fp) const {
    for (int rank = RANK_8; rank >= RANK_1; rank--) {
        fputs("   ", fp);
        for (int fyle = A_FYLE; fyle <= H_FYLE; fyle++) {
            fputc(PIECE_CHAR[Board[rank * 8 + fyle]], fp);
            fputc(' ', fp);
        }
        fputc('\n', fp);
    }
}

namespace {

// The square shown in row `row`, column `col` of a diagram (row 0 at the top).
squareT diagramSquare(int row, int col, bool flip) {
    return flip ? squareT(row * 8 + (7 - col)) : squareT((7 - row) * 8 + col);
}

}  // namespace

void Position::DumpHtmlBoard(DString* dstr, uint32_t style, const char* dir, bool flip) const {
    ASSERT(dstr != nullptr);
    static const struct {
        const char* dir;
        uint32_t width, height;
    } kStyles[2] = {{"bitmaps", 40, 40}, {"bitmaps2", 36, 35}};
    if (style > 1) style = 0;
    if (dir == nullptr) dir = kStyles[style].dir;
    const uint32_t width = kStyles[style].width, height = kStyles[style].height;

    dstr->Append("<br><br><center>\n");
    dstr->Append("<table Border=1 CellSpacing=0 CellPadding=0>\n");
    for (int row = 0; row < 8; row++) {
        dstr->Append("<tr>\n");
        for (int col = 0; col < 8; col++) {
            const pieceT p = Board[diagramSquare(row, col, flip)];
            const bool light = (row + col) % 2 == 0;
            dstr->Append("  <td><img border=0 ");
            if (width != 0) {
                dstr->Append("width=");
                dstr->Append(width, " ");
            }
            if (height != 0) {
                dstr->Append("height=");
                dstr->Append(height, " ");
            }
            dstr->Append("src=\"", dir, "/");
            dstr->AddChar(light ? 'w' : 'b');
            if (p == EMPTY) {
                dstr->Append("sq.gif");
            } else {
                dstr->AddChar(piece_Color(p) == WHITE ? 'w' : 'b');
                dstr->AddChar(char(piece_Char(p) - 'A' + 'a'));
                dstr->Append(".gif");
            }
            dstr->Append("\" alt=\"");
            if (p == EMPTY) {
                if (!light) dstr->Append("::");
            } else {
                dstr->AddChar(piece_Color(p) == WHITE ? 'W' : 'B');
                dstr->AddChar(piece_Char(p));
            }
            dstr->Append("\"></td>\n");
        }
        dstr->Append("</tr>\n");
    }
    dstr->Append("</table>\n");
    dstr->Append("</center><br>");
}

void Position::DumpLatexBoard(DString* dstr, bool flip) const {
    ASSERT(dstr != nullptr);
    dstr->Append("\\board{");
    for (int row = 0; row < 8; row++) {
        for (int col = 0; col < 8; col++) {
            const pieceT p = Board[diagramSquare(row, col, flip)];
            const bool light = (row + col) % 2 == 0;
            dstr->AddChar(p != EMPTY ? PIECE_CHAR[p] : light ? ' ' : '*');
        }
        dstr->Append(row < 7 ? "}\n {" : "}");
    }
}
