// The viewer's chess board: the position shown, drawn by the program at any
// size, with coordinates, the last move highlighted and a frame and badge
// on a position the query marked. The pieces are the chess glyphs of a free
// font, filled and outlined as shapes.
#pragma once

#include <QWidget>
#include <array>

#include "core/common.h"

class BoardWidget : public QWidget {
    Q_OBJECT

  public:
    explicit BoardWidget(QWidget* parent = nullptr);

    // The board as 64 pieces from a1 to h8, the squares of the last move
    // (NULL_SQUARE for none) and the position's marks (resultmarks bits).
    void setPosition(const std::array<pieceT, 64>& board, squareT from, squareT to, int marks);
    bool isFlipped() const { return flipped_; }
    int marks() const { return marks_; }
    QSize sizeHint() const override { return {420, 420}; }
    QSize minimumSizeHint() const override { return {160, 160}; }

  public slots:
    void flip();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::array<pieceT, 64> board_{};
    squareT from_ = NULL_SQUARE;
    squareT to_ = NULL_SQUARE;
    int marks_ = 0;
    bool flipped_ = false;
};
