// The rules of chess on a Position: attack counting, pins, legal move
// generation with check evasions and castling, matching partly specified
// moves, and making and taking back moves.
#include <array>
#include <bit>
#include <span>

#include "core/attacks.h"
#include "core/position.h"

namespace {

// The rays a slider moves along, in generation order: orthogonal first.
constexpr directionT kQueenDirections[8] = {UP,      DOWN,      LEFT,     RIGHT,
                                            UP_LEFT, DOWN_LEFT, UP_RIGHT, DOWN_RIGHT};

std::span<const directionT> sliderDirections(pieceT type) {
    std::span<const directionT> all(kQueenDirections);
    if (type == ROOK) return all.first(4);
    if (type == BISHOP) return all.last(4);
    return all;
}

constexpr SquareSet kAllSquares = ~SquareSet(0);

// The castling right tied to each corner square.
constexpr std::array<byte, 64> makeCornerRights() {
    std::array<byte, 64> t{};
    t[A1] = WQ_CASTLE, t[H1] = WK_CASTLE, t[A8] = BQ_CASTLE, t[H8] = BK_CASTLE;
    return t;
}
constexpr std::array<byte, 64> kCornerRight = makeCornerRights();
constexpr byte kColorRights[2] = {WQ_CASTLE | WK_CASTLE, BQ_CASTLE | BK_CASTLE};

// The walk from sq towards its last square in direction dir: the first
// occupied square, or NULL_SQUARE when the ray runs off the board empty.
inline squareT firstOccupied(const pieceT* board, squareT sq, directionT dir) {
    squareT last = sqLast[sq][dir];
    int delta = dirDelta[dir];
    while (sq != last) {
        sq = squareT(sq + delta);
        if (board[sq] != EMPTY) return sq;
    }
    return NULL_SQUARE;
}

// The back-rank square of a colour on a fyle.
inline squareT homeSquare(colorT c, fyleT f) {
    return squareT(c == WHITE ? f : 56 + f);
}

// Calls scan(direction, slider) for each ray from sq along which a slider of
// `side` may stand: a line is looked at only when a queen or a rook (fyle,
// rank) or a bishop (diagonals) of that side stands on it. Attack counting and
// pin finding both walk the lines through a square this way.
template <typename Scan>
inline void scanSliderLines(const Position& pos, colorT side, squareT sq, Scan scan) {
    const pieceT queen = piece_Make(side, QUEEN), rook = piece_Make(side, ROOK);
    const pieceT bishop = piece_Make(side, BISHOP);
    const SquareSet straight = pos.GetPieceSet(queen) | pos.GetPieceSet(rook);
    if (straight != 0) {
        if (straight & fyle_Set(square_Fyle(sq))) {
            scan(UP, rook);
            scan(DOWN, rook);
        }
        if (straight & rank_Set(square_Rank(sq))) {
            scan(LEFT, rook);
            scan(RIGHT, rook);
        }
    }
    const SquareSet diagonal = pos.GetPieceSet(queen) | pos.GetPieceSet(bishop);
    if (diagonal != 0) {
        if (diagonal & leftDiag_Set(square_LeftDiag(sq))) {
            scan(UP_LEFT, bishop);
            scan(DOWN_RIGHT, bishop);
        }
        if (diagonal & rightDiag_Set(square_RightDiag(sq))) {
            scan(UP_RIGHT, bishop);
            scan(DOWN_LEFT, bishop);
        }
    }
}

}  // namespace

uint32_t Position::CalcAttacks(colorT side, squareT target, squareT* fromSqs) const {
    ASSERT(target < 64 && side <= BLACK);
    uint32_t n = 0;
    const pieceT queen = piece_Make(side, QUEEN), knight = piece_Make(side, KNIGHT);
    auto record = [&](squareT sq) {
        if (fromSqs != nullptr) fromSqs[n] = sq;
        n++;
    };
    auto scan = [&](directionT dir, pieceT slider) {
        squareT sq = firstOccupied(Board, target, dir);
        if (sq != NULL_SQUARE && (Board[sq] == queen || Board[sq] == slider)) record(sq);
    };

    scanSliderLines(*this, side, target, scan);

    // A knight always hops to a square of the other colour.
    if ((PieceSet[knight] & squareColor_Set(color_Flip(square_Color(target)))) != 0) {
        for (const squareT* hop = knightAttacks[target].data(); *hop != NULL_SQUARE; hop++) {
            if (Board[*hop] == knight) record(*hop);
        }
    }
    if (side == BLACK) {
        if (square_Rank(target) != RANK_8) {
            if (Board[sqMove[target][UP_LEFT]] == BP) record(sqMove[target][UP_LEFT]);
            if (Board[sqMove[target][UP_RIGHT]] == BP) record(sqMove[target][UP_RIGHT]);
        }
    } else if (square_Rank(target) != RANK_1) {
        if (Board[sqMove[target][DOWN_LEFT]] == WP) record(sqMove[target][DOWN_LEFT]);
        if (Board[sqMove[target][DOWN_RIGHT]] == WP) record(sqMove[target][DOWN_RIGHT]);
    }
    return n;
}

