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

#include "fakedesktop.h"
#include "pelk/aboutdialog.h"
#include "pelk/mainwindow.h"
#include "pelk/outputpane.h"
#include "pelk/palettedialog.h"
#include "pelk/queryeditor.h"

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
    QString title(const QString& name) const { return "Pelk ver 1.00 [" + name + "]"; }

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
        const QString expected = w->palette().insertion(0, 0, false, "");
        QVERIFY(expected.startsWith("(match"));
        QCOMPARE(text(), expected);
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

    // Closing with unsaved changes: No means Save As, and a cancelled Save As
    // keeps the window open with the edits.
    void closing_data() {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("saveName");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Yes: exit without saving") << QMessageBox::Yes << "" << true;
        QTest::newRow("No, then save") << QMessageBox::No << "saved.hux" << true;
        QTest::newRow("No, then cancel Save As") << QMessageBox::No << "" << false;
    }
    void closing() {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, saveName);
        QFETCH(bool, closes);
        MainWindow* w = startWindow();
        w->show();
        type("; mine");
        const QString edited = text();
        desktop_->answers << answer;
        if (!saveName.isEmpty()) desktop_->saveNames << path(saveName);
        QCOMPARE(w->close(), closes);
        QCOMPARE(desktop_->questions, QStringList{"File not saved. Exit without saving?"});
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(text(), edited);
        if (!saveName.isEmpty()) QCOMPARE(readBytes(path(saveName)), (edited + "\n").toUtf8());
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

    void secondRunAsksFirst() {
        writeScript(path("pelkrun"), "echo started >> runs.txt; sleep 30\n");
        MainWindow* w = startWindow();
        w->run();
        QTRY_VERIFY(w->isRunning());
        desktop_->answers << QMessageBox::No;
        w->run();
        QCOMPARE(desktop_->questions.size(), 1);
        QTRY_COMPARE(readBytes(path("runs.txt")), QByteArray("started\n"));
        desktop_->answers << QMessageBox::Yes;
        w->run();
        QTRY_COMPARE(readBytes(path("runs.txt")), QByteArray("started\nstarted\n"));
        // Both are stopped when the window goes.
    }

    void viewResult_data() {
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<bool>("resultExists");
        QTest::addColumn<QString>("query");
        QTest::newRow("viewer gets the name as one argument")
            << true << false << "(match :output my games.pgn ; found)";
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
