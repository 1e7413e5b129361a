#include "pelk/boardeditorwidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <bit>

#include "pelk/boarddrawing.h"

using namespace boardpieces;

namespace {

const QColor kSelection(0x3a, 0x8f, 0xd8, 120);
const QColor kBrush(0x3a, 0x8f, 0xd8);
const QColor kTray(0xf4, 0xf1, 0xea);

// The tray has a white column and a black one: the six pieces, then A and ?
// beside a and . .
constexpr int kTrayRows = 8;
int trayColumn(int item) {
    return (item >= 6 && item < 12) || item == 13 || item == 15 ? 1 : 0;
}
int trayRow(int item) {
    if (item < 12) return item % 6;
    return item < 14 ? 6 : 7;
}

// Distinct tints for the square sets, in turn.
QColor groupColor(int i) {
    QColor c = QColor::fromHsv((i * 67 + 20) % 360, 150, 230);
    c.setAlpha(110);
    return c;
}

boarddrawing::Layout editorLayout() {
    boarddrawing::Layout l;
    l.square = BoardEditorWidget::kSquare;
    l.left = BoardEditorWidget::kLeft;
    l.top = BoardEditorWidget::kTop;
    l.margin = BoardEditorWidget::kLeft;
    return l;
}

quint64 rectangle(squareT a, squareT b) {
    quint64 set = 0;
    const int f0 = std::min(square_Fyle(a), square_Fyle(b)),
              f1 = std::max(square_Fyle(a), square_Fyle(b));
    const int r0 = std::min(square_Rank(a), square_Rank(b)),
              r1 = std::max(square_Rank(a), square_Rank(b));
    for (int f = f0; f <= f1; ++f)
        for (int r = r0; r <= r1; ++r) set |= quint64(1) << (r * 8 + f);
    return set;
}

// The tray items of a set of pieces drawn into one square: one fills it,
// more share it in a grid.
void drawPieces(QPainter& p, const QRectF& r, quint16 pieces, qreal scale = 1) {
    const QList<int> items = trayItemsOf(pieces);
    if (items.isEmpty()) return;
    const int grid = items.size() == 1 ? 1 : items.size() <= 4 ? 2 : 3;
    const qreal cell = r.width() / grid;
    // Rows left empty split the room above and below the ones drawn.
    const int rows = std::min(grid, int((items.size() + grid - 1) / grid));
    const qreal top = r.top() + (grid - rows) * cell / 2;
    for (int i = 0; i < items.size() && i < grid * grid; ++i) {
        const QRectF c(r.left() + (i % grid) * cell, top + (i / grid) * cell, cell, cell);
        const QRectF inner =
            c.adjusted(c.width() * (1 - scale) / 2, c.height() * (1 - scale) / 2,
                       -c.width() * (1 - scale) / 2, -c.height() * (1 - scale) / 2);
        boarddrawing::drawPieceChar(p, inner, kTrayChars[items[i]]);
    }
}

}  // namespace

BoardEditorWidget::BoardEditorWidget(QWidget* parent) : QWidget(parent) {
    setFixedSize(kLeft + 8 * kSquare + kTrayGap + 2 * kSquare + 6, kTop + 8 * kSquare + kLeft);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void BoardEditorWidget::setQuery(const BoardQuery& query) {
    query_ = query;
    selection_ = 0;
    update();
    emit changed();
}

void BoardEditorWidget::setBrush(int item) {
    if (item < 0 || item >= kTraySize) return;
    brush_ = item;
    update();
}

void BoardEditorWidget::clearSelection() {
    if (selection_ == 0) return;
    selection_ = 0;
    update();
    emit selectionChanged();
}

QPoint BoardEditorWidget::squareCenter(squareT sq) const {
    return boarddrawing::squareRect(editorLayout(), sq, false).center().toPoint();
}

QRect BoardEditorWidget::trayRect(int item) const {
    return QRect(kLeft + 8 * kSquare + kTrayGap + trayColumn(item) * kSquare,
                 kTop + trayRow(item) * kSquare, kSquare, kSquare);
}

QPoint BoardEditorWidget::trayCenter(int item) const {
    return trayRect(item).center();
}

squareT BoardEditorWidget::squareAt(const QPoint& p) const {
    return boarddrawing::squareAt(editorLayout(), p, false);
}

int BoardEditorWidget::trayAt(const QPoint& p) const {
    for (int item = 0; item < kTraySize; ++item)
        if (trayRect(item).contains(p)) return item;
    return -1;
}

void BoardEditorWidget::edited() {
    update();
    emit changed();
}

void BoardEditorWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    pressSquare_ = squareAt(p);
    pressTray_ = trayAt(p);
    dragPoint_ = p;
    dragging_ = false;
    selecting_ = false;
    if (event->button() == Qt::RightButton) {
        if (pressSquare_ < 64) {
            query_.clearSquare(pressSquare_);
            edited();
        }
        pressSquare_ = NULL_SQUARE;
        pressTray_ = -1;
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (pressTray_ >= 0) {
        setBrush(pressTray_);
        if (selection_ != 0) {
            // The selected squares become one designator of this piece.
            query_.addGroup(selection_, trayPieces(pressTray_));
            clearSelection();
            edited();
            pressTray_ = -1;
        }
        return;
    }
    selecting_ = pressSquare_ < 64 && (event->modifiers() & Qt::ShiftModifier);
}

void BoardEditorWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    dragPoint_ = event->position().toPoint();
    dragging_ = true;
    update();
}

void BoardEditorWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    const squareT at = squareAt(p);
    const squareT from = pressSquare_;
    const int tray = pressTray_;
    pressSquare_ = NULL_SQUARE;
    pressTray_ = -1;
    const bool wasDragging = dragging_;
    dragging_ = false;
    if (selecting_) {
        selecting_ = false;
        if (at < 64) {
            if (at == from) {
                selection_ ^= quint64(1) << at;
            } else {
                selection_ |= rectangle(from, at);
            }
            emit selectionChanged();
        }
        update();
        return;
    }
    if (tray >= 0) {
        // Dragged from the tray onto a square.
        if (at < 64) {
            query_.setSquare(at, trayPieces(tray));
            edited();
        }
        update();
        return;
    }
    if (from >= 64) return;
    if (at == from || !wasDragging) {
        const quint16 brush = trayPieces(brush_);
        if (event->modifiers() & Qt::ControlModifier) {
            query_.togglePiece(from, brush);
        } else {
            // A second click with the same piece takes it off again.
            query_.setSquare(from, query_.piecesAt(from) == brush ? 0 : brush);
        }
    } else if (at < 64) {
        query_.move(from, at);
    } else {
        query_.setSquare(from, 0);  // dragged off the board
    }
    edited();
}

void BoardEditorWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && selection_ != 0) {
        clearSelection();
        return;
    }
    QWidget::keyPressEvent(event);
}

void BoardEditorWidget::paintEvent(QPaintEvent*) {
    using namespace boarddrawing;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Layout l = editorLayout();
    drawSquares(p, l, false);
    drawCoordinates(p, l, false, font(), palette().windowText().color());

    // Square sets: each tinted in its own colour, its pieces drawn smaller.
    // A designator of the whole board stands in the list beside the board.
    int group = 0;
    for (const BoardDesignator& d : query_.designators()) {
        if (std::popcount(d.squares) < 2 || d.squares == ~quint64(0)) continue;
        const QColor tint = groupColor(group++);
        for (squareT s = 0; s < 64; ++s) {
            if (!(d.squares & (quint64(1) << s))) continue;
            const QRectF r = squareRect(l, s, false);
            p.fillRect(r, tint);
            if (query_.piecesAt(s) == 0) drawPieces(p, r, d.pieces, 0.62);
        }
    }
    for (squareT s = 0; s < 64; ++s) drawPieces(p, squareRect(l, s, false), query_.piecesAt(s));
    for (squareT s = 0; s < 64; ++s) {
        if (selection_ & (quint64(1) << s)) p.fillRect(squareRect(l, s, false), kSelection);
    }
    if (selecting_ && dragging_ && pressSquare_ < 64) {
        const squareT at = squareAt(dragPoint_);
        if (at < 64) {
            const quint64 r = rectangle(pressSquare_, at);
            for (squareT s = 0; s < 64; ++s)
                if (r & (quint64(1) << s)) p.fillRect(squareRect(l, s, false), kSelection);
        }
    }

    for (int item = 0; item < kTraySize; ++item) {
        const QRect r = trayRect(item);
        p.fillRect(r, kTray);
        drawPieceChar(p, QRectF(r).adjusted(3, 3, -3, -3), kTrayChars[item]);
        if (item == brush_) {
            p.setPen(QPen(kBrush, 3));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5));
        }
    }
    // A piece dragged from the tray follows the pointer.
    if (dragging_ && pressTray_ >= 0) {
        drawPieceChar(
            p, QRectF(dragPoint_.x() - kSquare / 2, dragPoint_.y() - kSquare / 2, kSquare, kSquare),
            kTrayChars[pressTray_]);
    }
}
