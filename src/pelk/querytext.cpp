#include "pelk/querytext.h"

#include <QRegularExpression>

#include <algorithm>

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
        } else if (line[i] == u'"') {
            const int start = i++;
            while (i < n && line[i] != u'"') i += line[i] == u'\\' && i + 1 < n ? 2 : 1;
            if (i < n) i++;
            tokens << QueryToken{QueryToken::Word, start, i - start};
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

QString wordValue(QStringView word) {
    if (!word.startsWith(u'"')) return word.toString();
    QString value;
    const qsizetype end = word.size() > 1 && word.endsWith(u'"') ? word.size() - 1 : word.size();
    for (qsizetype i = 1; i < end; i++) {
        if (word[i] == u'\\' && i + 1 < end && (word[i + 1] == u'"' || word[i + 1] == u'\\')) i++;
        value += word[i];
    }
    return value;
}

QString quotedWord(const QString& name) {
    const bool plain = !name.isEmpty() && !name.startsWith(u';') && !name.startsWith(u'"') &&
                       std::none_of(name.cbegin(), name.cend(),
                                    [](QChar c) { return isSpace(c) || c == u'(' || c == u')'; });
    if (plain) return name;
    QString quoted = QStringLiteral("\"");
    for (QChar c : name) {
        if (c == u'"' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

namespace {

// The tokens of the whole text at their offsets in it, comments left out.
QList<QueryToken> textTokens(const QString& text) {
    QList<QueryToken> tokens;
    int lineStart = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        for (QueryToken t : queryTokens(line)) {
            if (t.kind == QueryToken::Comment) continue;
            t.start += lineStart;
            tokens << t;
        }
        lineStart += int(line.size()) + 1;
    }
    return tokens;
}

bool isParen(const QString& text, const QueryToken& t, QChar which) {
    return t.kind == QueryToken::Parenthesis && text[t.start] == which;
}

// The index of the token after the last `keyword` at the top level of the
// first list, -1 when there is none; *head is the first word of that list.
int afterKeyword(const QString& text, const QList<QueryToken>& tokens, const QString& keyword,
                 int* head) {
    *head = -1;
    int found = -1;
    int depth = 0;
    for (int i = 0; i < tokens.size(); i++) {
        if (isParen(text, tokens[i], u'(')) {
            depth++;
        } else if (isParen(text, tokens[i], u')')) {
            if (--depth <= 0) break;
        } else if (depth == 1) {
            if (*head < 0) *head = i;
            if (QStringView(text).mid(tokens[i].start, tokens[i].length) == keyword) found = i + 1;
        } else if (depth == 0) {
            break;  // the engine reads nothing before the first list
        }
    }
    return found;
}

}  // namespace

QString matchArgument(const QString& text, const QString& keyword) {
    const QList<QueryToken> tokens = textTokens(text);
    int head = -1;
    const int at = afterKeyword(text, tokens, keyword, &head);
    if (at < 0 || at >= tokens.size() || tokens[at].kind == QueryToken::Parenthesis) return {};
    return wordValue(QStringView(text).mid(tokens[at].start, tokens[at].length));
}

QString resultFileName(const QString& text) {
    return matchArgument(text, QStringLiteral(":output"));
}

TextEdit setMatchArgument(const QString& text, const QString& keyword, const QString& name) {
    const QList<QueryToken> tokens = textTokens(text);
    int head = -1;
    const int at = afterKeyword(text, tokens, keyword, &head);
    const QString word = quotedWord(name);
    // A keyword right after it means the name was left out.
    if (at >= 0 && at < tokens.size() && tokens[at].kind != QueryToken::Parenthesis &&
        tokens[at].kind != QueryToken::Keyword) {
        return {tokens[at].start, tokens[at].length, word};
    }
    if (at >= 0) {
        const QueryToken& key = tokens[at - 1];
        return {key.start + key.length, 0, u' ' + word};
    }
    if (head < 0) return {-1, 0, {}};
    return {tokens[head].start + tokens[head].length, 0, u' ' + keyword + u' ' + word};
}
