// One chess position: board, piece lists, side to move, castling rights, en
// passant target and clocks, with its rules: legal move generation, attack
// counting, making and taking back moves, and reading and writing SAN and FEN.
#pragma once

#include <bit>
#include <cstdio>
#include <cstring>

#include "core/common.h"
#include "core/error.h"
#include "core/movelist.h"
#include "core/pgntoken.h"

class DString;

// PrintFEN flags.
constexpr int FEN_COMPACT = 0;
constexpr int FEN_BOARD = 1;
constexpr int FEN_CASTLING_EP = 2;
constexpr int FEN_ALL_FIELDS = 3;

// A plain piece or pawn move as its text names it, read apart from any
// position: the kind of piece, the target, and the origin's fyle or rank
// where written.
struct SanMove {
    pieceT type = EMPTY;  // EMPTY: nothing read
    squareT to = NULL_SQUARE;
    fyleT fromFyle = NO_FYLE;
    rankT fromRank = NO_RANK;
};

class Position {
  public:
    Position();
    ~Position();
    Position(const Position&) = delete;
    Position& operator=(const Position&) = delete;

    // Set-up.
    void Init();
    void Clear();
    void StdStart();
    errorT AddPiece(pieceT p, squareT sq);
    void CopyFrom(const Position& src);
    errorT ReadFromFEN(const char* text);
    void PrintFEN(char* str, int flags) const;  // str needs room for 100 characters

    // Board and state.
    const pieceT* GetBoard() const { return Board; }
    pieceT GetPiece(squareT sq) const { return Board[sq]; }
    colorT GetToMove() const { return ToMove; }
    void SetToMove(colorT c) { ToMove = c; }
    uint32_t GetCount(colorT c) const { return Count[c]; }
    const byte* GetMaterial() const { return Material; }
    const squareT* GetList(colorT c) const { return List[c]; }
    squareT GetKingSquare(colorT c) const { return List[c][0]; }
    squareT GetKingSquare() const { return List[ToMove][0]; }
    squareT GetEnemyKingSquare() const { return List[color_Flip(ToMove)][0]; }
    squareT GetEPTarget() const { return EPTarget; }
    void SetEPTarget(squareT sq) { EPTarget = sq; }
    uint16_t GetPlyCounter() const { return PlyCounter; }
    void SetPlyCounter(uint16_t n) { PlyCounter = n; }
    uint32_t GetFullMoveCount() const { return PlyCounter / 2 + 1; }
    uint16_t GetHalfMoveClock() const { return HalfMoveClock; }
    byte GetCastlingFlags() const { return Castling; }
    bool GetCastling(colorT c, byte side) const { return (Castling & castleBit(c, side)) != 0; }
    void SetCastling(colorT c, byte side, bool flag);
    bool GetStrictCastling() const { return StrictCastling; }
    void SetStrictCastling(bool flag) { StrictCastling = flag; }
    uint32_t GetNumChecks() const { return NumChecks; }
    const squareT* GetCheckSquares() const { return CheckSquares; }
    MoveList* GetLegalMoves();

    // Square sets, kept exact by every change of the board.
    // The set of EMPTY is the set of empty squares.
    SquareSet GetPieceSet(pieceT p) const { return p == EMPTY ? ~GetOccupied() : PieceSet[p]; }
    // All of them at once, indexed by piece code, with the empty squares.
    void CopyPieceSets(SquareSet (&sets)[16]) const {
        std::memcpy(sets, PieceSet, sizeof PieceSet);
        sets[EMPTY] = ~GetOccupied();
    }
    SquareSet GetColorSet(colorT c) const { return ColorSet[c]; }
    SquareSet GetOccupied() const { return ColorSet[WHITE] | ColorSet[BLACK]; }

    // Pieces per line, counted on the square sets.
    uint32_t FyleCount(pieceT p, fyleT f) const { return std::popcount(PieceSet[p] & fyle_Set(f)); }
    uint32_t RankCount(pieceT p, rankT r) const { return std::popcount(PieceSet[p] & rank_Set(r)); }
    uint32_t LeftDiagCount(pieceT p, uint32_t diag) const {
        return std::popcount(PieceSet[p] & leftDiag_Set(diag));
    }
    uint32_t RightDiagCount(pieceT p, uint32_t diag) const {
        return std::popcount(PieceSet[p] & rightDiag_Set(diag));
    }
    uint32_t SquareColorCount(pieceT p, colorT c) const {
        return std::popcount(PieceSet[p] & squareColor_Set(c));
    }

