// The main window: start-up, the file commands and their questions, the
// palette, Run with the engine's output in the pane, and View Result.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <QElapsedTimer>
#include <QTreeWidget>
#include <csignal>

#include "fakedesktop.h"
#include "pelk/aboutdialog.h"
#include "pelk/foundgames.h"
#include "pelk/mainwindow.h"
#include "pelk/outputpane.h"
#include "pelk/palettedialog.h"
#include "pelk/queryeditor.h"
#include "pelk/resultindex.h"
#include "pelk/viewermodel.h"
#include "pelk/viewerwindow.h"

Q_DECLARE_METATYPE(QList<PaletteChoice>)

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write");
}

// A script the window can start, given its text.
void writeScript(const QString& path, const QByteArray& body) {
    writeBytes(path, "#!/bin/sh\n" + body);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

const QByteArray kMorphyQuery =
    "; Morphy's games\n(match :pgn sample.pgn :output morphy.pgn :player Morphy)\n";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<MainWindow> window_;

    QString path(const QString& name) const { return QDir(dir_->path()).filePath(name); }

    MainWindow* startWindow(const QString& file = {}) {
        PelkSetup setup{dir_->path(), QStringLiteral(PELK_PALETTE_FILE),
                        QStringLiteral(HUX_BINARY)};
        window_ = std::make_unique<MainWindow>(setup, desktop_.get());
        window_->start(file);
        return window_.get();
    }

    QString text() const { return window_->editor()->toPlainText(); }
    void type(const QString& more) { window_->editor()->insertPlainText(more); }
    // The window title as set; "[*]" is where the mark of unsaved changes shows.
    QString title(const QString& name) const { return "Pelk ver 1.00 [" + name + "][*]"; }

    bool runAndWait() {
        QSignalSpy finished(window_.get(), &MainWindow::runFinished);
        window_->run();
        if (!finished.wait(60000)) return false;
        return finished.first().first().toBool();
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        desktop_ = std::make_unique<FakeDesktop>();
    }
    void cleanup() {
        window_.reset();
        desktop_.reset();
        dir_.reset();
    }

    void startsWithTheFirstTemplate() {
        MainWindow* w = startWindow();
        QCOMPARE(w->windowTitle(), title("Untitled"));
        // The first template of the palette file, in its long form.
        QCOMPARE(text(),
                 QString("(match :pgn games.pgn :output found.pgn ; search games.pgn, write the "
                         "games found to found.pgn\n"
                         " (position                              ; what must happen on the "
                         "board: pieces and keywords\n"
                         " ))                                     ; end of the position list "
                         "and of the query"));
        QVERIFY(w->isModified());
        // The caret stands between the parenthesis and the word match.
        QCOMPARE(w->editor()->textCursor().position(), 1);
        QVERIFY(desktop_->errors.isEmpty());
        QCOMPARE(w->aboutDialog()->version(), QString("ver 1.00"));
    }

    void startsWithAFile() {
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow(path("q.hux"));
        QCOMPARE(w->windowTitle(), title(QDir::toNativeSeparators(path("q.hux"))));
        QCOMPARE(text(), QString::fromUtf8(kMorphyQuery));
        QVERIFY(!w->isModified());
    }

    void missingPaletteIsReported() {
        PelkSetup setup{dir_->path(), QString(), QStringLiteral(HUX_BINARY)};
        window_ = std::make_unique<MainWindow>(setup, desktop_.get());
        window_->start({});
        QCOMPARE(desktop_->errors.size(), 1);
        QVERIFY(desktop_->errors[0].contains("pelk.pal"));
        QCOMPARE(text(), QString());
        window_->showPalette();
        QCOMPARE(desktop_->messages.size(), 1);
    }

    void saveAsAndOverwrite_data() {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("overwritten");
        QTest::newRow("Yes") << QMessageBox::Yes << true;
        QTest::newRow("No") << QMessageBox::No << false;
        QTest::newRow("Cancel") << QMessageBox::Cancel << false;
    }
    void saveAsAndOverwrite() {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, overwritten);
        writeBytes(path("old.hux"), "old\n");
        MainWindow* w = startWindow();
        // Save on an untitled query asks for a name like Save As.
        desktop_->saveNames << path("old.hux");
        desktop_->answers << answer;
        QCOMPARE(w->save(), overwritten);
        QCOMPARE(desktop_->questions.size(), 1);
        QVERIFY(desktop_->questions[0].startsWith("OK to overwrite "));
        QCOMPARE(readBytes(path("old.hux")), overwritten ? (text() + "\n").toUtf8() : "old\n");
        QCOMPARE(w->isModified(), !overwritten);
        QCOMPARE(w->fileName(),
                 overwritten ? QDir::toNativeSeparators(path("old.hux")) : QString("Untitled"));
    }

    void saveWritesTheCurrentFile() {
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow(path("q.hux"));
        type("; more\n");
        QVERIFY(w->save());
        QVERIFY(desktop_->questions.isEmpty());
        QCOMPARE(readBytes(path("q.hux")), "; more\n" + kMorphyQuery);
        QVERIFY(!w->isModified());
    }

    // Files are written back with the bytes and line ends they were read
    // with, so a Latin-1 name still matches a Latin-1 PGN file.
    void keepsEncodingAndLineEnds() {
        const QByteArray latin1 = "(match :pgn g.pgn\r\n :player R\xe9ti)\r\n";
        writeBytes(path("r.hux"), latin1);
        MainWindow* w = startWindow(path("r.hux"));
        QCOMPARE(text(), QString::fromLatin1("(match :pgn g.pgn\n :player R\xe9ti)\n"));
        type(" ");
        QVERIFY(w->save());
        QCOMPARE(readBytes(path("r.hux")), " " + latin1);
    }

    void openLoadsAFile() {
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow();
        desktop_->answers << QMessageBox::Discard;
        desktop_->openNames << path("q.hux");
        w->openQuery();
        QCOMPARE(text(), QString::fromUtf8(kMorphyQuery));
        QCOMPARE(w->windowTitle(), title(QDir::toNativeSeparators(path("q.hux"))));
        QVERIFY(!w->isModified());
        // An unreadable file leaves the editor as it was.
        desktop_->openNames << path("missing.hux");
        w->openQuery();
        QCOMPARE(desktop_->errors.size(), 1);
        QCOMPARE(text(), QString::fromUtf8(kMorphyQuery));
    }

    // New and Open ask before unsaved changes are dropped.
    void unsavedChangesAreKept_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("New, Cancel") << "new" << QMessageBox::Cancel << true;
        QTest::newRow("New, Discard") << "new" << QMessageBox::Discard << false;
        QTest::newRow("New, Save") << "new" << QMessageBox::Save << false;
        QTest::newRow("Open, Cancel") << "open" << QMessageBox::Cancel << true;
        QTest::newRow("Open, Discard") << "open" << QMessageBox::Discard << false;
    }
    void unsavedChangesAreKept() {
        QFETCH(QString, command);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, kept);
        writeBytes(path("q.hux"), kMorphyQuery);
        writeBytes(path("other.hux"), "(match :pgn other.pgn)\n");
        MainWindow* w = startWindow(path("q.hux"));
        type("; edited\n");
        const QString edited = text();
        desktop_->answers << answer;
        desktop_->openNames << path("other.hux");
        if (command == "new")
            w->newQuery();
        else
            w->openQuery();
        QCOMPARE(desktop_->questions.size(), 1);
        QCOMPARE(text() == edited, kept);
        QCOMPARE(desktop_->openNames.isEmpty(), command == "open" && !kept);
        if (answer == QMessageBox::Save) QCOMPARE(readBytes(path("q.hux")), edited.toUtf8());
        if (command == "new" && !kept) {
            QCOMPARE(w->windowTitle(), title("Untitled"));
            QCOMPARE(text(), w->palette().insertion(0, 0, false, ""));
        }
    }

    // Closing with unsaved changes: No, the default, saves (under the
    // query's name, or through Save As for an untitled one), and a cancelled
    // Save As keeps the window open with the edits.
    void closing_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("saveName");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Yes: exit without saving") << false << QMessageBox::Yes << "" << true;
        QTest::newRow("No, then Save As") << false << QMessageBox::No << "saved.hux" << true;
        QTest::newRow("No, then cancel Save As") << false << QMessageBox::No << "" << false;
        QTest::newRow("named, No saves to its name") << true << QMessageBox::No << "" << true;
        QTest::newRow("named, Yes leaves the file") << true << QMessageBox::Yes << "" << true;
    }
    void closing() {
        QFETCH(bool, named);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, saveName);
        QFETCH(bool, closes);
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow(named ? path("q.hux") : QString());
        w->show();
        QVERIFY(!named || !w->isWindowModified());
        type("; mine");
        QVERIFY(w->isWindowModified());
        const QString edited = text();
        desktop_->answers << answer;
        if (!saveName.isEmpty()) desktop_->saveNames << path(saveName);
        QCOMPARE(w->close(), closes);
        QCOMPARE(desktop_->questions, QStringList{"File not saved. Exit without saving?"});
        QCOMPARE(desktop_->defaults, QList<QMessageBox::StandardButton>{QMessageBox::No});
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(text(), edited);
        if (!saveName.isEmpty()) QCOMPARE(readBytes(path(saveName)), (edited + "\n").toUtf8());
        if (named) {
            QCOMPARE(readBytes(path("q.hux")),
                     answer == QMessageBox::No ? "; mine" + kMorphyQuery : kMorphyQuery);
        }
        QCOMPARE(w->isWindowModified(), answer == QMessageBox::Yes || !closes);
    }

    // The other questions default to the answer that loses nothing.
    void questionsDefaultToTheSafeAnswer() {
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow(path("q.hux"));
        type("; mine");
        w->newQuery();
        desktop_->saveNames << path("q.hux");
        w->saveAs();
        QCOMPARE(desktop_->defaults,
                 (QList<QMessageBox::StandardButton>{QMessageBox::Save, QMessageBox::No}));
    }

    void paletteCommandInsertsAtTheCaret_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Enter: long form, indented")
            << int(Qt::Key_Enter)
            << "(x\n    :and (                                  ; every one of these lists must "
               "match the same position\n      (position)                             ; the first "
               "list\n      (position))                            ; the second list";
        QTest::newRow("Space: short form")
            << int(Qt::Key_Space) << "(x\n    :and ((position)(position))";
    }
    void paletteCommandInsertsAtTheCaret() {
        QFETCH(int, key);
        QFETCH(QString, expected);
        MainWindow* w = startWindow();
        w->show();
        w->editor()->setPlainText("(x\n    ");
        w->editor()->moveCursor(QTextCursor::End);
        // The cell of :and, answered in the modal palette once it is up.
        QTimer::singleShot(0, this, [w, key] {
            QTableWidget* grid = w->paletteDialog()->grid();
            grid->setCurrentCell(0, 4);
            QTest::keyClick(grid, Qt::Key(key));
        });
        w->showPalette();
        QCOMPARE(text(), expected);
        QCOMPARE(w->editor()->textCursor().position(), int(expected.indexOf(u'(', 3)) + 1);
        QCOMPARE(w->paletteChoice().column, 4);
        QVERIFY(w->isModified());
    }

    // Insertions fitted to the text around the caret ("|" marks the caret
    // before and after): the exact text each palette choice leaves.
    void insertionsFitTheirPlace_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<PaletteChoice>>("choices");
        QTest::addColumn<QString>("after");
        const PaletteChoice moveNumber{1, 11, false}, mate{1, 4, false}, flipColor{2, 5, true},
            queen{5, 1, true}, e4{6, 0, true}, position{0, 1, false}, positionShort{0, 1, true};
        QTest::newRow("long form in mid-line keeps the rest of the line")
            << "(match :pgn g.pgn\n  (position :mate Qh7 |))" << QList<PaletteChoice>{moveNumber}
            << "(match :pgn g.pgn\n  (position :mate Qh7 :movenumber 20 40                       "
               "; the move number lies in this range\n  |))";
        QTest::newRow("long form indented by the caret keeps the rest below")
            << "(position\n    |:btm)" << QList<PaletteChoice>{position}
            << "(position\n    (|position                               ; a list of conditions "
               "that one position must meet\n      )                                      ; the "
               "game matches when some position does\n     :btm)";
        QTest::newRow("long form at a line's end")
            << "(position :wtm|" << QList<PaletteChoice>{mate}
            << "(position :wtm :mate                                   ; the side to move is "
               "checkmated|";
        QTest::newRow("short form after a word gets a blank")
            << "(position :mate|)" << QList<PaletteChoice>{flipColor}
            << "(position :mate :flipcolor|)";
        QTest::newRow("short form before a word gets a blank")
            << "(position |:btm)" << QList<PaletteChoice>{flipColor}
            << "(position :flipcolor| :btm)";
        QTest::newRow("short form after ( or a blank gets none")
            << "(|)" << QList<PaletteChoice>{queen} << "(Q|)";
        QTest::newRow("two insertions in a row keep their order")
            << "(position |)" << QList<PaletteChoice>{queen, e4} << "(position Qe4|)";
        QTest::newRow("a square after a piece completes it, a piece after it starts another")
            << "(position Q|)" << QList<PaletteChoice>{e4, queen} << "(position Qe4 Q|)";
        QTest::newRow("a piece before a square completes it")
            << "(position |e4 :wtm)" << QList<PaletteChoice>{queen} << "(position Q|e4 :wtm)";
        QTest::newRow("a list after a designator")
            << "(position |)" << QList<PaletteChoice>{queen, e4, positionShort}
            << "(position Qe4 (|position))";
    }
    void insertionsFitTheirPlace() {
        QFETCH(QString, before);
        QFETCH(QList<PaletteChoice>, choices);
        QFETCH(QString, after);
        MainWindow* w = startWindow();
        w->editor()->setPlainText(QString(before).remove(u'|'));
        QTextCursor cursor = w->editor()->textCursor();
        cursor.setPosition(int(before.indexOf(u'|')));
        w->editor()->setTextCursor(cursor);
        for (const PaletteChoice& choice : choices) w->insertPaletteText(choice);
        QString shown = text();
        shown.insert(w->editor()->textCursor().position(), u'|');
        QCOMPARE(shown, after);
    }

    // The mid-line long form leaves a query that hux reads and runs.
    void midLineInsertionRuns() {
        QVERIFY(QFile::copy(HUX_EXAMPLES_DIR "/sample.pgn", path("sample.pgn")));
        MainWindow* w = startWindow();
        w->editor()->setPlainText("(match :pgn sample.pgn :output m.pgn (position :mate))");
        QTextCursor cursor = w->editor()->textCursor();
        cursor.setPosition(int(text().indexOf("))")));
        w->editor()->setTextCursor(cursor);
        w->insertPaletteText({1, 11, false});
        QVERIFY2(runAndWait(), qPrintable(w->output()->toPlainText()));
        QVERIFY(w->output()->toPlainText().contains("Number of matching games:"));
    }

    void runShowsTheEngineOutput() {
        QVERIFY(QFile::copy(HUX_EXAMPLES_DIR "/sample.pgn", path("sample.pgn")));
        writeBytes(path("q.hux"), kMorphyQuery);
        MainWindow* w = startWindow(path("q.hux"));
        type("; not saved yet\n");
        QVERIFY(runAndWait());
        // The run uses the editor's text, saved or not, and leaves it unsaved.
        QCOMPARE(readBytes(path("e$$$.hux")), (text()).toUtf8());
        QVERIFY(w->isModified());
        QCOMPARE(w->fileName(), QDir::toNativeSeparators(path("q.hux")));
        const QString pane = w->output()->toPlainText();
        QVERIFY2(pane.contains("HUX version"), qPrintable(pane));
        QVERIFY2(pane.contains("+<4>+<5>"), qPrintable(pane));
        QVERIFY2(pane.contains("Number of matching games: 2 to file: morphy.pgn"),
                 qPrintable(pane));
        QVERIFY(readBytes(path("morphy.pgn")).contains("{Original game: 5 "));

        // The games found, listed from the result file; a click shows one.
        FoundGames* found = w->foundGames();
        QVERIFY(found->isVisible() || !w->isVisible());
        QCOMPARE(found->topLevelItemCount(), 2);
        QStringList rows;
        for (int i = 0; i < 2; i++) {
            const QTreeWidgetItem* item = found->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3),
                                item->text(4)}
                        .join(u'|');
        }
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].startsWith("4|") && rows[1].startsWith("5|"),
                 qPrintable(rows.join(u'\n')));
        QVERIFY2(rows.join(u' ').contains("Morphy"), qPrintable(rows.join(u'\n')));
        emit found->gameChosen(found->resultPath(), 2);
        QVERIFY(w->viewer() != nullptr);
        const ViewerModel* model = w->viewer()->model();
        QTRY_COMPARE(model->gameIndex(), 1);
        QCOMPARE(model->index()->entry(model->gameIndex()).original, 5u);
    }

    void engineErrorsStandOut() {
        MainWindow* w = startWindow();
        w->editor()->setPlainText("(match :pgn x.pgn :colour white)");
        QVERIFY(!runAndWait());
        const QTextDocument* pane = w->output()->document();
        bool marked = false;
        for (QTextBlock b = pane->begin(); b.isValid(); b = b.next()) {
            const QTextCharFormat format = QTextCursor(b).charFormat();
            const bool error = b.text().contains("unknown matcher term: :colour");
            if (error) marked = format.foreground() == OutputPane::errorFormat().foreground();
            if (b.text().startsWith("HUX version")) {
                QVERIFY(format.foreground() != OutputPane::errorFormat().foreground());
            }
        }
        QVERIFY2(marked, qPrintable(pane->toPlainText()));
        QVERIFY(pane->toPlainText().contains("exit status 1"));
    }

    void runnerScriptTakesOver() {
        writeScript(path("pelkrun"), "echo \"runner in $(pwd)\"; cat 'e$$$.hux'; echo oops >&2\n");
        MainWindow* w = startWindow();
        w->editor()->setPlainText("(match :pgn from-editor.pgn)");
        QVERIFY(runAndWait());
        const QString pane = w->output()->toPlainText();
        QVERIFY2(pane.contains("runner in " + QDir(dir_->path()).canonicalPath()) ||
                     pane.contains("runner in " + dir_->path()),
                 qPrintable(pane));
        QVERIFY(pane.contains("(match :pgn from-editor.pgn)"));
        QVERIFY(pane.contains("oops"));
    }

    // Stop ends the engine and whatever the runner script started (SIGTERM,
    // then SIGKILL for a process that ignores it), says so, and leaves the
    // files as they were.
    void stopEndsTheRun_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("escape");
        QTest::newRow("engine under a script, Stop")
            << QByteArray("echo partial > out.pgn; sleep 60 & echo $! > child.pid; wait\n")
            << false;
        QTest::newRow("ignores SIGTERM, Escape")
            << QByteArray(
                   "trap '' TERM; echo partial > out.pgn; echo $$ > child.pid; "
                   "while :; do sleep 0.1; done\n")
            << true;
    }
    void stopEndsTheRun() {
        QFETCH(QByteArray, script);
        QFETCH(bool, escape);
        writeScript(path("pelkrun"), script);
        MainWindow* w = startWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(!w->stopAction()->isEnabled());
        QSignalSpy finished(w, &MainWindow::runFinished);
        w->run();
        QTRY_VERIFY(QFile::exists(path("child.pid")) && !readBytes(path("child.pid")).isEmpty());
        QVERIFY(w->stopAction()->isEnabled());
        QElapsedTimer clock;
        clock.start();
        if (escape) {
            w->activateWindow();
            QTest::keyClick(w->editor(), Qt::Key_Escape);
        } else {
            w->stopAction()->trigger();
        }
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished[0][0].toBool(), false);
        QVERIFY(!w->isRunning());
        QVERIFY(!w->stopAction()->isEnabled());
        if (escape) QVERIFY(clock.elapsed() >= 2500);  // only SIGKILL ended it
        const pid_t child = readBytes(path("child.pid")).trimmed().toInt();
        QTRY_VERIFY(kill(child, 0) != 0);
        QVERIFY2(w->output()->toPlainText().contains(
                     "Stopped: HUX was ended on request; its output file stays as HUX left it."),
                 qPrintable(w->output()->toPlainText()));
        QCOMPARE(readBytes(path("out.pgn")), QByteArray("partial\n"));
    }

    // Run while a run goes on asks (No is the default); Yes stops the first
    // and starts the new run once it has ended, so that two never overlap.
    void secondRunAsksFirst() {
        writeScript(path("pelkrun"), "echo started >> runs.txt; exec sleep 30\n");
        MainWindow* w = startWindow();
        w->run();
        QTRY_VERIFY(w->isRunning());
        QTRY_COMPARE(readBytes(path("runs.txt")), QByteArray("started\n"));
        desktop_->answers << QMessageBox::No;
        w->run();
        QCOMPARE(desktop_->questions,
                 QStringList{"HUX is still running. Stop it and run the query again?"});
        QCOMPARE(desktop_->defaults, QList<QMessageBox::StandardButton>{QMessageBox::No});
        QTest::qWait(200);
        QCOMPARE(readBytes(path("runs.txt")), QByteArray("started\n"));
        desktop_->answers << QMessageBox::Yes;
        w->run();
        QTRY_COMPARE(readBytes(path("runs.txt")), QByteArray("started\nstarted\n"));
        QVERIFY(w->isRunning());
        QCOMPARE(w->output()->toPlainText().count("Stopped: HUX was ended on request"), 1);
        // The second is stopped when the window goes.
    }

    // A runner script or viewer that someone else could have put there or
    // changed is not run; the pane says why.
    void untrustedHelpersAreSkipped_data() {
        QTest::addColumn<QFile::Permissions>("permissions");
        QTest::addColumn<QString>("why");
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QTest::newRow("writable by group")
            << (owner | QFile::WriteGroup | QFile::ExeGroup) << "is writable by group or others";
        QTest::newRow("writable by others")
            << (owner | QFile::WriteOther) << "is writable by group or others";
        QTest::newRow("not executable")
            << (QFile::ReadOwner | QFile::WriteOwner) << "is not executable";
    }
    void untrustedHelpersAreSkipped() {
        QFETCH(QFile::Permissions, permissions);
        QFETCH(QString, why);
        QVERIFY(QFile::copy(HUX_EXAMPLES_DIR "/sample.pgn", path("sample.pgn")));
        for (const char* name : {"pelkrun", "huxpgnv"}) {
            writeScript(path(name), "echo ran > ran.txt\n");
            QVERIFY(QFile(path(name)).setPermissions(permissions));
        }
        MainWindow* w = startWindow();
        w->editor()->setPlainText(QString::fromUtf8(kMorphyQuery));
        QVERIFY(runAndWait());
        const QString pane = w->output()->toPlainText();
        QVERIFY2(pane.contains(QFileInfo(path("pelkrun")).absoluteFilePath() + " was not run: it " +
                               why + "."),
                 qPrintable(pane));
        QVERIFY2(pane.contains("Number of matching games: 2"), qPrintable(pane));
        w->openExternalViewer();
        QVERIFY(desktop_->startedPrograms.isEmpty());
        QCOMPARE(desktop_->openedDocuments,
                 QStringList{QDir(dir_->path()).absoluteFilePath("morphy.pgn")});
        QVERIFY(w->output()->toPlainText().contains(QFileInfo(path("huxpgnv")).absoluteFilePath() +
                                                    " was not run: it " + why + "."));
        QVERIFY(!QFile::exists(path("ran.txt")));
    }

    // The engine's location line marks the place in the editor; a click on
    // it in the pane takes the caret there.
    void errorLocationsAreMarked() {
        writeScript(path("pelkrun"),
                    "echo 'HUX version'; echo 'unknown matcher term: :colour' >&2;"
                    "echo '  at line 3, column 6: :colour' >&2; exit 1\n");
        MainWindow* w = startWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->editor()->setPlainText(
            QString::fromUtf8("; R\xc3\xa9ti\n(match :pgn g.pgn\n  \xc3\xa9 :colour white)"));
        QVERIFY(!runAndWait());
        // Column 6 counts the two bytes of the accented letter.
        const int at = int(text().indexOf(":colour"));
        QCOMPARE(w->editor()->errorLines(), QList<int>{3});
        const QList<QTextEdit::ExtraSelection> marks = w->editor()->extraSelections();
        QVERIFY(std::any_of(marks.cbegin(), marks.cend(), [at](const QTextEdit::ExtraSelection& m) {
            return m.cursor.selectionStart() == at && m.cursor.selectionEnd() == at + 7 &&
                   m.format.underlineStyle() == QTextCharFormat::WaveUnderline;
        }));
        // The mark follows edits above it.
        QTextCursor top(w->editor()->document());
        top.insertText("\n");
        QCOMPARE(w->editor()->errorLines(), QList<int>{4});
        top.deletePreviousChar();

        OutputPane* pane = w->output();
        QTextBlock block = pane->document()->begin();
        while (block.isValid() && !block.text().startsWith("  at line")) block = block.next();
        QVERIFY(block.isValid());
        QTextCursor caret = w->editor()->textCursor();
        caret.setPosition(0);
        w->editor()->setTextCursor(caret);
        QTextCursor link(block);
        link.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 8);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(link).center());
        QCOMPARE(w->editor()->textCursor().position(), at);
        // The next run starts without the old marks.
        writeScript(path("pelkrun"), "exit 0\n");
        QVERIFY(runAndWait());
        QVERIFY(w->editor()->errorLines().isEmpty());
    }

    // The same with the real engine: its location line for a query error
    // marks the word it failed on.
    void engineErrorIsLocated() {
        MainWindow* w = startWindow();
        w->editor()->setPlainText("; a mistake on line 3\n(match :pgn x.pgn\n  :colour white)");
        QVERIFY(!runAndWait());
        const QString pane = w->output()->toPlainText();
        if (!pane.contains("  at line ")) QSKIP("this hux prints no location lines yet");
        QVERIFY2(pane.contains("unknown matcher term: :colour\n  at line 3, column 3: :colour"),
                 qPrintable(pane));
        QCOMPARE(w->editor()->errorLines(), QList<int>{3});
    }

    // Games File... and Output File... put the chosen file into the query:
    // named from the start directory when inside it, quoted when needed.
    void fileChoosersEditTheQuery() {
        MainWindow* w = startWindow();
        w->editor()->setPlainText("(match :pgn games.pgn ; the games\n (position :mate))");
        desktop_->pgnNames << path("My Games/all.pgn") << "/elsewhere/out.pgn"
                           << "";
        w->chooseGamesFile();
        QCOMPARE(text(),
                 QString("(match :pgn \"My Games/all.pgn\" ; the games\n (position :mate))"));
        w->chooseOutputFile();
        QCOMPARE(text(), QString("(match :output /elsewhere/out.pgn :pgn \"My Games/all.pgn\" ; "
                                 "the games\n (position :mate))"));
        w->editor()->document()->setModified(false);
        w->chooseGamesFile();  // cancelled
        QVERIFY(!w->isModified());
        // Undo takes back one choice at a time.
        w->editor()->undo();
        QCOMPARE(text(),
                 QString("(match :pgn \"My Games/all.pgn\" ; the games\n (position :mate))"));
        // Without a match form there is nowhere to put it: the user is told.
        w->editor()->setPlainText("; notes");
        desktop_->pgnNames << path("g.pgn");
        w->chooseGamesFile();
        QCOMPARE(text(), QString("; notes"));
        QCOMPARE(desktop_->messages.size(), 1);
    }

    void viewResult_data() {
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<bool>("resultExists");
        QTest::addColumn<QString>("query");
        QTest::newRow("viewer gets the name as one argument")
            << true << false << "(match :output \"my games.pgn\" ; found)";
        QTest::newRow("desktop opens the result") << false << true << "(match :output r.pgn)";
        QTest::newRow("result not written yet") << false << false << "(match :output r.pgn)";
        QTest::newRow("no result named") << true << false << "(match :pgn g.pgn)";
    }
    void viewResult() {
        QFETCH(bool, viewer);
        QFETCH(bool, resultExists);
        QFETCH(QString, query);
        if (viewer) writeScript(path("huxpgnv"), "exit 0\n");
        if (resultExists) writeBytes(path("r.pgn"), "");
        MainWindow* w = startWindow();
        w->editor()->setPlainText(query);
        w->openExternalViewer();
        const bool named = query.contains(":output");
        if (named && viewer) {
            QCOMPARE(desktop_->startedPrograms,
                     (QList<QStringList>{
                         {QFileInfo(path("huxpgnv")).absoluteFilePath(), "my games.pgn"}}));
        } else {
            QVERIFY(desktop_->startedPrograms.isEmpty());
        }
        QCOMPARE(desktop_->openedDocuments,
                 resultExists ? QStringList{QDir(dir_->path()).absoluteFilePath("r.pgn")}
                              : QStringList{});
        QCOMPARE(desktop_->messages.size(), (named && (viewer || resultExists)) ? 0 : 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
