#include "pelk/queryeditor.h"

#include "pelk/queryhighlighter.h"
#include "pelk/querytext.h"

QueryEditor::QueryEditor(QWidget* parent)
    : QPlainTextEdit(parent), highlighter_(new QueryHighlighter(document())) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    setFont(font);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &QueryEditor::markParentheses);
    connect(this, &QPlainTextEdit::textChanged, this, &QueryEditor::markParentheses);
}

std::pair<int, int> QueryEditor::parenthesesAtCaret() const {
    const QString text = toPlainText();
    const int caret = textCursor().position();
    // The character after the caret first, then the one before it, so that
    // typing a closing parenthesis shows its partner at once.
    for (int pos : {caret, caret - 1}) {
        if (pos < 0 || pos >= text.size()) continue;
        if (text[pos] != u'(' && text[pos] != u')') continue;
        const ParenthesisMatch match = matchParenthesis(text, pos);
        if (match.found) return {pos, match.partner};
    }
    return {-1, -1};
}

void QueryEditor::markParentheses() {
    QList<QTextEdit::ExtraSelection> selections;
    const auto [pos, partner] = parenthesesAtCaret();
    if (pos >= 0) {
        QTextCharFormat format;
        if (partner >= 0) {
            format.setBackground(QColor(0xff, 0xe0, 0x80));
        } else {
            format.setBackground(QColor(0xff, 0xa0, 0xa0));
        }
        for (int at : {pos, partner}) {
            if (at < 0) continue;
            QTextEdit::ExtraSelection selection;
            selection.cursor = QTextCursor(document());
            selection.cursor.setPosition(at);
            selection.cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
            selection.format = format;
            selections << selection;
        }
    }
    setExtraSelections(selections);
}
