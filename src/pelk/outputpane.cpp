#include "pelk/outputpane.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>

namespace {

QTextCharFormat noteFormat() {
    QTextCharFormat format;
    format.setForeground(QColor(0x55, 0x55, 0x55));
    format.setFontItalic(true);
    return format;
}

}  // namespace

OutputPane::OutputPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setPlaceholderText(QStringLiteral("The engine's output appears here when you run a query."));
    viewport()->setMouseTracking(true);
    // Scrolling away from the end stops following; scrolling back resumes.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!scrolling_) follow_ = value == verticalScrollBar()->maximum();
    });
    // The range grows after the text does (a horizontal scroll bar that
    // appears takes lines away): keep the end in view then too.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        if (follow_) scrollToEnd();
    });
}

void OutputPane::scrollToEnd() {
    scrolling_ = true;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    scrolling_ = false;
}

QTextCharFormat OutputPane::errorFormat() {
    QTextCharFormat format;
    format.setForeground(QColor(0xc0, 0x00, 0x00));
    format.setBackground(QColor(0xff, 0xe8, 0xe8));
    format.setFontWeight(QFont::Bold);
    return format;
}

bool OutputPane::isOrdinaryLine(QStringView line) {
    static const QRegularExpression progress(QStringLiteral("^[.0-9+<>\\s]*$"));
    return line.startsWith(u"HUX version") || line.startsWith(u"Attempting to open file:") ||
           line.startsWith(u"Number of matching games:") || progress.match(line).hasMatch();
}

void OutputPane::startLine() {
    const QString text = document()->lastBlock().text();
    if (!text.isEmpty()) append(QStringLiteral("\n"), QTextCharFormat());
}

void OutputPane::append(const QString& text, const QTextCharFormat& format) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format);
    if (follow_) scrollToEnd();
}

int OutputPane::beginRun(const QString& commandLine) {
    // Every run is shown from its first line, whatever was looked at before.
    follow_ = true;
    if (!document()->isEmpty()) {
        startLine();
        append(QStringLiteral("\n"), QTextCharFormat());
    }
    append(QStringLiteral("> %1\n").arg(commandLine), noteFormat());
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    return cursor.position();
}

void OutputPane::appendOutput(const QString& text, bool errorChannel) {
    append(text, errorChannel ? errorFormat() : QTextCharFormat());
}

void OutputPane::endRun(int runStart, int exitCode, bool crashed, const QString& problem) {
    const bool failed = crashed || exitCode != 0 || !problem.isEmpty();
    if (failed) {
        for (QTextBlock block = document()->findBlock(runStart); block.isValid();
             block = block.next()) {
            if (isOrdinaryLine(block.text())) continue;
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(errorFormat());
        }
    }
    startLine();
    if (!problem.isEmpty()) {
        append(problem + u'\n', errorFormat());
    } else if (crashed) {
        append(QStringLiteral("The engine stopped unexpectedly.\n"), errorFormat());
    } else if (exitCode != 0) {
        append(QStringLiteral("The engine reported an error (exit status %1).\n").arg(exitCode),
               errorFormat());
    } else {
        append(QStringLiteral("Finished.\n"), noteFormat());
    }
}

void OutputPane::endStoppedRun() {
    startLine();
    append(QStringLiteral("Stopped: HUX was ended on request; its output file stays as HUX left "
                          "it.\n"),
           noteFormat());
}

void OutputPane::appendNote(const QString& text) {
    startLine();
    append(text + u'\n', noteFormat());
}

QList<ErrorLocation> OutputPane::locations(int runStart) {
    QList<ErrorLocation> found;
    QTextCharFormat link;
    link.setFontUnderline(true);
    link.setToolTip(QStringLiteral("Click to go to this place in the query"));
    for (QTextBlock block = document()->findBlock(runStart); block.isValid();
         block = block.next()) {
        const std::optional<ErrorLocation> location = ErrorLocation::parse(block.text());
        if (!location) continue;
        found << *location;
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(link);
    }
    return found;
}

std::optional<ErrorLocation> OutputPane::locationAt(const QPoint& point) const {
    const QTextCursor cursor = cursorForPosition(point);
    // Only a click on the line's text counts, not in the blank beyond it.
    if (cursor.atBlockEnd() &&
        cursorRect(cursor).right() < point.x() - fontMetrics().averageCharWidth())
        return std::nullopt;
    return ErrorLocation::parse(cursor.block().text());
}

void OutputPane::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    // A drag that selected text is a selection, not a click.
    if (event->button() != Qt::LeftButton || textCursor().hasSelection()) return;
    if (const std::optional<ErrorLocation> location = locationAt(event->position().toPoint())) {
        emit locationClicked(*location);
    }
}

void OutputPane::mouseMoveEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseMoveEvent(event);
    viewport()->setCursor(locationAt(event->position().toPoint()) ? Qt::PointingHandCursor
                                                                  : Qt::IBeamCursor);
}
