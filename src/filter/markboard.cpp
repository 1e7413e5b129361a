#include "filter/markboard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/position.h"
#include "query/util.h"

MarkBoard::MarkBoard() {
    squares_to_marks.fill(-1);
    saved_squares_to_marks.fill(-1);
    squares_to_marks_stack.resize(stackreserve);
    saved_squares_to_marks_stack.reserve(stackreserve);
}

void MarkBoard::createNewGame(Game* g) {
    game = g;
    setMasks();
}

void MarkBoard::initialize(Game* g) {
    game = g;
    top = -1;
    nmarkers = 0;
    const pieceT* board = g->GetCurrentPos()->GetBoard();
    for (int sq = 0; sq < 64; sq++)
        squares_to_marks[sq] = board[sq] == EMPTY ? int8_t(-1) : int8_t(nmarkers++);
}

void MarkBoard::push() {
    // The stack only ever grows: a line deeper than any before costs one
    // allocation, every later one of that depth none.
    if (++top == int(squares_to_marks_stack.size()))
        squares_to_marks_stack.push_back(squares_to_marks);
    else
        squares_to_marks_stack[top] = squares_to_marks;
}

void MarkBoard::pop() {
    ASSERT(top >= 0);
    squares_to_marks = squares_to_marks_stack[top--];
}

// The marks of the position after `move`, made from the position before it.
void MarkBoard::moveMarks(const simpleMoveT& move) {
    squareT from = move.from, to = move.to;
    // A null move moves no piece.
    if (from == to) return;
    const Position* pos = game->GetCurrentPos();
    const pieceT* board = pos->GetBoard();
    int8_t* marks = squares_to_marks.data();
    ASSERT(marks[from] >= 0);
    pieceT type = piece_Type(board[from]);
    if (type == PAWN && board[to] == EMPTY && square_Fyle(from) != square_Fyle(to)) {
        int captured = pos->GetToMove() == WHITE ? to - 8 : to + 8;
        ASSERT(marks[captured] >= 0 && piece_Type(board[captured]) == PAWN);
        marks[captured] = -1;
    } else if (type == KING && square_Fyle(from) == E_FYLE) {
        int rookFrom = -1, rookTo = -1;
        if (square_Fyle(to) == C_FYLE) {
            rookFrom = to - 2;
            rookTo = to + 1;
        } else if (square_Fyle(to) == G_FYLE) {
            rookFrom = to + 1;
            rookTo = to - 1;
        }
        if (rookFrom >= 0) {
            ASSERT(marks[rookFrom] >= 0);
            marks[rookTo] = marks[rookFrom];
            marks[rookFrom] = -1;
        }
    }
    // A captured piece's mark is overwritten; a promoted pawn keeps its own.
    marks[to] = marks[from];
    marks[from] = -1;
}

void MarkBoard::MoveForward() {
    const moveT* move = game->GetCurrentMove();
    ASSERT(move != nullptr);
    // Walks make this move for every position of every game and binding:
    // the whole board is compared with the game in debug builds only.
#ifndef NDEBUG
    verify();
#endif
    push();
    moveMarks(move->moveData);
    errorT moved = game->MoveForward();
    ASSERT(moved == OK);
}

void MarkBoard::MoveBackup() {
    pop();
    errorT moved = game->MoveBackup();
    ASSERT(moved == OK);
}

void MarkBoard::MoveIntoVariation(uint32_t variation) {
    // A variation starts from the position its first move is played in: the
    // marks stay as they are.
    errorT entered = game->MoveIntoVariation(variation);
    ASSERT(entered == OK);
    verify();
}

void MarkBoard::MoveExitVariation() {
    while (!game->AtVarStart()) MoveBackup();
    errorT left = game->MoveExitVariation();
    ASSERT(left == OK);
    verify();
}

