// The board editor's board: a board and, beside it, a tray of the pieces and
// wider designators the language has. A click on the tray picks the piece a
// click on the board puts down; pieces are dragged from the tray or from
// square to square, Ctrl+click adds a piece to a square's choice, a right
// click clears a square. Shift+drag (or Shift+click) selects squares, and
// the tray piece chosen next covers them all as one designator.
#pragma once

#include <QWidget>

#include "pelk/boardquery.h"

class BoardEditorWidget : public QWidget {
    Q_OBJECT

  public:
    // The fixed geometry, which a test on a real display clicks by.
    static constexpr int kSquare = 48;
    static constexpr int kLeft = 18;  // the rank digits' margin
    static constexpr int kTop = 6;
    static constexpr int kTrayGap = 14;

    explicit BoardEditorWidget(QWidget* parent = nullptr);

    const BoardQuery& query() const { return query_; }
    BoardQuery& query() { return query_; }
    void setQuery(const BoardQuery& query);

    int brush() const { return brush_; }  // a tray item
    void setBrush(int item);
    quint64 selection() const { return selection_; }
    void clearSelection();

    // Where things are, for tests: the centre of a square or a tray item.
    QPoint squareCenter(squareT sq) const;
    QPoint trayCenter(int item) const;

  signals:
    // The designators changed.
    void changed();
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    squareT squareAt(const QPoint& p) const;
    int trayAt(const QPoint& p) const;
    QRect trayRect(int item) const;
    void edited();

    BoardQuery query_;
    int brush_ = 1;  // the white queen
    quint64 selection_ = 0;
    // The press that a drag or click started from.
    squareT pressSquare_ = NULL_SQUARE;
    int pressTray_ = -1;
    bool selecting_ = false;
    QPoint dragPoint_;
    bool dragging_ = false;
};
