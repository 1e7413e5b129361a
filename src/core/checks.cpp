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
    NumChecks = CalcNumChecks(GetKingSquare(), CheckSquares);
    if (NumChecks == 0) return false;
    CalcPins();
    MoveList evasions;
    GenCheckEvasions(&evasions, EMPTY, GEN_ALL_MOVES);
    return evasions.Size() == 0;
}

bool Position::myIsKingInStalemate() {
    GenerateMoves(nullptr, EMPTY, GEN_ALL_MOVES, true);
    if (LegalMoves->Size() > 0) return false;
    return NumChecks == 0;
}
