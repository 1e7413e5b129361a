#include "pelk/queryhighlighter.h"

QueryHighlighter::QueryHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat QueryHighlighter::formatFor(QueryToken::Kind kind) {
    QTextCharFormat format;
    switch (kind) {
        case QueryToken::Comment:
            format.setForeground(QColor(0x3a, 0x7d, 0x2c));
            format.setFontItalic(true);
            break;
        case QueryToken::Keyword:
            format.setForeground(QColor(0x1a, 0x3f, 0xa8));
            format.setFontWeight(QFont::Bold);
            break;
        case QueryToken::Designator:
            format.setForeground(QColor(0x9a, 0x20, 0x8c));
            break;
        case QueryToken::Number:
            format.setForeground(QColor(0xb3, 0x5c, 0x00));
            break;
        case QueryToken::Parenthesis:
            format.setForeground(QColor(0x80, 0x80, 0x80));
            format.setFontWeight(QFont::Bold);
            break;
        case QueryToken::Word:
            break;
    }
    return format;
}

void QueryHighlighter::highlightBlock(const QString& text) {
    for (const QueryToken& token : queryTokens(text)) {
        if (token.kind == QueryToken::Word) continue;
        setFormat(token.start, token.length, formatFor(token.kind));
    }
}
