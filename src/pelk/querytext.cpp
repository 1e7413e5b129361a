#include "pelk/querytext.h"

#include <QRegularExpression>

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isNumber(QStringView word) {
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+$"));
    return number.match(word).hasMatch();
}

// One parenthesis of the text with its nesting role.
struct Paren {
    int pos;
    bool open;
};

QList<Paren> parentheses(const QString& text) {
    QList<Paren> result;
    int lineStart = 0;
    while (lineStart <= text.size()) {
        int lineEnd = int(text.indexOf(u'\n', lineStart));
        if (lineEnd < 0) lineEnd = int(text.size());
        const QStringView line = QStringView(text).mid(lineStart, lineEnd - lineStart);
        for (const QueryToken& t : queryTokens(line)) {
            if (t.kind == QueryToken::Parenthesis) {
                result << Paren{lineStart + t.start, line[t.start] == u'('};
            }
        }
        lineStart = lineEnd + 1;
    }
    return result;
}

}  // namespace

bool isDesignator(QStringView word) {
    static const QRegularExpression designator(
        QStringLiteral("^(?:[KQRBNPkqrbnp.AaMmIiU?]"
                       "|\\[(?:[KQRBNPkqrbnp.AaMmIiU?]|\\$[A-Za-z0-9]+)*\\]"
                       "|\\$[A-Za-z0-9]+)"
                       "(?:"
                       "|(?:[a-h](?:-[a-h])?|\\?)(?:[1-8](?:-[1-8])?|\\?)"
                       "|\\[(?:(?:[a-h](?:-[a-h])?|\\?)(?:[1-8](?:-[1-8])?|\\?)"
                       "(?:,(?:[a-h](?:-[a-h])?|\\?)(?:[1-8](?:-[1-8])?|\\?))*,?)?\\]"
                       ")$"));
    return designator.match(word).hasMatch();
}

QList<QueryToken> queryTokens(QStringView line) {
    QList<QueryToken> tokens;
    const int n = int(line.size());
    int i = 0;
    while (i < n) {
        if (isSpace(line[i])) {
            i++;
        } else if (line[i] == u';') {
            tokens << QueryToken{QueryToken::Comment, i, n - i};
            break;
        } else if (line[i] == u'(' || line[i] == u')') {
            tokens << QueryToken{QueryToken::Parenthesis, i, 1};
            i++;
        } else {
            const int start = i;
            while (i < n && !isSpace(line[i]) && line[i] != u'(' && line[i] != u')') i++;
            const QStringView word = line.mid(start, i - start);
            QueryToken::Kind kind = QueryToken::Word;
            if (word.startsWith(u':') || word == u"match" || word == u"position") {
                kind = QueryToken::Keyword;
            } else if (isNumber(word)) {
                kind = QueryToken::Number;
            } else if (isDesignator(word)) {
                kind = QueryToken::Designator;
            }
            tokens << QueryToken{kind, start, i - start};
        }
    }
    return tokens;
}

ParenthesisMatch matchParenthesis(const QString& text, int pos) {
    const QList<Paren> parens = parentheses(text);
    int index = -1;
    for (int i = 0; i < parens.size() && index < 0; i++) {
        if (parens[i].pos == pos) index = i;
    }
    if (index < 0) return {};
    const int step = parens[index].open ? 1 : -1;
    int depth = 0;
    for (int i = index; i >= 0 && i < parens.size(); i += step) {
        depth += parens[i].open == parens[index].open ? 1 : -1;
        if (depth == 0) return {true, parens[i].pos};
    }
    return {true, -1};
}

QString resultFileName(const QString& text) {
    static const QString output = QStringLiteral(":output");
    for (QStringView line : QStringView(text).split(u'\n')) {
        const qsizetype at = line.indexOf(output);
        if (at < 0) continue;
        const QStringView rest = line.mid(at + output.size());
        const qsizetype pgn = rest.indexOf(u".pgn");
        if (pgn < 0) return {};
        return rest.left(pgn + 4).trimmed().toString();
    }
    return {};
}
