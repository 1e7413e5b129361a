#include "pelk/boardquery.h"

#include <QStringList>

#include <algorithm>
#include <bit>

#include "pelk/querytext.h"

namespace boardpieces {

const std::array<char, kTraySize> kTrayChars = {'K', 'Q', 'R', 'B', 'N', 'P', 'k', 'q',
                                                'r', 'b', 'n', 'p', 'A', 'a', '?', '.'};

namespace {

// The piece codes a piece character of the language stands for; 0 for a
// character that is none.
quint16 piecesOfChar(QChar c) {
    switch (c.unicode()) {
        case 'K':
            return bit(WK);
        case 'Q':
            return bit(WQ);
        case 'R':
            return bit(WR);
        case 'B':
            return bit(WB);
        case 'N':
            return bit(WN);
        case 'P':
            return bit(WP);
        case 'k':
            return bit(BK);
        case 'q':
            return bit(BQ);
        case 'r':
            return bit(BR);
        case 'b':
            return bit(BB);
        case 'n':
            return bit(BN);
        case 'p':
            return bit(BP);
        case '.':
            return kEmpty;
        case 'A':
            return kWhite;
        case 'a':
            return kBlack;
        case 'M':
            return bit(WQ) | bit(WR);
        case 'm':
            return bit(BQ) | bit(BR);
        case 'I':
            return bit(WB) | bit(WN);
        case 'i':
            return bit(BB) | bit(BN);
        case 'U':
            return kWhite | kBlack;
        case '?':
            return kAny;
        default:
            return 0;
    }
}

}  // namespace

quint16 trayPieces(int item) {
    return item >= 0 && item < kTraySize ? piecesOfChar(QChar(kTrayChars[item])) : 0;
}

QList<int> trayItemsOf(quint16 pieces) {
    if (pieces == kAny) return {14};
    QList<int> items;
    if ((pieces & kWhite) == kWhite) {
        items << 12;
    } else {
        for (int i = 0; i < 6; ++i)
            if (pieces & trayPieces(i)) items << i;
    }
    if ((pieces & kBlack) == kBlack) {
        items << 13;
    } else {
        for (int i = 6; i < 12; ++i)
            if (pieces & trayPieces(i)) items << i;
    }
    if (pieces & kEmpty) items << 15;
    return items;
}

}  // namespace boardpieces

using namespace boardpieces;

namespace {

// The order the pieces of a designator are written and sorted in.
constexpr std::array<pieceT, 13> kPieceOrder = {WK, WQ, WR, WB, WN, WP,   BK,
                                                BQ, BR, BB, BN, BP, EMPTY};

// Where a designator's pieces sort: one piece in the order above, then A, a,
// U and ?, then choices of several pieces.
int pieceRank(quint16 pieces) {
    for (int i = 0; i < int(kPieceOrder.size()); ++i)
        if (pieces == bit(kPieceOrder[i])) return i;
    const std::array<quint16, 4> wide = {kWhite, kBlack, kWhite | kBlack, kAny};
    for (int i = 0; i < int(wide.size()); ++i)
        if (pieces == wide[i]) return int(kPieceOrder.size()) + i;
    return int(kPieceOrder.size() + wide.size());
}

quint64 squareBit(squareT sq) {
    return quint64(1) << sq;
}

// One item of a list: a word, a comment or a whole sublist, with its place
// in the text (end is one past its last character).
struct Item {
    enum Kind { Word, Comment, List } kind;
    int start;
    int end;
};

struct Token {
    QueryToken::Kind kind;
    int start;
    int end;
};

QList<Token> tokensOf(const QString& text) {
    QList<Token> tokens;
    int lineStart = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        for (const QueryToken& t : queryTokens(line)) {
            tokens << Token{t.kind, lineStart + t.start, lineStart + t.start + t.length};
        }
        lineStart += int(line.size()) + 1;
    }
    return tokens;
}

bool isOpen(const QString& text, const Token& t) {
    return t.kind == QueryToken::Parenthesis && text[t.start] == u'(';
}
bool isClose(const QString& text, const Token& t) {
    return t.kind == QueryToken::Parenthesis && text[t.start] == u')';
}

// The index of the parenthesis that closes the one at `open`; tokens.size()
// when the text ends first.
int closingToken(const QString& text, const QList<Token>& tokens, int open) {
    int depth = 0;
    for (int i = open; i < tokens.size(); ++i) {
        if (isOpen(text, tokens[i])) ++depth;
        if (isClose(text, tokens[i]) && --depth == 0) return i;
    }
    return int(tokens.size());
}

