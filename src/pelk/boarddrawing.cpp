#include "pelk/boarddrawing.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace boarddrawing {

const QColor kLight(0xec, 0xe3, 0xcf);
const QColor kDark(0x9c, 0x7f, 0x63);

namespace {

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

Layout fit(qreal width, qreal height) {
    Layout l;
    const qreal side = std::min(width, height);
    l.margin = std::max<qreal>(14, side * 0.045);
    l.band = std::max<qreal>(18, side * 0.05);
    l.square = std::floor(std::min(width - l.margin - 6, height - l.margin - l.band - 6) / 8);
    l.left = std::round((width - 8 * l.square - l.margin) / 2 + l.margin);
    l.top = std::round((height - 8 * l.square - l.margin - l.band) / 2 + l.band);
    return l;
}

QRectF squareRect(const Layout& l, squareT sq, bool flipped) {
    int file = square_Fyle(sq), rank = square_Rank(sq);
    if (flipped) {
        file = 7 - file;
        rank = 7 - rank;
    }
    return QRectF(l.left + file * l.square, l.top + (7 - rank) * l.square, l.square, l.square);
}

squareT squareAt(const Layout& l, const QPointF& point, bool flipped) {
    if (l.square <= 0 || !l.board().contains(point)) return NULL_SQUARE;
    int file = std::clamp(int((point.x() - l.left) / l.square), 0, 7);
    int rank = 7 - std::clamp(int((point.y() - l.top) / l.square), 0, 7);
    if (flipped) {
        file = 7 - file;
        rank = 7 - rank;
    }
    return square_Make(fyleT(file), rankT(rank));
}

void drawSquares(QPainter& p, const Layout& l, bool flipped) {
    for (squareT s = 0; s < 64; ++s) {
        const bool light = (square_Fyle(s) + square_Rank(s)) % 2 == 1;
        p.fillRect(squareRect(l, s, flipped), light ? kLight : kDark);
    }
}

void drawCoordinates(QPainter& p, const Layout& l, bool flipped, const QFont& font,
                     const QColor& color) {
    QFont coordFont = font;
    coordFont.setPixelSize(int(std::max<qreal>(10, l.margin * 0.62)));
    p.setFont(coordFont);
    p.setPen(color);
    for (int i = 0; i < 8; ++i) {
        const int file = flipped ? 7 - i : i;
        const int rank = flipped ? i : 7 - i;
        p.drawText(QRectF(l.left + i * l.square, l.top + 8 * l.square, l.square, l.margin),
                   Qt::AlignCenter, QString(QChar(u'a' + file)));
        p.drawText(QRectF(l.left - l.margin, l.top + i * l.square, l.margin, l.square),
                   Qt::AlignCenter, QString(QChar(u'1' + rank)));
    }
}

void drawPiece(QPainter& p, const QRectF& r, pieceT piece, qreal scale) {
    if (piece == EMPTY || piece_Type(piece) < KING || piece_Type(piece) > PAWN) return;
    const PieceShape& shape = shapeOf(piece_Type(piece));
    const qreal side = std::min(r.width(), r.height());
    QTransform t;
    t.translate(r.center().x(), r.center().y());
    t.scale(side * scale, side * scale);
    if (piece_Color(piece) == WHITE) {
        p.fillPath(t.map(shape.body), kWhitePiece);
        p.fillPath(t.map(shape.lines), kOutline);
    } else {
        p.fillPath(t.map(shape.body), kBlackPiece);
    }
}

void drawPieceChar(QPainter& p, const QRectF& r, char c) {
    static const char* letters = "KQRBNPkqrbnp";
    for (int i = 0; i < 12; ++i) {
        if (letters[i] == c) {
            drawPiece(p, r, pieceT(i < 6 ? WK + i : BK + i - 6));
            return;
        }
    }
    const qreal side = std::min(r.width(), r.height());
    const QRectF disc(r.center().x() - side * 0.34, r.center().y() - side * 0.34, side * 0.68,
                      side * 0.68);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kOutline, std::max<qreal>(1, side * 0.04)));
    if (c == '.') {
        // An empty square: a ring with a stroke through it.
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(disc.adjusted(side * 0.1, side * 0.1, -side * 0.1, -side * 0.1));
        p.drawLine(disc.bottomLeft() + QPointF(side * 0.14, -side * 0.14),
                   disc.topRight() + QPointF(-side * 0.14, side * 0.14));
        p.restore();
        return;
    }
    QColor fill = kWhitePiece, text = kOutline;
    if (c == 'a') {
        fill = kBlackPiece;
        text = kWhitePiece;
    } else if (c == '?' || c == 'U') {
        fill = QColor(0x8a, 0x8a, 0x8a);
        text = Qt::white;
    }
    p.setBrush(fill);
    p.drawEllipse(disc);
    QFont font = pieceFont();
    font.setBold(true);
    font.setPixelSize(std::max(6, int(side * 0.46)));
    p.setFont(font);
    p.setPen(text);
    p.drawText(disc, Qt::AlignCenter, QString(QChar(c)));
    p.restore();
}

}  // namespace boarddrawing
