// The pane under the editor that shows what the engine prints while it runs:
// banner, progress marks, matches and the final count, and the engine's
// error messages in a form that stands out. It follows the output while the
// user has not scrolled away, and a click on a line that says where a query
// error lies takes the editor there.
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QStringView>
#include <QTextCharFormat>

#include "pelk/errorlocation.h"

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
    // The run was stopped on request: a closing line says so.
    void endStoppedRun();
    // A note of pelk's own inside a run, such as a program it passed over.
    void appendNote(const QString& text);

    // The error locations the run starting at `runStart` reported; their
    // lines are shown as links.
    QList<ErrorLocation> locations(int runStart);
    // Whether new output is kept in view (the user has not scrolled away).
    bool isFollowing() const { return follow_; }

    // Whether a line is part of the engine's ordinary output.
    static bool isOrdinaryLine(QStringView line);

    static QTextCharFormat errorFormat();

  signals:
    void locationClicked(const ErrorLocation& location);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void append(const QString& text, const QTextCharFormat& format);
    void startLine();
    void scrollToEnd();
    std::optional<ErrorLocation> locationAt(const QPoint& point) const;

    bool follow_ = true;
    bool scrolling_ = false;  // the pane itself moves the scroll bar
};