// A word that reads as a count: 0 or more, or any number when `signedOk`.
bool isCount(const QString& word, bool signedOk) {
    bool ok = false;
    const long long n = word.toLongLong(&ok);
    return ok && (signedOk || n >= 0) && !word.startsWith(u'+');
}

// How many of the items after a keyword are its arguments, as hux reads them
// (comments are no items for hux): `words` are the items that are not
// comments, the keyword is words[i]. What the board keeps as text stays
// together with its arguments.
int argumentCount(const QString& keyword, const QList<Item>& items, const QList<int>& words, int i,
                  const QString& text) {
    auto word = [&](int k) -> QString {
        if (k >= words.size() || items[words[k]].kind != Item::Word) return {};
        const Item& item = items[words[k]];
        return text.mid(item.start, item.end - item.start);
    };
    auto exists = [&](int k) { return k < words.size(); };
    // min [max]: max only when the item after min reads as a count.
    auto counts = [&](int first, bool signedOk) {
        if (!exists(first)) return 0;
        return isCount(word(first + 1), signedOk) ? 2 : 1;
    };
    static const QStringList one = {":movefrom", ":moveto",         ":promote", ":name",
                                    ":result",   ":accumulate",     ":and",     ":or",
                                    ":sequence", ":gappedsequence", ":relation"};
    static const QStringList countOnly = {":movenumber", ":matchcount", ":pretransformmatchcount",
                                          ":elo",        ":whiteelo",   ":blackelo"};
    static const QStringList rays = {":ray",         ":rayattack",     ":rayorthogonal",
                                     ":raydiagonal", ":rayhorizontal", ":rayvertical"};
    if (one.contains(keyword)) return exists(i + 1) ? 1 : 0;
    if (countOnly.contains(keyword)) return counts(i + 1, false);
    if (keyword == u":tagmatch") return exists(i + 2) ? 2 : exists(i + 1) ? 1 : 0;
    if (keyword == u":piececount" || keyword == u":power" || keyword == u":powerdifference") {
        if (!exists(i + 1)) return 0;
        return 1 + counts(i + 2, true);
    }
    if (keyword == u":sumrange") return exists(i + 1) ? 1 + counts(i + 2, false) : 0;
    if (keyword == u":attackcount") {
        if (!exists(i + 2)) return exists(i + 1) ? 1 : 0;
        return 2 + counts(i + 3, false);
    }
    if (rays.contains(keyword)) {
        if (!exists(i + 1)) return 0;
        return 1 + (isCount(word(i + 2), false) ? counts(i + 2, false) : 0);
    }
    return 0;
}

// Whether the last line of a text ends in a comment, which would swallow
// whatever followed on that line.
bool endsInComment(const QString& text) {
    const QList<QueryToken> last = queryTokens(QStringView(text).mid(text.lastIndexOf(u'\n') + 1));
    return !last.isEmpty() && last.last().kind == QueryToken::Comment;
}

// The spellings each board condition is read under; the first is written.
const std::array<QStringList, BoardQuery::FlagCount>& spellings() {
    static const std::array<QStringList, BoardQuery::FlagCount> words = {
        QStringList{":check"},
        {":nocheck"},
        {":mate"},
        {":stalemate"},
        {":flip", ":flipdihedral"},
        {":flipcolor"},
        {":fliphorizontal"},
        {":flipvertical"},
        {":shift"},
        {":shifthorizontal", ":horizontalshift"},
        {":shiftvertical", ":verticalshift"},
        {":variations"},
        {":markall"},
    };
    return words;
}

QString fileRange(int from, int to) {
    if (from == 0 && to == 7) return QStringLiteral("?");
    QString s(QChar(u'a' + from));
    if (to != from) s += u'-' + QString(QChar(u'a' + to));
    return s;
}

QString rankRange(int from, int to) {
    if (from == 0 && to == 7) return QStringLiteral("?");
    QString s(QChar(u'1' + from));
    if (to != from) s += u'-' + QString(QChar(u'1' + to));
    return s;
}

// A file or rank part: a letter or digit, a range of two, or ? for all.
bool readRange(QStringView s, int* pos, char first, char last, int* from, int* to) {
    if (*pos >= s.size()) return false;
    const QChar c = s[*pos];
    if (c == u'?') {
        *from = 0;
        *to = 7;
        ++*pos;
        return true;
    }
    if (c < QChar(first) || c > QChar(last)) return false;
    *from = *to = c.unicode() - first;
    ++*pos;
    if (*pos + 1 < s.size() && s[*pos] == u'-' && s[*pos + 1] >= QChar(first) &&
        s[*pos + 1] <= QChar(last)) {
        *to = s[*pos + 1].unicode() - first;
        *pos += 2;
    }
    return true;
}