void Position::CalcPins() {
    for (directionT& d : Pinned) d = NULL_DIR;
    const colorT enemy = color_Flip(ToMove);
    const squareT king = GetKingSquare();
    const pieceT queen = piece_Make(enemy, QUEEN);

    auto scan = [&](directionT dir, pieceT slider) {
        squareT own = firstOccupied(Board, king, dir);
        if (own == NULL_SQUARE || piece_Color_NotEmpty(Board[own]) != ToMove) return;
        squareT beyond = firstOccupied(Board, own, dir);
        if (beyond != NULL_SQUARE && (Board[beyond] == queen || Board[beyond] == slider))
            Pinned[ListPos[own]] = dir;
    };

    scanSliderLines(*this, enemy, king, scan);
}

void Position::addPawnMove(MoveList* ml, byte idx, pieceT p, squareT from, squareT to) {
    rankT r = square_Rank(to);
    if (r == RANK_8 || r == RANK_1) {
        addMove(ml, idx, p, from, to, QUEEN);
        addMove(ml, idx, p, from, to, ROOK);
        addMove(ml, idx, p, from, to, BISHOP);
        addMove(ml, idx, p, from, to, KNIGHT);
    } else {
        addMove(ml, idx, p, from, to, EMPTY);
    }
}

void Position::genSliderMoves(MoveList* ml, byte idx, pieceT p, squareT from, directionT dir,
                              SquareSet target, bool nonCaps) {
    const squareT last = sqLast[from][dir];
    const int delta = dirDelta[dir];
    squareT sq = from;
    while (sq != last) {
        sq = squareT(sq + delta);
        pieceT q = Board[sq];
        if (q == EMPTY) {
            if (nonCaps && (target & square_Bit(sq))) addMove(ml, idx, p, from, sq, EMPTY);
            continue;
        }
        if (piece_Color_NotEmpty(q) != ToMove && (target & square_Bit(sq)))
            addMove(ml, idx, p, from, sq, EMPTY);
        return;
    }
}

void Position::genPieceMoves(MoveList* ml, byte idx, pieceT p, squareT from, SquareSet target,
                             bool nonCaps) {
    switch (piece_Type(p)) {
        case KNIGHT:
            for (const squareT* hop = knightAttacks[from].data(); *hop != NULL_SQUARE; hop++) {
                pieceT q = Board[*hop];
                if (!(target & square_Bit(*hop))) continue;
                if (q == EMPTY ? nonCaps : piece_Color_NotEmpty(q) != ToMove)
                    addMove(ml, idx, p, from, *hop, EMPTY);
            }
            break;
        case ROOK:
        case BISHOP:
        case QUEEN:
            for (directionT d : sliderDirections(piece_Type(p)))
                genSliderMoves(ml, idx, p, from, d, target, nonCaps);
            break;
        default:
            break;
    }
}

bool Position::epCaptureIsLegal(squareT from, squareT to) {
    // Only a pawn that has just advanced two squares can be taken this way,
    // so the target lies on the sixth rank (third for black); a FEN target
    // anywhere else yields no capture.
    if (square_Rank(to) != (ToMove == WHITE ? RANK_6 : RANK_3)) return false;
    squareT victim = square_Make(square_Fyle(to), square_Rank(from));
    if (Board[victim] != piece_Make(color_Flip(ToMove), PAWN)) return false;
    // Both pawns leave their rank at once, which can expose the king.
    return trialIsLegal(from, to, victim);
}

void Position::genPawnMoves(MoveList* ml, byte idx, squareT from, directionT pin, SquareSet target,
                            int genType) {
    const pieceT pawn = Board[from];
    const directionT forward = ToMove == WHITE ? UP : DOWN;
    if ((genType & GEN_NON_CAPS) && (pin == NULL_DIR || pin == UP || pin == DOWN)) {
        squareT to = sqMove[from][forward];
        if (to != NULL_SQUARE && Board[to] == EMPTY) {
            if (target & square_Bit(to)) addPawnMove(ml, idx, pawn, from, to);
            if (square_Rank(from) == (ToMove == WHITE ? RANK_2 : RANK_7)) {
                squareT to2 = sqMove[to][forward];
                if (Board[to2] == EMPTY && (target & square_Bit(to2)))
                    addMove(ml, idx, pawn, from, to2, EMPTY);
            }
        }
    }
    for (directionT side : {LEFT, RIGHT}) {
        directionT dir = forward | side;
        if (pin != NULL_DIR && pin != dir && pin != dirOpposite[dir]) continue;
        squareT to = sqMove[from][dir];
        if (to == NULL_SQUARE || !(target & square_Bit(to))) continue;
        pieceT q = Board[to];
        if (q == EMPTY) {
            if (to == EPTarget && epCaptureIsLegal(from, to))
                addMove(ml, idx, pawn, from, to, EMPTY);
        } else if (piece_Color_NotEmpty(q) != ToMove) {
            addPawnMove(ml, idx, pawn, from, to);
        }
    }
}

