#include "pelk/boardwidget.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include "pelk/resultmarks.h"

namespace {

const QColor kLight(0xec, 0xe3, 0xcf);
const QColor kDark(0x9c, 0x7f, 0x63);
const QColor kLastMove(0xf2, 0xd2, 0x3c, 120);
const QColor kMatch(0xc8, 0x3a, 0x22);
const QColor kMatch2(0x23, 0x62, 0xc0);
const QColor kWhitePiece(0xfb, 0xfb, 0xf8);
const QColor kBlackPiece(0x1c, 0x1c, 0x1c);
const QColor kOutline(0x10, 0x10, 0x10);

// The font whose chess glyphs draw the pieces: DejaVu Sans has them all; any
// other font with them serves as well.
QFont pieceFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(100);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

// The outline of a piece's glyph, centred on the origin with height 1. The
// filled glyph gives the body; the open one adds the inner lines.
struct PieceShape {
    QPainterPath body;
    QPainterPath lines;
};

QPainterPath glyphPath(char16_t code, const QFont& font) {
    QPainterPath path;
    path.addText(0, 0, font, QString(QChar(code)));
    return path;
}

const PieceShape& shapeOf(pieceT type) {
    static std::array<PieceShape, 7> shapes = [] {
        std::array<PieceShape, 7> out;
        const QFont font = pieceFont();
        // Open glyphs from U+2654, filled ones from U+265A, king to pawn.
        for (pieceT t = KING; t <= PAWN; ++t) {
            const char16_t offset = char16_t(t - KING);
            QPainterPath body = glyphPath(char16_t(0x265A + offset), font);
            QPainterPath lines = glyphPath(char16_t(0x2654 + offset), font);
            const QRectF box = body.boundingRect().united(lines.boundingRect());
            const qreal scale = box.height() > 0 ? 1 / std::max(box.height(), box.width()) : 1;
            QTransform t2;
            t2.scale(scale, scale);
            t2.translate(-box.center().x(), -box.center().y());
            out[t] = {t2.map(body), t2.map(lines)};
        }
        return out;
    }();
    return shapes[type];
}

}  // namespace

BoardWidget::BoardWidget(QWidget* parent) : QWidget(parent) {
    board_.fill(EMPTY);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
}

void BoardWidget::setPosition(const std::array<pieceT, 64>& board, squareT from, squareT to,
                              int marks) {
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

void BoardWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());

    // The coordinates take a margin left of and below the board, the mark's
    // badge a band above it.
    const qreal side = std::min<qreal>(width(), height());
    const qreal margin = std::max<qreal>(14, side * 0.045);
    const qreal band = std::max<qreal>(18, side * 0.05);
    const qreal sq = std::floor(std::min(width() - margin - 6, height() - margin - band - 6) / 8);
    if (sq < 4) return;
    const qreal boardSide = 8 * sq;
    const qreal left = std::round((width() - boardSide - margin) / 2 + margin);
    const qreal top = std::round((height() - boardSide - margin - band) / 2 + band);

    auto squareRect = [&](squareT s) {
        int file = square_Fyle(s), rank = square_Rank(s);
        if (flipped_) {
            file = 7 - file;
            rank = 7 - rank;
        }
        return QRectF(left + file * sq, top + (7 - rank) * sq, sq, sq);
    };

    for (squareT s = 0; s < 64; ++s) {
        const bool light = (square_Fyle(s) + square_Rank(s)) % 2 == 1;
        p.fillRect(squareRect(s), light ? kLight : kDark);
    }
    if (from_ < 64 && to_ < 64) {
        p.fillRect(squareRect(from_), kLastMove);
        p.fillRect(squareRect(to_), kLastMove);
    }

    for (squareT s = 0; s < 64; ++s) {
        const pieceT piece = board_[s];
        if (piece == EMPTY || piece_Type(piece) < KING || piece_Type(piece) > PAWN) continue;
        const PieceShape& shape = shapeOf(piece_Type(piece));
        const QRectF r = squareRect(s);
        QTransform t;
        t.translate(r.center().x(), r.center().y());
        t.scale(sq * 0.84, sq * 0.84);
        if (piece_Color(piece) == WHITE) {
            p.fillPath(t.map(shape.body), kWhitePiece);
            p.fillPath(t.map(shape.lines), kOutline);
        } else {
            p.fillPath(t.map(shape.body), kBlackPiece);
        }
    }

    QFont coordFont = font();
    coordFont.setPixelSize(int(std::max<qreal>(10, margin * 0.62)));
    p.setFont(coordFont);
    p.setPen(palette().windowText().color());
    for (int i = 0; i < 8; ++i) {
        const int file = flipped_ ? 7 - i : i;
        const int rank = flipped_ ? i : 7 - i;
        p.drawText(QRectF(left + i * sq, top + boardSide, sq, margin), Qt::AlignCenter,
                   QString(QChar(u'a' + file)));
        p.drawText(QRectF(left - margin, top + i * sq, margin, sq), Qt::AlignCenter,
                   QString(QChar(u'1' + rank)));
    }

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
