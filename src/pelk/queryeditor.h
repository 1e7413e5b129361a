// The editor for one query: plain text in a fixed-width font, no wrapping,
// the language highlighted, and the partner of the parenthesis at the caret
// marked (an unpaired one is marked as such).
#pragma once

#include <QPlainTextEdit>

class QueryHighlighter;

class QueryEditor : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit QueryEditor(QWidget* parent = nullptr);

    // The parenthesis next to the caret and its partner (-1 when unpaired),
    // or {-1, -1} when the caret touches no parenthesis.
    std::pair<int, int> parenthesesAtCaret() const;

  private:
    void markParentheses();

    QueryHighlighter* highlighter_;
};