void Position::genKingMoves(MoveList* ml, int genType, bool castling, bool knownNotInCheck) {
    const squareT from = GetKingSquare();
    const squareT enemyKing = GetEnemyKingSquare();
    const pieceT king = Board[from];
    const bool nonCaps = (genType & GEN_NON_CAPS) != 0;
    // Off its square, the king no longer shields the squares behind it.
    Board[from] = EMPTY;
    for (const squareT* to = kingAttacks[from].data(); *to != NULL_SQUARE; to++) {
        pieceT q = Board[*to];
        if (q == EMPTY ? !nonCaps : piece_Color_NotEmpty(q) == ToMove) continue;
        if (square_Adjacent(*to, enemyKing)) continue;
        if (CalcNumChecks(*to) == 0) addMove(ml, 0, king, from, *to, EMPTY);
    }
    Board[from] = king;
    if (castling && nonCaps) genCastling(ml, knownNotInCheck);
}

void Position::genCastling(MoveList* ml, bool knownNotInCheck) {
    const colorT c = ToMove;
    const squareT king = GetKingSquare();
    if (king != homeSquare(c, E_FYLE)) return;
    const pieceT rook = piece_Make(c, ROOK);
    const squareT enemyKing = GetEnemyKingSquare();
    bool queenSide = (!StrictCastling || GetCastling(c, QSIDE)) &&
                     Board[homeSquare(c, A_FYLE)] == rook &&
                     Board[homeSquare(c, B_FYLE)] == EMPTY &&
                     Board[homeSquare(c, C_FYLE)] == EMPTY && Board[homeSquare(c, D_FYLE)] == EMPTY;
    bool kingSide = (!StrictCastling || GetCastling(c, KSIDE)) &&
                    Board[homeSquare(c, H_FYLE)] == rook && Board[homeSquare(c, F_FYLE)] == EMPTY &&
                    Board[homeSquare(c, G_FYLE)] == EMPTY;
    if (!queenSide && !kingSide) return;
    // Without a fresh check count (the caller promised no check), verify.
    if (!knownNotInCheck && CalcNumChecks(king) > 0) return;
    const pieceT kingPiece = Board[king];
    if (queenSide) {
        squareT c1 = homeSquare(c, C_FYLE), d1 = homeSquare(c, D_FYLE);
        if (CalcNumChecks(c1) == 0 && CalcNumChecks(d1) == 0 && !square_Adjacent(c1, enemyKing))
            addMove(ml, 0, kingPiece, king, c1, EMPTY);
    }
    if (kingSide) {
        squareT f1 = homeSquare(c, F_FYLE), g1 = homeSquare(c, G_FYLE);
        if (CalcNumChecks(f1) == 0 && CalcNumChecks(g1) == 0 && !square_Adjacent(g1, enemyKing))
            addMove(ml, 0, kingPiece, king, g1, EMPTY);
    }
}

void Position::GenerateMoves(MoveList* mlist, pieceT pieceType, int genType, bool maybeInCheck) {
    MoveList* ml = mlist != nullptr ? mlist : GetLegalMoves();
    ml->Clear();
    CalcPins();
    if (maybeInCheck) {
        NumChecks = CalcNumChecks(GetKingSquare(), CheckSquares);
        if (NumChecks > 0) {
            GenCheckEvasions(ml, pieceType, genType);
            return;
        }
    }
    const colorT c = ToMove;
    const bool nonCaps = (genType & GEN_NON_CAPS) != 0;
    for (byte i = 1; i < Count[c]; i++) {
        const squareT from = List[c][i];
        const pieceT p = Board[from];
        const pieceT type = piece_Type(p);
        if (pieceType != EMPTY && type != pieceType) continue;
        const directionT pin = Pinned[i];
        if (type == PAWN) {
            genPawnMoves(ml, i, from, pin, kAllSquares, genType);
        } else if (pin == NULL_DIR) {
            genPieceMoves(ml, i, p, from, kAllSquares, nonCaps);
        } else if (type == QUEEN || (type == ROOK && !dirIsDiagonal[pin]) ||
                   (type == BISHOP && dirIsDiagonal[pin])) {
            genSliderMoves(ml, i, p, from, pin, kAllSquares, nonCaps);
            genSliderMoves(ml, i, p, from, dirOpposite[pin], kAllSquares, nonCaps);
        }
    }
    if (pieceType == EMPTY || pieceType == KING) genKingMoves(ml, genType, true, maybeInCheck);
}

