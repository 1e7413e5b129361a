#include "filter/movefilter.h"

#include <cstdio>

#include "core/game.h"
#include "core/position.h"
#include "filter/markboard.h"
#include "filter/pieceloc.h"

bool MoveFilter::matchMove(const Position* pos, const simpleMoveT& move) const {
    const pieceT* board = pos->GetBoard();
    squareT from = move.from, to = move.to;
    // Read from the board rather than from the move record: what matters is
    // what stands on the squares before the move.
    bool isEnPassant = piece_Type(board[from]) == PAWN && board[to] == EMPTY &&
                       square_Fyle(from) != square_Fyle(to);
    if (frompieceloc && !frompieceloc->matchSquare(board, from)) return false;
    if (topieceloc && !topieceloc->matchSquare(board, to)) return false;
    if (promotedpieceloc) {
        pieceT promoted =
            move.promote == EMPTY ? EMPTY : piece_Make(pos->GetToMove(), move.promote);
        if (!promotedpieceloc->matchPieceSquare(promoted, to)) return false;
    }
    if (enpassant && !isEnPassant) return false;
    return !(notenpassant && isEnPassant);
}

bool MoveFilter::matchCurrentMove(const Game* game) const {
    const moveT* move = game->GetCurrentMove();
    return move != nullptr && matchMove(game->GetCurrentPos(), move->moveData);
}

bool MoveFilter::matchCurrentPosition(Game* game, bool searchVariations, MarkBoard* marks) {
    if (matchCurrentMove(game)) return true;
    if (!searchVariations || game->GetCurrentMove() == nullptr) return false;

    // Entering a variation replaces the current move by the variation's first
    // move from the same position; its own variations are alternatives to
    // it in turn. The search goes depth first without recursion, so no
    // nesting is too deep for it.
    nextVariation.clear();
    nextVariation.push_back(0);
    bool found = false;
    while (!nextVariation.empty()) {
        unsigned& next = nextVariation.back();
        if (next < game->GetNumVariations()) {
            gamewalk::intoVariation(game, marks, next++);
            nextVariation.push_back(0);
            if (matchCurrentMove(game)) {
                found = true;
                break;
            }
            continue;
        }
        nextVariation.pop_back();
        if (!nextVariation.empty()) gamewalk::exitVariation(game, marks);
    }
    for (size_t depth = nextVariation.size(); depth > 1; depth--)
        gamewalk::exitVariation(game, marks);
    return found;
}

void MoveFilter::makeFlip(char code) {
    for (pieceLoc* loc : {frompieceloc, topieceloc, promotedpieceloc})
        if (loc) loc->makeFlip(code);
}

bool MoveFilter::makeshift(int dx, int dy) {
    for (pieceLoc* loc : {frompieceloc, topieceloc, promotedpieceloc})
        if (loc && !loc->makeshift(dx, dy)) return false;
    return true;
}

MoveFilter::~MoveFilter() {
    delete frompieceloc;
    delete topieceloc;
    delete promotedpieceloc;
}

MoveFilter* MoveFilter::clone() const {
    MoveFilter* copy = new MoveFilter(*this);
    for (pieceLoc** loc : {&copy->frompieceloc, &copy->topieceloc, &copy->promotedpieceloc})
        if (*loc) *loc = (*loc)->clone();
    return copy;
}

void MoveFilter::print() {
    printf("MoveFilter: ");
    if (frompieceloc) {
        printf(" FromLoc: ");
        frompieceloc->print();
    }
    if (topieceloc) {
        printf(" MovedtoPieceLoc: ");
        topieceloc->print();
    }
    if (promotedpieceloc) {
        printf(" PromotedPieceLoc: ");
        promotedpieceloc->print();
    }
    if (enpassant) printf("enpassant");
    printf("\n");
}