// One square spec such as e4, c-f3-6 or ?7; false when it is malformed.
bool readSquareSpec(QStringView s, quint64* squares) {
    int pos = 0, f0, f1, r0, r1;
    if (!readRange(s, &pos, 'a', 'h', &f0, &f1) || !readRange(s, &pos, '1', '8', &r0, &r1) ||
        pos != s.size()) {
        return false;
    }
    for (int f = f0; f <= f1; ++f)
        for (int r = r0; r <= r1; ++r) *squares |= squareBit(squareT(r * 8 + f));
    return true;
}

}  // namespace

QString BoardQuery::keyword(Flag flag) {
    return spellings()[flag].first();
}

QString BoardQuery::piecesText(quint16 pieces) {
    if (pieces == kAny) return QStringLiteral("?");
    QString chars;
    if ((pieces & kWhite) == kWhite && (pieces & kBlack) == kBlack) {
        chars = QStringLiteral("U");
    } else {
        if ((pieces & kWhite) == kWhite) chars += u'A';
        for (pieceT p : kPieceOrder) {
            if (p == EMPTY || !(pieces & bit(p))) continue;
            if (piece_Color(p) == WHITE && (pieces & kWhite) == kWhite) continue;
            if (piece_Color(p) == BLACK && (pieces & kBlack) == kBlack) continue;
            chars += QChar(PIECE_CHAR[p]);
        }
        if ((pieces & kBlack) == kBlack) chars += u'a';
    }
    if (pieces & kEmpty) chars += u'.';
    return chars.size() == 1 ? chars : u'[' + chars + u']';
}

QString BoardQuery::squaresText(quint64 squares) {
    if (squares == ~quint64(0)) return {};
    if (std::popcount(squares) == 1) {
        const squareT sq = squareT(std::countr_zero(squares));
        return QString(QChar(square_FyleChar(sq))) + QChar(square_RankChar(sq));
    }
    // Rectangles of the set, each as large as it can be from its lowest
    // square: grown along the rank first, or along the file first, whichever
    // covers more. Rectangles may overlap; together they are the set.
    auto in = [&](int f, int r) { return (squares >> (r * 8 + f)) & 1; };
    auto rowFull = [&](int r, int f0, int f1) {
        for (int f = f0; f <= f1; ++f)
            if (!in(f, r)) return false;
        return true;
    };
    auto colFull = [&](int f, int r0, int r1) {
        for (int r = r0; r <= r1; ++r)
            if (!in(f, r)) return false;
        return true;
    };
    quint64 left = squares;
    QStringList specs;
    while (left != 0) {
        const int seed = std::countr_zero(left);
        const int f0 = seed % 8, r0 = seed / 8;
        int af = f0, ar = r0;  // along the rank first
        while (af < 7 && in(af + 1, r0)) ++af;
        while (ar < 7 && rowFull(ar + 1, f0, af)) ++ar;
        int bf = f0, br = r0;  // along the file first
        while (br < 7 && in(f0, br + 1)) ++br;
        while (bf < 7 && colFull(bf + 1, r0, br)) ++bf;
        int f1 = af, r1 = ar;
        if ((bf - f0 + 1) * (br - r0 + 1) > (af - f0 + 1) * (ar - r0 + 1)) {
            f1 = bf;
            r1 = br;
        }
        for (int f = f0; f <= f1; ++f)
            for (int r = r0; r <= r1; ++r) left &= ~squareBit(squareT(r * 8 + f));
        specs << fileRange(f0, f1) + rankRange(r0, r1);
    }
    return u'[' + specs.join(u',') + u']';
}

QString BoardQuery::designatorText(const BoardDesignator& d) {
    if (!d.text.isEmpty()) return d.text;
    return piecesText(d.pieces) + squaresText(d.squares);
}