void Position::GenCheckEvasions(MoveList* mlist, pieceT mask, int genType) {
    MoveList* ml = mlist != nullptr ? mlist : GetLegalMoves();
    ml->Clear();
    const colorT c = ToMove;
    const squareT king = GetKingSquare();
    if (NumChecks == 1) {
        const squareT checker = CheckSquares[0];
        SquareSet target = square_Bit(checker);
        directionT dir = sqDir[king][checker];
        if (dir != NULL_DIR) {
            for (squareT sq = squareT(king + dirDelta[dir]); sq != checker;
                 sq = squareT(sq + dirDelta[dir])) {
                target |= square_Bit(sq);
            }
        }
        // A checking pawn that has just advanced two squares can also be
        // taken en passant. FEN text can name any square as the target, so
        // the checker must really be a pawn and the target empty.
        SquareSet pawnTarget = target;
        if (EPTarget != NULL_SQUARE && Board[EPTarget] == EMPTY &&
            Board[checker] == piece_Make(color_Flip(c), PAWN)) {
            squareT victim = squareT(c == WHITE ? EPTarget - 8 : EPTarget + 8);
            if (victim == checker) pawnTarget |= square_Bit(EPTarget);
        }
        const bool nonCaps = (genType & GEN_NON_CAPS) != 0;
        for (byte i = 1; i < Count[c]; i++) {
            if (Pinned[i] != NULL_DIR) continue;
            const squareT from = List[c][i];
            const pieceT p = Board[from];
            if (mask != EMPTY && piece_Type(p) != mask) continue;
            if (piece_Type(p) == PAWN) {
                genPawnMoves(ml, i, from, NULL_DIR, pawnTarget, genType);
            } else {
                genPieceMoves(ml, i, p, from, target, nonCaps);
            }
        }
    }
    if (mask == EMPTY || mask == KING) genKingMoves(ml, genType, false, false);
}

bool Position::trialIsLegal(squareT from, squareT to, squareT capSq) {
    // The board after the move, as square sets: the king is safe when no
    // enemy piece that survives the move reaches it. Leaving the board
    // untouched makes this exact for captures, en passant and king moves
    // alike, and far cheaper than a trial move.
    const colorT enemy = color_Flip(ToMove);
    const squareT king = Board[from] == piece_Make(ToMove, KING) ? to : GetKingSquare();
    const SquareSet survivors = ~square_Bit(capSq);
    const SquareSet occupied = ((GetOccupied() & ~square_Bit(from)) & survivors) | square_Bit(to);
    const SquareSet queens = PieceSet[piece_Make(enemy, QUEEN)] & survivors;
    if ((PieceSet[piece_Make(enemy, KNIGHT)] & survivors & kAttack.knight[king]) != 0 ||
        (PieceSet[piece_Make(enemy, PAWN)] & survivors & kAttack.pawnAttackers[enemy][king]) != 0)
        return false;
    auto reaches = [&](SquareSet sliders) {
        for (; sliders != 0; sliders &= sliders - 1) {
            const squareT sq = squareT(std::countr_zero(sliders));
            if ((kAttack.between[king][sq] & occupied) == 0) return true;
        }
        return false;
    };
    const SquareSet straight =
        (queens | (PieceSet[piece_Make(enemy, ROOK)] & survivors)) & kAttack.rookLines[king];
    const SquareSet diagonal =
        (queens | (PieceSet[piece_Make(enemy, BISHOP)] & survivors)) & kAttack.bishopLines[king];
    return !reaches(straight) && !reaches(diagonal);
}

inline bool Position::pieceMoveIsLegal(squareT from, squareT to) const {
    // The king stays where it is, so only a piece that checks it now or one
    // behind `from` on a line to it can attack it after the move, unless the
    // move takes that piece. A knight's or pawn's check cannot be blocked.
    const colorT enemy = color_Flip(ToMove);
    const squareT king = GetKingSquare();
    const SquareSet kept = ~square_Bit(to);
    if ((((PieceSet[piece_Make(enemy, KNIGHT)] & kAttack.knight[king]) |
          (PieceSet[piece_Make(enemy, PAWN)] & kAttack.pawnAttackers[enemy][king])) &
         kept) != 0)
        return false;
    const SquareSet queens = PieceSet[piece_Make(enemy, QUEEN)];
    SquareSet sliders =
        (((queens | PieceSet[piece_Make(enemy, ROOK)]) & kAttack.rookLines[king]) |
         ((queens | PieceSet[piece_Make(enemy, BISHOP)]) & kAttack.bishopLines[king])) &
        kept;
    if (sliders == 0) return true;
    const SquareSet occupied = (GetOccupied() & ~square_Bit(from)) | square_Bit(to);
    const SquareSet* between = kAttack.between[king];
    for (; sliders != 0; sliders &= sliders - 1) {
        if ((between[std::countr_zero(sliders)] & occupied) == 0) return false;
    }
    return true;
}

