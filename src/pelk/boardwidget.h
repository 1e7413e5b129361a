// The viewer's chess board: the position shown, drawn at any size with
// coordinates, the last move highlighted and a frame and badge on a position
// the query marked. Clicks select squares, whose pieces "Search this
// position" takes.
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
    // The selected squares, bit n for square n; a new position clears them.
    quint64 selection() const { return selected_; }
    void toggleSelected(squareT sq);
    void clearSelection();
    squareT squareAt(const QPointF& point) const;
    QSize sizeHint() const override { return {420, 420}; }
    QSize minimumSizeHint() const override { return {160, 160}; }

  public slots:
    void flip();

  signals:
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    std::array<pieceT, 64> board_{};
    squareT from_ = NULL_SQUARE;
    squareT to_ = NULL_SQUARE;
    int marks_ = 0;
    bool flipped_ = false;
    quint64 selected_ = 0;
};
