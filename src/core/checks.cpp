// The query engine's check, mate and stalemate tests. Each refreshes the
// position's cached check information as it goes, so later generation and
// the filters see the same answer.
#include "core/position.h"

bool Position::myIsKingInCheck() {
    // Most positions are not check: the square-set test settles those, and
    // with no checker there are no check squares to record.
    if (!kingAttacked()) {
        NumChecks = 0;
        return false;
    }
    NumChecks = CalcNumChecks(GetKingSquare(), CheckSquares);
    return NumChecks > 0;
}

bool Position::myIsKingInMate() {
    if (!kingAttacked()) {
        NumChecks = 0;
        return false;
    }
    NumChecks = CalcNumChecks(GetKingSquare(), CheckSquares);
    if (NumChecks == 0) return false;
    // A checked king usually has a square to step to, which already rules
    // out mate; only without one are the other evasions generated.
    if (kingCanStep()) return false;
    CalcPins();
    MoveList evasions;
    GenCheckEvasions(&evasions, EMPTY, GEN_ALL_MOVES);
    return evasions.Size() == 0;
}

bool Position::kingCanStep() {
    // The square-set legality test does not look at the other king, so
    // squares next to it are left out here.
    const squareT king = GetKingSquare();
    const squareT enemyKing = GetKingSquare(color_Flip(ToMove));
    for (const squareT* to = kingAttacks[king].data(); *to != NULL_SQUARE; to++) {
        if (piece_Color(Board[*to]) != ToMove && !square_Adjacent(*to, enemyKing) &&
            trialIsLegal(king, *to, *to))
            return true;
    }
    return false;
}

bool Position::HasLegalMove() {
    if (kingCanStep()) return true;
    MoveList moves;
    GenerateMoves(&moves);
    return moves.Size() > 0;
}

bool Position::myIsKingInStalemate() {
    GenerateMoves(nullptr, EMPTY, GEN_ALL_MOVES, true);
    if (LegalMoves->Size() > 0) return false;
    return NumChecks == 0;
}