bool Position::kingAttacked() const {
    const colorT enemy = color_Flip(ToMove);
    const squareT king = GetKingSquare();
    const SquareSet occupied = GetOccupied();
    const SquareSet queens = PieceSet[piece_Make(enemy, QUEEN)];
    if ((PieceSet[piece_Make(enemy, KNIGHT)] & kAttack.knight[king]) != 0 ||
        (PieceSet[piece_Make(enemy, PAWN)] & kAttack.pawnAttackers[enemy][king]) != 0)
        return true;
    SquareSet sliders =
        ((queens | PieceSet[piece_Make(enemy, ROOK)]) & kAttack.rookLines[king]) |
        ((queens | PieceSet[piece_Make(enemy, BISHOP)]) & kAttack.bishopLines[king]);
    for (; sliders != 0; sliders &= sliders - 1) {
        const squareT sq = squareT(std::countr_zero(sliders));
        if ((kAttack.between[king][sq] & occupied) == 0) return true;
    }
    return false;
}

bool Position::attackedBy(colorT by, squareT sq) const {
    const SquareSet queens = PieceSet[piece_Make(by, QUEEN)];
    if ((PieceSet[piece_Make(by, KNIGHT)] & kAttack.knight[sq]) != 0 ||
        (PieceSet[piece_Make(by, PAWN)] & kAttack.pawnAttackers[by][sq]) != 0)
        return true;
    SquareSet sliders = ((queens | PieceSet[piece_Make(by, ROOK)]) & kAttack.rookLines[sq]) |
                        ((queens | PieceSet[piece_Make(by, BISHOP)]) & kAttack.bishopLines[sq]);
    const SquareSet occupied = GetOccupied();
    for (; sliders != 0; sliders &= sliders - 1) {
        if ((kAttack.between[sq][std::countr_zero(sliders)] & occupied) == 0) return true;
    }
    return false;
}

bool Position::anotherReaches(pieceT p, squareT from, squareT to) const {
    const pieceT type = piece_Type(p);
    SquareSet cands = PieceSet[p] & ~square_Bit(from);
    if (type == KNIGHT) return (cands & kAttack.knight[to]) != 0;
    cands &= type == ROOK     ? kAttack.rookLines[to]
             : type == BISHOP ? kAttack.bishopLines[to]
                              : kAttack.rookLines[to] | kAttack.bishopLines[to];
    const SquareSet occupied = GetOccupied();
    for (; cands != 0; cands &= cands - 1) {
        if ((kAttack.between[squareT(std::countr_zero(cands))][to] & occupied) == 0) return true;
    }
    return false;
}

void Position::MatchLegalMove(MoveList* mlist, pieceT mask, squareT target) {
    ASSERT(mlist != nullptr && target < 64);
    mlist->Clear();
    const colorT c = ToMove;
    if (piece_Color(Board[target]) == c) return;
    const pieceT type = piece_Type(mask);
    if (type < QUEEN || type > KNIGHT) return;
    const pieceT p = piece_Make(c, type);
    // Only pieces of the right kind on a square that can reach the target.
    SquareSet reach = kAttack.knight[target];
    if (type != KNIGHT) {
        reach = type == ROOK     ? kAttack.rookLines[target]
                : type == BISHOP ? kAttack.bishopLines[target]
                                 : kAttack.rookLines[target] | kAttack.bishopLines[target];
    }
    const SquareSet occupied = GetOccupied();
    for (SquareSet cands = PieceSet[p] & reach; cands != 0; cands &= cands - 1) {
        const squareT from = squareT(std::countr_zero(cands));
        if (type != KNIGHT && (kAttack.between[from][target] & occupied) != 0) continue;
        if (pieceMoveIsLegal(from, target)) addMove(mlist, ListPos[from], p, from, target, EMPTY);
    }
}

errorT Position::MatchPawnMove(MoveList* mlist, fyleT fromFyle, squareT to, pieceT promote) {
    ASSERT(mlist != nullptr);
    mlist->Clear();
    simpleMoveT m;
    if (resolvePawnMove(&m, fromFyle, to, promote) != OK) return ERROR_InvalidMove;
    *mlist->Add() = m;
    return OK;
}

