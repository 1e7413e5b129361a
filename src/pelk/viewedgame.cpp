#include "pelk/viewedgame.h"

#include <memory>
#include <vector>

#include "core/date.h"
#include "core/game.h"
#include "core/position.h"
#include "pelk/resultindex.h"
#include "pelk/resultmarks.h"

namespace {

QString fenOf(const Position& pos) {
    char fen[128];
    pos.PrintFEN(fen, FEN_ALL_FIELDS);
    return QString::fromLatin1(fen);
}

QString text(const char* s) {
    return ResultIndex::decoded(s);
}

void fillBoard(ViewedNode& node, const Position& pos) {
    for (squareT sq = 0; sq < 64; ++sq) node.board[sq] = pos.GetPiece(sq);
    node.fen = fenOf(pos);
}

// The move in SAN, written from the position before it, with its NAGs.
QString sanWithNags(const moveT& m, Position& before) {
    char text[16];
    simpleMoveT move = m.moveData;
    before.MakeSANString(&move, text, SAN_MATETEST);
    QString san = QString::fromLatin1(text);
    for (byte i = 0; i < m.nagCount && i < MAX_NAGS && m.nags[i] != 0; ++i) {
        char nag[24];
        game_printNag(m.nags[i], nag, true, PGN_FORMAT_Plain);
        // Move symbols follow the move; the others stand apart.
        if (nag[0] != '!' && nag[0] != '?') san += u' ';
        san += QString::fromUtf8(nag);
    }
    return san;
}

// A line waiting to be laid out: its first move, the position before it and
// the node of that position.
struct PendingLine {
    moveT* first;
    std::unique_ptr<Position> pos;
    int parent;
    int depth;
};

}  // namespace

void ViewedGame::build(Game& game) {
    nodes_.clear();
    marks_.clear();
    white = ResultIndex::tagText(game.GetWhiteStr());
    black = ResultIndex::tagText(game.GetBlackStr());
    event = ResultIndex::tagText(game.GetEventStr());
    site = ResultIndex::tagText(game.GetSiteStr());
    round = ResultIndex::tagText(game.GetRoundStr());
    char dateText[16];
    date_DecodeToString(game.GetDate(), dateText);
    date = QString::fromLatin1(dateText);
    result = QString::fromLatin1(RESULT_LONGSTR[game.GetResult() & 3]);

    game.MoveToPly(0);
    moveT* first = game.myCursor();
    ViewedNode start;
    start.comment = text(first->prev->comment);
    start.marks = resultmarks::marksOf(first->prev->comment);
    fillBoard(start, *game.GetCurrentPos());
    nodes_.push_back(start);
    if (start.marks != 0) marks_.push_back(0);

    // Lines in reader order: a move, then the variations that replace it,
    // then the rest of the line. The stack holds the rest of each line while
    // its variations are read, so nesting costs no recursion.
    std::vector<PendingLine> stack;
    auto startPos = std::make_unique<Position>();
    startPos->CopyFrom(*game.GetCurrentPos());
    stack.push_back({first, std::move(startPos), 0, 0});
    while (!stack.empty()) {
        PendingLine& line = stack.back();
        moveT* m = line.first;
        if (m == nullptr || m->marker != NO_MARKER) {
            stack.pop_back();
            continue;
        }
        // Variations start from the position before m.
        std::vector<PendingLine> variations;
        for (moveT* v = m->varChild; v != nullptr; v = v->varChild) {
            auto before = std::make_unique<Position>();
            before->CopyFrom(*line.pos);
            variations.push_back({v, std::move(before), line.parent, line.depth + 1});
        }

        ViewedNode node;
        node.parent = line.parent;
        node.depth = line.depth;
        node.variationStart = line.first->prev != nullptr &&
                              line.first->prev->marker == START_MARKER &&
                              line.first->prev->varParent != nullptr;
        if (node.variationStart) node.preComment = text(line.first->prev->comment);
        node.moveNumber = int(line.pos->GetFullMoveCount());
        node.blackMoved = line.pos->GetToMove() == BLACK;
        node.san = sanWithNags(*m, *line.pos);
        node.comment = text(m->comment);
        node.marks = resultmarks::marksOf(m->comment);
        simpleMoveT move = m->moveData;
        node.from = move.from;
        node.to = move.to;
        line.pos->DoSimpleMove(&move);
        fillBoard(node, *line.pos);
        const int index = int(nodes_.size());
        if (node.variationStart && resultmarks::marksOf(line.first->prev->comment) != 0) {
            marks_.push_back(node.parent);
        }
        if (node.marks != 0) marks_.push_back(index);
        // The previous node of the same line continues with this move.
        if (line.parent >= 0 && !node.variationStart) nodes_[line.parent].next = index;
        nodes_.push_back(node);

        line.first = m->next;
        line.parent = index;
        // A continuing line is no variation start any more.
        // Variations go on top, first one first.
        for (auto it = variations.rbegin(); it != variations.rend(); ++it) {
            it->first = it->first->next;
            stack.push_back(std::move(*it));
        }
    }
    game.MoveToPly(0);
}

int ViewedGame::lineEnd(int i) const {
    while (nodes_[i].next >= 0) i = nodes_[i].next;
    return i;
}