void MarkBoard::SaveState() {
    ASSERT(!saved && game != nullptr);
    if (debug) {
        printf("saveState called at markboard: ");
        print();
    }
    game->SaveState();
    saved_top = top;
    saved_squares_to_marks = squares_to_marks;
    saved_squares_to_marks_stack.assign(squares_to_marks_stack.begin(),
                                        squares_to_marks_stack.begin() + (top + 1));
    saved = true;
}

void MarkBoard::RestoreState() {
    ASSERT(saved);
    if (debug) {
        printf("restoreState called at markboard: ");
        print();
    }
    verify();
    errorT restored = game->RestoreState();
    ASSERT(restored == OK);
    top = saved_top;
    squares_to_marks = saved_squares_to_marks;
    // The stack held at least these entries when they were saved, and it
    // never shrinks.
    std::copy(saved_squares_to_marks_stack.begin(), saved_squares_to_marks_stack.end(),
              squares_to_marks_stack.begin());
    saved = false;
    verify();
}

void MarkBoard::setMasks() {
    ASSERT(game != nullptr);
    game->MoveToPly(0);
    initialize(game);
    std::fill(std::begin(piecemasks), std::end(piecemasks), 0u);
    const pieceT* board = game->GetCurrentPos()->GetBoard();
    for (int sq = 0; sq < 64; sq++)
        if (squares_to_marks[sq] >= 0) piecemasks[squares_to_marks[sq]] |= 1u << board[sq];

    // Every position of the game tree, each line walked forward from where it
    // branches; kept on a stack rather than in recursion, so that no game is
    // too long. A move changes the code of its moving piece at most (a
    // promotion), so the piece on the destination is all there is to note.
    nextVariation.assign(1, 0);
    for (;;) {
        uint32_t& next = nextVariation.back();
        if (next < game->GetNumVariations()) {
            MoveIntoVariation(next++);
            nextVariation.push_back(0);
            continue;
        }
        if (!game->AtVarEnd()) {
            squareT to = game->GetCurrentMove()->moveData.to;
            MoveForward();
            next = 0;
            ASSERT(board[to] != EMPTY && squares_to_marks[to] >= 0);
            piecemasks[squares_to_marks[to]] |= 1u << board[to];
            continue;
        }
        nextVariation.pop_back();
        if (nextVariation.empty()) break;
        MoveExitVariation();
    }
    game->MoveToPly(0);
    initialize(game);
}

bool MarkBoard::consistent() const {
    const pieceT* board = game->GetCurrentPos()->GetBoard();
    uint64_t seen = 0;
    for (int sq = 0; sq < 64; sq++) {
        int mark = squares_to_marks[sq];
        if (board[sq] == EMPTY) {
            if (mark != -1) return false;
            continue;
        }
        if (mark < 0 || mark >= nmarkers || (seen >> mark & 1)) return false;
        seen |= uint64_t(1) << mark;
    }
    return true;
}

void MarkBoard::verify() const {
    if (consistent()) return;
    printf("verification failure at board: \n");
    util::my_dump_board(game->GetCurrentPos()->GetBoard());
    printf("and markboard of: ");
    print();
    _MyAssert(__FILE__, __LINE__);
}

void MarkBoard::print() const {
    printf("printing marked board: \n");
    for (int rank = 7; rank >= 0; rank--) {
        printf("   ");
        for (int file = 0; file < 8; file++) {
            int mark = squares_to_marks[rank * 8 + file];
            if (mark >= 0)
                printf("%3d", mark);
            else
                printf("%3c", rank % 2 == file % 2 ? '+' : '-');
        }
        printf("\n");
    }
    printf("Printing the underlying board:\n");
    if (game != nullptr) util::my_dump_board(game->GetCurrentPos()->GetBoard());
    for (int mark = 0; mark < nmarkers; mark++)
        printf("piecemasks[%d]: %x\n", mark, piecemasks[mark]);
}

int MarkBoard::squareOf(int mark) const {
    ASSERT(mark >= 0 && mark < 64);
    const void* at = memchr(squares_to_marks.data(), mark, squares_to_marks.size());
    return at == nullptr ? -1 : int(static_cast<const int8_t*>(at) - squares_to_marks.data());
}