std::optional<BoardDesignator> BoardQuery::readDesignator(const QString& word) {
    BoardDesignator d;
    int pos = 0;
    const int n = int(word.size());
    if (n == 0) return std::nullopt;
    int pieceChars = 0;
    if (word[0] == u'[') {
        pos = 1;
        while (pos < n && word[pos] != u']') {
            const quint16 p = piecesOfChar(word[pos]);
            if (p == 0) return std::nullopt;  // a tag, or no piece character
            d.pieces |= p;
            ++pos;
            ++pieceChars;
        }
        if (pos >= n) return std::nullopt;
        ++pos;
    } else {
        d.pieces = piecesOfChar(word[0]);
        pos = 1;
        pieceChars = 1;
    }
    // The language holds at most 64 piece entries per designator.
    if (d.pieces == 0 || pieceChars > 64) return std::nullopt;
    const QStringView rest = QStringView(word).mid(pos);
    if (rest.isEmpty()) {
        d.squares = ~quint64(0);
    } else if (rest.startsWith(u'[')) {
        if (!rest.endsWith(u']')) return std::nullopt;
        QList<QStringView> specs = rest.mid(1, rest.size() - 2).split(u',');
        if (specs.size() > 1 && specs.last().isEmpty()) specs.removeLast();  // [a1,]
        for (QStringView spec : specs) {
            if (spec.isEmpty() || spec.size() > 99 || !readSquareSpec(spec, &d.squares)) {
                return std::nullopt;
            }
        }
    } else if (!readSquareSpec(rest, &d.squares)) {
        return std::nullopt;
    }
    if (d.squares == 0) return std::nullopt;  // matches nowhere: kept as written
    d.text = word;
    return d;
}

std::optional<BoardQuery> BoardQuery::fromText(const QString& text) {
    const QList<Token> tokens = tokensOf(text);
    int first = 0;
    while (first < tokens.size() && tokens[first].kind == QueryToken::Comment) ++first;
    if (first + 1 >= tokens.size() || !isOpen(text, tokens[first]) ||
        text.mid(tokens[first + 1].start, tokens[first + 1].end - tokens[first + 1].start) !=
            u"position") {
        return std::nullopt;
    }
    const int close = closingToken(text, tokens, first);
    QList<Item> items;
    for (int i = first + 2; i < close;) {
        const Token& t = tokens[i];
        if (isOpen(text, t)) {
            const int end = closingToken(text, tokens, i);
            const int stop = end < tokens.size() ? tokens[end].end : int(text.size());
            items << Item{Item::List, t.start, stop};
            i = end + 1;
        } else {
            items << Item{t.kind == QueryToken::Comment ? Item::Comment : Item::Word, t.start,
                          t.end};
            ++i;
        }
    }

    QList<int> words;  // the items hux reads: all but the comments
    for (int i = 0; i < items.size(); ++i)
        if (items[i].kind != Item::Comment) words << i;
    auto textOf = [&](int item) {
        return text.mid(items[item].start, items[item].end - items[item].start);
    };

    BoardQuery q;
    QString kept;
    auto keep = [&](int from, int to) {
        if (!kept.isEmpty()) kept += endsInComment(kept) ? u'\n' : u' ';
        kept += text.mid(items[from].start, items[to].end - items[from].start);
    };
    bool afterRelation = false;
    for (int i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        const QString word = textOf(i);
        if (item.kind == Item::List) {
            // An empty list ends the position list for hux: it and all after
            // it stay as they are.
            if (QStringView(word).mid(1, word.size() - 2).trimmed().isEmpty()) {
                keep(i, int(items.size()) - 1);
                break;
            }
            keep(i, i);
            continue;
        }
        if (item.kind == Item::Comment) {
            keep(i, i);
            continue;
        }
        if (word.startsWith(u':')) {
            if (word == u":wtm" || word == u":btm") {
                q.toMove_ = word == u":wtm" ? WHITE : BLACK;
                continue;
            }
            bool isFlag = false;
            for (int f = 0; f < FlagCount && !isFlag; ++f) {
                if (spellings()[f].contains(word)) {
                    q.flags_[f] = word;
                    isFlag = true;
                }
            }
            if (isFlag) continue;
            const int at = int(words.indexOf(i));
            const int args = argumentCount(word, items, words, at, text);
            const int last = words[at + args];
            if (word == u":movenumber" && q.moveMin_ < 0 && args > 0 &&
                isCount(textOf(words[at + 1]), false)) {
                q.moveMin_ = textOf(words[at + 1]).toInt();
                q.moveMax_ = args == 2 ? textOf(words[at + 2]).toInt() : -1;
                i = last;
                continue;
            }
            if (word == u":relation") afterRelation = true;
            keep(i, last);
            i = last;
            continue;
        }
        // A :relation's :pattern takes the designators written before it:
        // those after it stay after it.
        const std::optional<BoardDesignator> d =
            afterRelation ? std::nullopt : readDesignator(word);
        if (d) {
            q.designators_ << *d;
        } else {
            keep(i, i);
        }
    }
    q.kept_ = kept;
    return q;
}