errorT Position::resolvePawnMove(simpleMoveT* m, fyleT fromFyle, squareT to, pieceT promote) {
    ASSERT(to < 64);
    const colorT c = ToMove;
    const pieceT pawn = piece_Make(c, PAWN);
    const fyleT toFyle = square_Fyle(to);
    if (fromFyle > H_FYLE || (fromFyle > toFyle ? fromFyle - toFyle : toFyle - fromFyle) > 1)
        return ERROR_InvalidMove;
    const rankT toRank = square_Rank(to);
    const bool lastRank = toRank == (c == WHITE ? RANK_8 : RANK_1);
    promote = piece_Type(promote);
    if (lastRank != (promote != EMPTY)) return ERROR_InvalidMove;
    if (promote != EMPTY && (promote < QUEEN || promote > KNIGHT)) return ERROR_InvalidMove;
    const directionT back = c == WHITE ? DOWN : UP;
    if (toRank == (c == WHITE ? RANK_1 : RANK_8)) return ERROR_InvalidMove;
    squareT from = square_Make(fromFyle, square_Rank(sqMove[to][back]));
    squareT capSq = to;

    if (fromFyle == toFyle) {
        if (Board[to] != EMPTY) return ERROR_InvalidMove;
        if (Board[from] != pawn) {
            // A double step onto the fourth (fifth) rank over an empty square.
            if (toRank != (c == WHITE ? RANK_4 : RANK_5) || Board[from] != EMPTY)
                return ERROR_InvalidMove;
            from = sqMove[from][back];
            if (Board[from] != pawn) return ERROR_InvalidMove;
        }
    } else {
        if (Board[from] != pawn) return ERROR_InvalidMove;
        pieceT q = Board[to];
        if (q == EMPTY) {
            if (to != EPTarget || !epCaptureIsLegal(from, to)) return ERROR_InvalidMove;
            capSq = square_Make(toFyle, square_Rank(from));
        } else if (piece_Color_NotEmpty(q) == c) {
            return ERROR_InvalidMove;
        }
    }
    if (capSq == to ? !pieceMoveIsLegal(from, to) : !trialIsLegal(from, to, capSq))
        return ERROR_InvalidMove;
    setFoundMove(m, ListPos[from], pawn, from, to, Board[to], promote);
    return OK;
}

errorT Position::MatchKingMove(MoveList* mlist, squareT target) {
    ASSERT(mlist != nullptr);
    mlist->Clear();
    simpleMoveT m;
    if (resolveKingMove(&m, target) != OK) return ERROR_InvalidMove;
    *mlist->Add() = m;
    return OK;
}

errorT Position::resolveKingMove(simpleMoveT* m, squareT target) {
    ASSERT(target < 64);
    const colorT c = ToMove;
    const squareT king = GetKingSquare();
    const squareT enemyKing = GetEnemyKingSquare();
    const pieceT kingPiece = Board[king];
    const int fyleStep = int(square_Fyle(target)) - int(square_Fyle(king));
    if (square_Rank(target) == square_Rank(king) && (fyleStep == 2 || fyleStep == -2)) {
        if (king != homeSquare(c, E_FYLE)) return ERROR_InvalidMove;
        const bool kingSide = fyleStep > 0;
        if (StrictCastling && !GetCastling(c, kingSide ? KSIDE : QSIDE)) return ERROR_InvalidMove;
        const squareT corner = homeSquare(c, kingSide ? H_FYLE : A_FYLE);
        if (Board[corner] != piece_Make(c, ROOK)) return ERROR_InvalidMove;
        const int step = kingSide ? 1 : -1;
        for (int sq = king + step; sq != corner; sq += step) {
            if (Board[sq] != EMPTY) return ERROR_InvalidMove;
        }
        const squareT crossed = squareT(king + step);
        const colorT enemy = color_Flip(c);
        if (attackedBy(enemy, king) || attackedBy(enemy, crossed) || attackedBy(enemy, target))
            return ERROR_InvalidMove;
        if (square_Adjacent(target, enemyKing)) return ERROR_InvalidMove;
        setFoundMove(m, 0, kingPiece, king, target, Board[target], EMPTY);
        return OK;
    }
    if (target == king || !square_Adjacent(king, target)) return ERROR_InvalidMove;
    if (square_Adjacent(target, enemyKing)) return ERROR_InvalidMove;
    if (piece_Color(Board[target]) == c) return ERROR_InvalidMove;
    if (!trialIsLegal(king, target, target)) return ERROR_InvalidMove;
    setFoundMove(m, 0, kingPiece, king, target, Board[target], EMPTY);
    return OK;
}

