// A position list as the board editor holds it: the designators on the
// board, side to move, the conditions and transforms, and everything else of
// the list kept as text. Reads a `(position ...)` list and writes one back,
// with no widget involved, so that the editor and its tests share it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "core/common.h"

// One designator the board shows: a set of piece codes (bit n for the core's
// piece code n, the empty square being code 7) on a set of squares (bit n for
// square n, a1 = 0).
struct BoardDesignator {
    quint16 pieces = 0;
    quint64 squares = 0;
    // The designator as it was written, while it is unchanged; "" once the
    // board changed it, and for designators the board made.
    QString text;

    bool operator==(const BoardDesignator& o) const {
        return pieces == o.pieces && squares == o.squares;
    }
};

namespace boardpieces {
constexpr quint16 bit(pieceT p) {
    return quint16(1u << p);
}
constexpr quint16 kWhite = bit(WK) | bit(WQ) | bit(WR) | bit(WB) | bit(WN) | bit(WP);
constexpr quint16 kBlack = bit(BK) | bit(BQ) | bit(BR) | bit(BB) | bit(BN) | bit(BP);
constexpr quint16 kEmpty = bit(EMPTY);
constexpr quint16 kAny = kWhite | kBlack | kEmpty;

// What the tray offers, in its order: the twelve pieces, any white piece
// (A), any black piece (a), any piece or an empty square (?), an empty
// square (.). Every one is a piece character of the language.
constexpr int kTraySize = 16;
extern const std::array<char, kTraySize> kTrayChars;
quint16 trayPieces(int item);
// The tray items that together draw a set of pieces: a whole colour as A or
// a, everything as ?.
QList<int> trayItemsOf(quint16 pieces);
}  // namespace boardpieces

class BoardQuery {
  public:
    // The conditions the board shows beside it, in the order they are
    // written. Each keeps the spelling it was read with (:flipdihedral for
    // :flip, :horizontalshift for :shifthorizontal, ...).
    enum Flag {
        Check,
        NoCheck,
        Mate,
        Stalemate,
        Flip,
        FlipColor,
        FlipHorizontal,
        FlipVertical,
        Shift,
        ShiftHorizontal,
        ShiftVertical,
        Variations,
        MarkAll,
        FlagCount
    };
    static QString keyword(Flag flag);

    // Reads a whole `(position ...)` list (comments and line breaks
    // allowed); nothing when the text is no such list. Whatever the board
    // cannot show (sequences, relations, tags, rays, counts, keywords with
    // arguments, designators without a square or with a tag, and all that
    // follows an empty list, which ends the list for hux) is kept as text.
    static std::optional<BoardQuery> fromText(const QString& text);

    // A position shown in the viewer: every piece on its square, or only
    // those on `selected` squares when that is not 0; the side to move set.
    static BoardQuery fromBoard(const std::array<pieceT, 64>& board, quint64 selected,
                                colorT toMove);

    // The list on one line, its items in a fixed order: the designators
    // (ordered by their pieces: K Q R B N P k q r b n p ., then A, a, U, ?,
    // then choices of several pieces; then by their first square, a1 to h8;
    // otherwise as they were), :wtm or :btm, the
    // conditions in the order of Flag with :movenumber after :stalemate, and
    // last the kept text as it was written (a line break ends it when its
    // last line is a comment).
    QString toText() const;

    // One designator as the board writes it: kept text, or the shortest
    // spelling of its pieces and a square set of ranges ("Qh7", "Q[d4,e5]",
    // "P[a-c2]"); no square part when it covers the whole board.
    static QString designatorText(const BoardDesignator& d);
    static QString piecesText(quint16 pieces);
    static QString squaresText(quint64 squares);
    // Reads one designator; nothing when the board cannot show it (a tag, no
    // square, an error).
    static std::optional<BoardDesignator> readDesignator(const QString& word);

    const QList<BoardDesignator>& designators() const { return designators_; }
    // The pieces a square holds on its own (designators of that one square).
    quint16 piecesAt(squareT sq) const;

    // Edits from the board. Each leaves the designators it touches without
    // their kept text.
    void setSquare(squareT sq, quint16 pieces);   // 0 clears the square
    void togglePiece(squareT sq, quint16 piece);  // adds to or takes from the choice
    void move(squareT from, squareT to);
    void addGroup(quint64 squares, quint16 pieces);
    void removeDesignator(int index);
    void clearSquare(squareT sq);  // from every designator, groups included
    void clear();

    colorT sideToMove() const { return toMove_; }
    void setSideToMove(colorT c) { toMove_ = c; }
    bool flag(Flag f) const { return !flags_[f].isEmpty(); }
    void setFlag(Flag f, bool on);
    // :movenumber: min, max (max is -1 when only min was written); min -1 is none.
    int moveMin() const { return moveMin_; }
    int moveMax() const { return moveMax_; }
    void setMoveNumbers(int min, int max);
    const QString& keptText() const { return kept_; }
    void setKeptText(const QString& text) { kept_ = text; }

  private:
    QList<BoardDesignator> designators_;
    colorT toMove_ = NOCOLOR;
    std::array<QString, FlagCount> flags_;
    int moveMin_ = -1;
    int moveMax_ = -1;
    QString kept_;
};

// Where the innermost `(position ...)` list around `caret` lies in `text`:
// from its "(" up to and including its ")"; start -1 when there is none.
struct TextRange {
    int start = -1;
    int length = 0;
};
TextRange positionListAt(const QString& text, int caret);
