#include "pelk/queryeditor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

#include "pelk/queryhighlighter.h"
#include "pelk/querytext.h"

namespace {

// The margin that shows the line numbers; the editor paints it.
class LineNumberArea : public QWidget {
  public:
    explicit LineNumberArea(QueryEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return {editor_->lineNumberWidth(), 0}; }

  protected:
    void paintEvent(QPaintEvent* event) override { editor_->paintLineNumbers(event); }

  private:
    QueryEditor* editor_;
};

}  // namespace

QueryEditor::QueryEditor(QWidget* parent)
    : QPlainTextEdit(parent),
      highlighter_(new QueryHighlighter(document())),
      lineNumbers_(new LineNumberArea(this)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    setFont(font);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &QueryEditor::markParentheses);
    connect(this, &QPlainTextEdit::textChanged, this, &QueryEditor::markParentheses);
    connect(this, &QPlainTextEdit::blockCountChanged, this,
            [this] { setViewportMargins(lineNumberWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, &QueryEditor::updateLineNumberArea);
    setViewportMargins(lineNumberWidth(), 0, 0, 0);
}

int QueryEditor::lineNumberWidth() const {
    const int digits = int(QString::number(std::max(1, blockCount())).size());
    return 8 + fontMetrics().horizontalAdvance(u'9') * std::max(2, digits);
}

void QueryEditor::updateLineNumberArea(const QRect& rect, int dy) {
    if (dy != 0) {
        lineNumbers_->scroll(0, dy);
    } else {
        lineNumbers_->update(0, rect.y(), lineNumbers_->width(), rect.height());
    }
}

void QueryEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    lineNumbers_->setGeometry(area.left(), area.top(), lineNumberWidth(), area.height());
}

void QueryEditor::paintLineNumbers(QPaintEvent* event) {
    QPainter painter(lineNumbers_);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const QList<int> marked = errorLines();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            const int number = block.blockNumber() + 1;
            const QRect box(0, top, lineNumbers_->width() - 4, height);
            if (marked.contains(number)) {
                painter.fillRect(QRect(0, top, lineNumbers_->width(), height), QColor(0xd0, 0, 0));
                painter.setPen(Qt::white);
            } else {
                painter.setPen(palette().color(QPalette::PlaceholderText));
            }
            painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
        }
        top += height;
        block = block.next();
    }
}

void QueryEditor::markError(int position, int length) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(position);
    mark.cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.format.setUnderlineColor(QColor(0xd0, 0, 0));
    errorMarks_ << mark;
    markParentheses();
    lineNumbers_->update();
}

void QueryEditor::clearErrorMarks() {
    errorMarks_.clear();
    markParentheses();
    lineNumbers_->update();
}

QList<int> QueryEditor::errorLines() const {
    QList<int> lines;
    for (const QTextEdit::ExtraSelection& mark : errorMarks_) {
        lines << mark.cursor.block().blockNumber() + 1;
    }
    return lines;
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
    QList<QTextEdit::ExtraSelection> selections = errorMarks_;
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