    // Attacks, pins and move generation. fromSqs, when given, needs room for
    // 16 squares: at most 15 pieces can attack one square.
    uint32_t CalcAttacks(colorT side, squareT target, squareT* fromSqs) const;
    uint32_t CalcNumChecks() const { return CalcNumChecks(GetKingSquare(), nullptr); }
    uint32_t CalcNumChecks(squareT kingSq) const { return CalcNumChecks(kingSq, nullptr); }
    uint32_t CalcNumChecks(squareT kingSq, squareT* checkSquares) const {
        return CalcAttacks(color_Flip(ToMove), kingSq, checkSquares);
    }
    bool IsKingInCheck() const { return CalcNumChecks() > 0; }
    void CalcPins();
    void GenerateMoves(MoveList* mlist, pieceT pieceType, int genType, bool maybeInCheck);
    void GenerateMoves(MoveList* mlist) { GenerateMoves(mlist, EMPTY, GEN_ALL_MOVES, true); }
    void GenerateMoves() { GenerateMoves(nullptr, EMPTY, GEN_ALL_MOVES, true); }
    void GenCheckEvasions(MoveList* mlist, pieceT mask, int genType);
    void MatchLegalMove(MoveList* mlist, pieceT mask, squareT target);
    errorT MatchPawnMove(MoveList* mlist, fyleT fromFyle, squareT to, pieceT promote);
    errorT MatchKingMove(MoveList* mlist, squareT target);

    // Making and taking back moves.
    void DoSimpleMove(simpleMoveT* sm);
    void UndoSimpleMove(simpleMoveT* sm);
    // Makes again a move that DoSimpleMove made from this same position and
    // filled in: what it captures, and where, is read from the record rather
    // than worked out, and nothing is checked. The result is the position
    // DoSimpleMove reached, list order included.
    void ReplaySimpleMove(const simpleMoveT& sm);

    // Notation. MakeSANString needs room for 10 characters in s.
    void MakeSANString(simpleMoveT* m, char* s, int flag);
    errorT ReadMove(simpleMoveT* m, const char* str, tokenT token);
    // The move that `san`, already read from its text, names here: what
    // ReadMove does after reading the text.
    errorT ResolveMove(simpleMoveT* m, const SanMove& san);
    // Castling on the king's side or the queen's, as ReadMove reads "O-O"
    // and "O-O-O".
    errorT ResolveCastling(simpleMoveT* m, bool kingSide);
    errorT ReadCoordMove(simpleMoveT* m, const char* str, bool reverse);

    // The query engine's check, mate and stalemate tests, for the side to move.
    bool myIsKingInCheck();
    bool myIsKingInMate();
    bool myIsKingInStalemate();
    // Whether the side to move has a legal move: a step of its king settles
    // most positions before any generation.
    bool HasLegalMove();

    // Diagrams and dumps.
    void DumpBoard(FILE* fp) const;
    void DumpHtmlBoard(DString* dstr, uint32_t style, const char* dir, bool flip) const;
    void DumpHtmlBoard(DString* dstr, uint32_t style, const char* dir) const {
        DumpHtmlBoard(dstr, style, dir, false);
    }
    void DumpLatexBoard(DString* dstr, bool flip) const;
    void DumpLatexBoard(DString* dstr) const { DumpLatexBoard(dstr, false); }

    // True when board, lists, counters and square sets agree.
    bool IsConsistent() const;

  private:
    static byte castleBit(colorT c, byte side) {
        return byte(1u << (c * 2 + (side == KSIDE ? 1 : 0)));
    }

