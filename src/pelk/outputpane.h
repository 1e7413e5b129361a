// The pane under the editor that shows what the engine prints while it runs:
// banner, progress marks, matches and the final count, and the engine's
// error messages in a form that stands out.
#pragma once

#include <QPlainTextEdit>
#include <QStringView>
#include <QTextCharFormat>

class OutputPane : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit OutputPane(QWidget* parent = nullptr);

    // A new run begins: a header line naming what was started. Returns where
    // the run's output starts, for endRun.
    int beginRun(const QString& commandLine);
    // Text as the engine printed it; the error channel always stands out.
    void appendOutput(const QString& text, bool errorChannel);
    // The run ended. After a failure every line of the run that is not the
    // engine's ordinary banner, progress or count is its error report and is
    // marked as such, followed by a closing line saying how the run ended.
    void endRun(int runStart, int exitCode, bool crashed, const QString& problem);

    // Whether a line is part of the engine's ordinary output.
    static bool isOrdinaryLine(QStringView line);

    static QTextCharFormat errorFormat();

  private:
    void append(const QString& text, const QTextCharFormat& format);
    void startLine();
};
