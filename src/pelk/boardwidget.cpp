#include "pelk/boardwidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "pelk/boarddrawing.h"
#include "pelk/resultmarks.h"

namespace {

const QColor kLastMove(0xf2, 0xd2, 0x3c, 120);
const QColor kSelected(0x3a, 0x8f, 0xd8, 110);
const QColor kMatch(0xc8, 0x3a, 0x22);
const QColor kMatch2(0x23, 0x62, 0xc0);

}  // namespace

BoardWidget::BoardWidget(QWidget* parent) : QWidget(parent) {
    board_.fill(EMPTY);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
}

void BoardWidget::setPosition(const std::array<pieceT, 64>& board, squareT from, squareT to,
                              int marks) {
    if (board != board_) clearSelection();
    board_ = board;
    from_ = from;
    to_ = to;
    marks_ = marks;
    update();
}

void BoardWidget::flip() {
    flipped_ = !flipped_;
    update();
}

void BoardWidget::toggleSelected(squareT sq) {
    if (sq >= 64) return;
    selected_ ^= quint64(1) << sq;
    update();
    emit selectionChanged();
}

void BoardWidget::clearSelection() {
    if (selected_ == 0) return;
    selected_ = 0;
    update();
    emit selectionChanged();
}

squareT BoardWidget::squareAt(const QPointF& point) const {
    return boarddrawing::squareAt(boarddrawing::fit(width(), height()), point, flipped_);
}

void BoardWidget::mousePressEvent(QMouseEvent* event) {
    // A click picks the pieces that "Search this position" takes.
    if (event->button() == Qt::LeftButton) toggleSelected(squareAt(event->position()));
    QWidget::mousePressEvent(event);
}

void BoardWidget::paintEvent(QPaintEvent*) {
    using namespace boarddrawing;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());

    // The coordinates take a margin left of and below the board, the mark's
    // badge a band above it.
    const Layout layout = fit(width(), height());
    const qreal sq = layout.square;
    if (sq < 4) return;
    const qreal boardSide = 8 * sq;
    const qreal left = layout.left, top = layout.top, band = layout.band;

    drawSquares(p, layout, flipped_);
    if (from_ < 64 && to_ < 64) {
        p.fillRect(squareRect(layout, from_, flipped_), kLastMove);
        p.fillRect(squareRect(layout, to_, flipped_), kLastMove);
    }
    for (squareT s = 0; s < 64; ++s) {
        if (selected_ & (quint64(1) << s)) p.fillRect(squareRect(layout, s, flipped_), kSelected);
    }
    for (squareT s = 0; s < 64; ++s) drawPiece(p, squareRect(layout, s, flipped_), board_[s]);
    drawCoordinates(p, layout, flipped_, font(), palette().windowText().color());

    if (marks_ != 0) {
        // A frame round the board in the mark's colour, and a badge naming it.
        const QColor color = (marks_ & resultmarks::kMatch) ? kMatch : kMatch2;
        const qreal pen = std::max<qreal>(3, sq * 0.07);
        p.setPen(QPen(color, pen));
        p.setBrush(Qt::NoBrush);
        p.drawRect(
            QRectF(left, top, boardSide, boardSide).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2));
        QStringList names;
        if (marks_ & resultmarks::kMatch) names << QStringLiteral("MATCH");
        if (marks_ & resultmarks::kMatch2) names << QStringLiteral("MATCH2");
        QFont badgeFont = font();
        badgeFont.setBold(true);
        badgeFont.setPixelSize(int(std::max<qreal>(11, band * 0.62)));
        p.setFont(badgeFont);
        const QString label = names.join(u' ');
        const QFontMetricsF metrics(badgeFont);
        const qreal badgeWidth = metrics.horizontalAdvance(label) + band * 0.8;
        const QRectF badge(left + boardSide - badgeWidth, top - band - 1, badgeWidth, band);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(badge.adjusted(0, 0, 0, 4), 4, 4);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, label);
    }
}
