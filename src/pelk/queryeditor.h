// The editor for one query: plain text in a fixed-width font, no wrapping,
// line numbers beside it, the language highlighted, the partner of the
// parenthesis at the caret marked (an unpaired one is marked as such), and
// the places of the engine's query errors underlined, their line numbers
// highlighted.
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

    // Marks an error from `position` over `length` characters (none: only
    // the line number is marked). Marks follow later edits of the text.
    void markError(int position, int length);
    void clearErrorMarks();
    // The line numbers (from 1) that carry an error mark now.
    QList<int> errorLines() const;

    int lineNumberWidth() const;
    void paintLineNumbers(QPaintEvent* event);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void markParentheses();
    void updateLineNumberArea(const QRect& rect, int dy);

    QueryHighlighter* highlighter_;
    QWidget* lineNumbers_;
    QList<QTextEdit::ExtraSelection> errorMarks_;
};