errorT Position::resolvePieceMove(simpleMoveT* m, pieceT type, squareT to, fyleT fromFyle,
                                  rankT fromRank) {
    ASSERT(to < 64 && type >= QUEEN && type <= KNIGHT);
    const colorT c = ToMove;
    if (piece_Color(Board[to]) == c) return ERROR_InvalidMove;
    const pieceT p = piece_Make(c, type);
    // The candidates are the pieces of the kind that attack the target, as
    // written; only they are tested for a king left in check.
    const SquareSet occupied = GetOccupied();
    SquareSet cands = PieceSet[p];
    if (fromFyle != NO_FYLE) cands &= fyle_Set(fromFyle);
    if (fromRank != NO_RANK) cands &= rank_Set(fromRank);
    // Chosen by masks rather than branches, which the kind of piece, varying
    // from move to move, would often send the wrong way.
    const SquareSet straight = SquareSet(0) - SquareSet(type == QUEEN || type == ROOK);
    const SquareSet diagonal = SquareSet(0) - SquareSet(type == QUEEN || type == BISHOP);
    const SquareSet leaping = SquareSet(0) - SquareSet(type == KNIGHT);
    cands &= (kAttack.rookLines[to] & straight) | (kAttack.bishopLines[to] & diagonal) |
             (kAttack.knight[to] & leaping);
    if (cands == 0) return ERROR_InvalidMove;
    squareT from = NULL_SQUARE;
    for (; cands != 0; cands &= cands - 1) {
        const squareT sq = squareT(std::countr_zero(cands));
        // Nothing lies between a knight and its target.
        if ((kAttack.between[sq][to] & occupied) != 0) continue;
        if (!pieceMoveIsLegal(sq, to)) continue;
        if (from != NULL_SQUARE) return ERROR_InvalidMove;
        from = sq;
    }
    if (from == NULL_SQUARE) return ERROR_InvalidMove;
    setFoundMove(m, ListPos[from], p, from, to, Board[to], EMPTY);
    return OK;
}

bool Position::quickConsistent(const simpleMoveT* sm) const {
    squareT to = sm->to;
    pieceT p = Board[to];
    return piece_Color(p) == color_Flip(ToMove) &&
           List[piece_Color_NotEmpty(p)][ListPos[to]] == to &&
           uint32_t(std::popcount(ColorSet[WHITE])) == Count[WHITE] &&
           uint32_t(std::popcount(ColorSet[BLACK])) == Count[BLACK] &&
           Material[WK] + Material[BK] == 2 && Board[List[WHITE][0]] == WK &&
           Board[List[BLACK][0]] == BK;
}

// Here rather than with the other bookkeeping, so that making and redoing
// a move, which every capture passes through, can inline it.
inline byte Position::removePiece(pieceT p, squareT sq) {
    colorT c = piece_Color_NotEmpty(p);
    ASSERT(Board[sq] == p && Count[c] > 0);
    byte idx = ListPos[sq];
    byte last = byte(Count[c] - 1);
    List[c][idx] = List[c][last];
    ListPos[List[c][idx]] = idx;
    Count[c]--;
    Board[sq] = EMPTY;
    Material[p]--;
    countOff(p, sq);
    return idx;
}

// What a move does besides moving its piece, the same whether it is made or
// redone: the rook of a castling, the rights it takes away and the
// en-passant target it leaves (cleared before).
inline void Position::finishMove(colorT c, pieceT type, squareT from, squareT to) {
    const colorT enemy = color_Flip(c);
    if (type == KING && square_Fyle(from) == E_FYLE) [[unlikely]] {
        if (square_Fyle(to) == G_FYLE) {
            ASSERT(Board[to + 1] == piece_Make(c, ROOK));
            shiftPiece(Board[to + 1], squareT(to + 1), squareT(to - 1));
        } else if (square_Fyle(to) == C_FYLE) {
            ASSERT(Board[to - 2] == piece_Make(c, ROOK));
            shiftPiece(Board[to - 2], squareT(to - 2), squareT(to + 1));
        }
    }
    if (Castling != 0) {
        const byte own = kColorRights[c];
        // A corner's right goes with a move from the mover's own corner or
        // onto the opponent's; both of the mover's with a king move.
        byte lost = byte((kCornerRight[from] & own) | (kCornerRight[to] & ~own));
        if (type == KING) lost |= own;
        Castling &= byte(~lost);
    }
    if (type == PAWN && (to == from + 16 || from == to + 16)) {
        const pieceT enemyPawn = piece_Make(enemy, PAWN);
        if (Board[sqMove[to][LEFT]] == enemyPawn || Board[sqMove[to][RIGHT]] == enemyPawn)
            EPTarget = squareT((from + to) / 2);
    }
}

