// How pelk draws a chess board: the squares, the coordinates and the pieces,
// at any size, for the result viewer's board and the board editor alike. The
// pieces are the chess glyphs of a free font, filled and outlined as shapes;
// the editor's wider designators (any white piece, any black piece, anything,
// an empty square) are drawn as marked discs beside them.
#pragma once

#include <QColor>
#include <QRectF>

#include "core/common.h"

class QPainter;
class QFont;

namespace boarddrawing {

extern const QColor kLight;
extern const QColor kDark;

// Where the board stands in a widget of the given size: 8 squares of `square`
// pixels from (left, top), with a margin left of and below it for the
// coordinates and a band of `band` pixels above it.
struct Layout {
    qreal square = 0;
    qreal left = 0;
    qreal top = 0;
    qreal margin = 0;
    qreal band = 0;
    QRectF board() const { return {left, top, 8 * square, 8 * square}; }
};
// The largest board that fits `width` x `height` with room for its margins.
Layout fit(qreal width, qreal height);

QRectF squareRect(const Layout& layout, squareT sq, bool flipped);
// The square under a point; NULL_SQUARE off the board.
squareT squareAt(const Layout& layout, const QPointF& point, bool flipped);

void drawSquares(QPainter& p, const Layout& layout, bool flipped);
void drawCoordinates(QPainter& p, const Layout& layout, bool flipped, const QFont& font,
                     const QColor& color);
// A piece of the core (WK .. BP) filling `scale` of the rectangle.
void drawPiece(QPainter& p, const QRectF& rect, pieceT piece, qreal scale = 0.84);
// A piece character of the language as the board editor shows it: the twelve
// pieces as pieces, A, a, ?, U and . as discs with their sign.
void drawPieceChar(QPainter& p, const QRectF& rect, char c);

}  // namespace boarddrawing
