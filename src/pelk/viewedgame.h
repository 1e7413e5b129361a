// One game of a result file laid out for the viewer: every position of its
// move tree in the order a reader of its PGN meets them, each with the move
// that led there, its comment, its marks, its board and its FEN, replayed
// once with the chess core when the game is shown.
#pragma once

#include <QString>
#include <QVector>
#include <array>

#include "core/common.h"

class Game;

struct ViewedNode {
    int parent = -1;              // the position before this node's move; -1 at the start
    int next = -1;                // the next move of the same line; -1 at its end
    int depth = 0;                // variation level: 0 on the main line
    bool variationStart = false;  // the first move of a variation
    int moveNumber = 1;           // full-move number of the move
    bool blackMoved = false;      // the move was Black's
    QString san;                  // with its annotation symbols
    QString preComment;           // a comment before the first move of a variation
    QString comment;              // the comment after the move
    int marks = 0;                // resultmarks bits of the position reached
    squareT from = NULL_SQUARE;   // the move's squares, for the board's highlight
    squareT to = NULL_SQUARE;
    std::array<pieceT, 64> board{};
    QString fen;
};

class ViewedGame {
  public:
    // Lays out the game; the game's cursor is left at its start.
    void build(Game& game);

    const QVector<ViewedNode>& nodes() const { return nodes_; }
    const ViewedNode& node(int i) const { return nodes_[i]; }
    int size() const { return int(nodes_.size()); }
    // The marked positions in reader order; a position may appear more than
    // once when a variation's opening comment marks it again.
    const QVector<int>& marks() const { return marks_; }
    // The last position of the line through node i.
    int lineEnd(int i) const;

    QString white, black, event, site, date, round, result;

  private:
    QVector<ViewedNode> nodes_;
    QVector<int> marks_;
};