void Position::DoSimpleMove(simpleMoveT* sm) {
    ASSERT(sm != nullptr);
    const colorT c = ToMove;
    const colorT enemy = color_Flip(c);
    const squareT from = sm->from, to = sm->to;
    sm->castleFlags = Castling;
    sm->epSquare = EPTarget;
    sm->oldHalfMoveClock = HalfMoveClock;
    HalfMoveClock++;
    PlyCounter++;

    if (isNullMove(*sm)) {
        ASSERT(from == GetKingSquare());
        sm->pieceNum = 0;
        sm->capturedPiece = EMPTY;
        sm->capturedSquare = to;
        ToMove = enemy;
        EPTarget = NULL_SQUARE;
        return;
    }

    ASSERT((from | to) < 64 && from != to);
    pieceT p = Board[from];
    ASSERT(p == sm->movingPiece && piece_Color(p) == c);
    sm->pieceNum = ListPos[from];
    const pieceT type = piece_Type(p);
    pieceT captured = Board[to];
    squareT capSq = to;
    if (type == PAWN && captured == EMPTY && square_Fyle(from) != square_Fyle(to)) {
        capSq = squareT(c == WHITE ? to - 8 : to + 8);
        captured = Board[capSq];
        ASSERT(captured == piece_Make(enemy, PAWN));
    }
    sm->capturedPiece = captured;
    sm->capturedSquare = capSq;
    if (captured != EMPTY) {
        ASSERT(piece_Color(captured) == enemy && piece_Type(captured) != KING);
        sm->capturedNum = removePiece(captured, capSq);
        HalfMoveClock = 0;
    }
    if (sm->promote != EMPTY) {
        ASSERT(type == PAWN && sm->promote >= QUEEN && sm->promote <= KNIGHT);
        p = piece_Make(c, sm->promote);
        changePiece(from, p);
    }
    shiftPiece(p, from, to);
    if (type == PAWN) HalfMoveClock = 0;
    EPTarget = NULL_SQUARE;
    finishMove(c, type, from, to);
    ToMove = enemy;

    // Checked in debug builds only: replaying a corpus makes this the hottest
    // path, and tests and fuzzers check the full IsConsistent anyway.
#ifndef NDEBUG
    if (!quickConsistent(sm) || !listsAgree()) consistencyFailure(__FILE__, __LINE__);
#endif
}

// Walks redo every move of every game they test, so this does only what the
// record leaves open, with the rare cases (a pass, captures, promotions) set
// apart.
void Position::ReplaySimpleMove(const simpleMoveT& sm) {
    const colorT c = ToMove;
    ToMove = color_Flip(c);
    PlyCounter++;
    EPTarget = NULL_SQUARE;
    const squareT from = sm.from, to = sm.to;
    // DoSimpleMove makes no move with equal squares but a pass.
    if (from == to) [[unlikely]] {
        HalfMoveClock++;
        return;
    }
    const pieceT type = piece_Type(sm.movingPiece);
    uint16_t clock = type == PAWN ? 0 : uint16_t(HalfMoveClock + 1);
    if (sm.capturedPiece != EMPTY) [[unlikely]] {
        removePiece(sm.capturedPiece, sm.capturedSquare);
        clock = 0;
    }
    HalfMoveClock = clock;
    pieceT p = sm.movingPiece;
    if (sm.promote != EMPTY) [[unlikely]] {
        p = piece_Make(c, sm.promote);
        changePiece(from, p);
    }
    shiftPiece(p, from, to);
    finishMove(c, type, from, to);

#ifndef NDEBUG
    if (!quickConsistent(&sm) || !listsAgree()) consistencyFailure(__FILE__, __LINE__);
#endif
}

void Position::UndoSimpleMove(simpleMoveT* sm) {
    ASSERT(sm != nullptr);
    EPTarget = sm->epSquare;
    Castling = sm->castleFlags;
    HalfMoveClock = sm->oldHalfMoveClock;
    PlyCounter--;
    ToMove = color_Flip(ToMove);
    if (isNullMove(*sm)) return;

    const colorT c = ToMove;
    const squareT from = sm->from, to = sm->to;
    pieceT p = Board[to];
    ASSERT(piece_Color(p) == c && ListPos[to] == sm->pieceNum && Board[from] == EMPTY);
    if (piece_Type(p) == KING && square_Fyle(from) == E_FYLE) {
        if (square_Fyle(to) == G_FYLE) {
            shiftPiece(Board[to - 1], squareT(to - 1), squareT(to + 1));
        } else if (square_Fyle(to) == C_FYLE) {
            shiftPiece(Board[to + 1], squareT(to + 1), squareT(to - 2));
        }
    }
    shiftPiece(p, to, from);
    if (sm->promote != EMPTY) changePiece(from, piece_Make(c, PAWN));
    if (sm->capturedPiece != EMPTY)
        restorePiece(sm->capturedPiece, sm->capturedSquare, sm->capturedNum);

#ifndef NDEBUG
    if (!listsAgree()) consistencyFailure(__FILE__, __LINE__);
#endif
}