BoardQuery BoardQuery::fromBoard(const std::array<pieceT, 64>& board, quint64 selected,
                                 colorT toMove) {
    BoardQuery q;
    for (squareT sq = 0; sq < 64; ++sq) {
        const pieceT p = board[sq];
        if (p == EMPTY || p == END_OF_BOARD || piece_Type(p) > PAWN) continue;
        if (selected != 0 && !(selected & squareBit(sq))) continue;
        q.designators_ << BoardDesignator{bit(p), squareBit(sq), {}};
    }
    q.toMove_ = toMove;
    return q;
}

QString BoardQuery::toText() const {
    QList<BoardDesignator> sorted = designators_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const BoardDesignator& a, const BoardDesignator& b) {
                         const int pa = pieceRank(a.pieces), pb = pieceRank(b.pieces);
                         if (pa != pb) return pa < pb;
                         return std::countr_zero(a.squares) < std::countr_zero(b.squares);
                     });
    QStringList words{QStringLiteral("(position")};
    for (const BoardDesignator& d : sorted) words << designatorText(d);
    if (toMove_ == WHITE) words << QStringLiteral(":wtm");
    if (toMove_ == BLACK) words << QStringLiteral(":btm");
    for (int f = 0; f < FlagCount; ++f) {
        if (!flags_[f].isEmpty()) words << flags_[f];
        if (f == Stalemate && moveMin_ >= 0) {
            words << QStringLiteral(":movenumber") << QString::number(moveMin_);
            if (moveMax_ >= 0) words << QString::number(moveMax_);
        }
    }
    if (!kept_.isEmpty()) words << kept_;
    QString text = words.join(u' ');
    // A comment on the last line would swallow the closing parenthesis.
    if (endsInComment(text)) text += u'\n';
    return text + u')';
}

quint16 BoardQuery::piecesAt(squareT sq) const {
    quint16 pieces = 0;
    for (const BoardDesignator& d : designators_)
        if (d.squares == squareBit(sq)) pieces |= d.pieces;
    return pieces;
}

void BoardQuery::setSquare(squareT sq, quint16 pieces) {
    designators_.removeIf([&](const BoardDesignator& d) { return d.squares == squareBit(sq); });
    if (pieces != 0) designators_ << BoardDesignator{pieces, squareBit(sq), {}};
}

void BoardQuery::togglePiece(squareT sq, quint16 piece) {
    setSquare(sq, piecesAt(sq) ^ piece);
}

void BoardQuery::move(squareT from, squareT to) {
    if (from == to) return;
    const quint16 pieces = piecesAt(from);
    if (pieces == 0) return;
    setSquare(from, 0);
    setSquare(to, pieces);
}

void BoardQuery::addGroup(quint64 squares, quint16 pieces) {
    if (squares == 0 || pieces == 0) return;
    if (std::popcount(squares) == 1) {
        setSquare(squareT(std::countr_zero(squares)), pieces);
        return;
    }
    designators_ << BoardDesignator{pieces, squares, {}};
}

void BoardQuery::removeDesignator(int index) {
    if (index >= 0 && index < designators_.size()) designators_.removeAt(index);
}

void BoardQuery::clearSquare(squareT sq) {
    for (BoardDesignator& d : designators_) {
        if (d.squares & squareBit(sq)) {
            d.squares &= ~squareBit(sq);
            d.text.clear();
        }
    }
    designators_.removeIf([](const BoardDesignator& d) { return d.squares == 0; });
}

void BoardQuery::clear() {
    *this = BoardQuery();
}

void BoardQuery::setFlag(Flag f, bool on) {
    if (on == flag(f)) return;
    flags_[f] = on ? keyword(f) : QString();
}

void BoardQuery::setMoveNumbers(int min, int max) {
    moveMin_ = min;
    moveMax_ = min < 0 ? -1 : max;
}

TextRange positionListAt(const QString& text, int caret) {
    const QList<Token> tokens = tokensOf(text);
    TextRange found;
    for (int i = 0; i + 1 < tokens.size(); ++i) {
        if (!isOpen(text, tokens[i]) ||
            text.mid(tokens[i + 1].start, tokens[i + 1].end - tokens[i + 1].start) != u"position")
            continue;
        const int close = closingToken(text, tokens, i);
        if (close >= tokens.size()) continue;  // an unclosed list is no list to replace
        const int start = tokens[i].start, end = tokens[close].end;
        // Lists nest: the last one that holds the caret is the innermost.
        if (caret > start && caret < end) found = {start, end - start};
    }
    return found;
}