    // The square sets follow a piece onto or off a square; Material and the
    // lists are the callers' business.
    void countOn(pieceT p, squareT sq) {
        PieceSet[p] |= square_Bit(sq);
        ColorSet[piece_Color_NotEmpty(p)] |= square_Bit(sq);
    }
    void countOff(pieceT p, squareT sq) {
        PieceSet[p] &= ~square_Bit(sq);
        ColorSet[piece_Color_NotEmpty(p)] &= ~square_Bit(sq);
    }
    // A move's castling rook, rights and en-passant target.
    void finishMove(colorT c, pieceT type, squareT from, squareT to);
    // Moves a piece to an empty square: board, list entry and counters. The
    // piece's bit is set on `from` and clear on `to`, so one exclusive or per
    // set moves it.
    void shiftPiece(pieceT p, squareT from, squareT to) {
        const colorT c = piece_Color_NotEmpty(p);
        const byte idx = ListPos[from];
        List[c][idx] = to;
        ListPos[to] = idx;
        Board[from] = EMPTY;
        Board[to] = p;
        const SquareSet both = square_Bit(from) | square_Bit(to);
        PieceSet[p] ^= both;
        ColorSet[c] ^= both;
    }
    // Takes a piece off the board; the last piece of its list fills its slot,
    // whose index is returned so the removal can be undone exactly.
    byte removePiece(pieceT p, squareT sq);
    // Puts a removed piece back into slot idx; the slot's occupant returns to
    // the end of the list.
    void restorePiece(pieceT p, squareT sq, byte idx);
    void changePiece(squareT sq, pieceT p);
    // The standard start built piece by piece, which StdStart copies.
    void addStartPieces();

    // Generation helpers. `target` restricts destinations (check evasions).
    void addMove(MoveList* ml, byte idx, pieceT p, squareT from, squareT to, pieceT promote) {
        setFoundMove(ml->Add(), idx, p, from, to, Board[to], promote);
    }
    void addPawnMove(MoveList* ml, byte idx, pieceT p, squareT from, squareT to);
    void genSliderMoves(MoveList* ml, byte idx, pieceT p, squareT from, directionT dir,
                        SquareSet target, bool nonCaps);
    void genPieceMoves(MoveList* ml, byte idx, pieceT p, squareT from, SquareSet target,
                       bool nonCaps);
    void genPawnMoves(MoveList* ml, byte idx, squareT from, directionT pin, SquareSet target,
                      int genType);
    void genKingMoves(MoveList* ml, int genType, bool castling, bool knownNotInCheck);
    void genCastling(MoveList* ml, bool knownNotInCheck);
    bool epCaptureIsLegal(squareT from, squareT to);
    // The one legal move a written move stands for, resolved on the square
    // sets: the pieces of the kind that reach the target (restricted to the
    // origin's fyle or rank when given) are the candidates, and the king's
    // safety is tested for them alone. ERROR_InvalidMove when none or, for
    // pieces, more than one legal move fits.
    errorT resolvePieceMove(simpleMoveT* m, pieceT type, squareT to, fyleT fromFyle,
                            rankT fromRank);
    errorT resolvePawnMove(simpleMoveT* m, fyleT fromFyle, squareT to, pieceT promote);
    errorT resolveKingMove(simpleMoveT* m, squareT target);
    // Is the mover's king safe after moving from -> to, removing whatever
    // stands on capSq? The board is restored before returning.
    bool trialIsLegal(squareT from, squareT to, squareT capSq);
    // The same for a move of a piece other than the king that takes only
    // what stands on `to` (no en passant), the common case, made cheaper.
    bool pieceMoveIsLegal(squareT from, squareT to) const;
    // Square-set tests, cheap enough to run before the exact ones: whether the
    // side to move's king is attacked, and whether a piece p other than the
    // one on `from` reaches `to` along a clear line (legality not tested).
    bool kingAttacked() const;
    // Whether the king has a legal step to a square next to it (castling
    // aside), tried one square at a time.
    bool kingCanStep();
    bool anotherReaches(pieceT p, squareT from, squareT to) const;
    // Whether side `by` attacks sq with anything but its king, as the board
    // stands: CalcAttacks(by, sq, nullptr) > 0 without walking the board.
    bool attackedBy(colorT by, squareT sq) const;
    // After a move: the moved piece and both kings sit where the lists say.
    bool quickConsistent(const simpleMoveT* sm) const;
    // Lists, colours and material counts agree.
    bool listsAgree() const;
    [[noreturn]] void consistencyFailure(const char* file, unsigned line) const;

    pieceT Board[66];
    uint32_t Count[2];
    byte Material[16];
    byte ListPos[64];
    squareT List[2][16];
    directionT Pinned[16];
    squareT EPTarget;
    colorT ToMove;
    uint16_t HalfMoveClock;
    uint16_t PlyCounter;
    byte Castling;
    bool StrictCastling;
    uint32_t NumChecks;
    squareT CheckSquares[16];
    MoveList* LegalMoves;
    SquareSet PieceSet[16];
    SquareSet ColorSet[2];
};
