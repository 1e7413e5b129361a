#include "pelk/outputpane.h"

#include <QFontDatabase>
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
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, format);
    if (atBottom) bar->setValue(bar->maximum());
}

int OutputPane::beginRun(const QString& commandLine) {
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
