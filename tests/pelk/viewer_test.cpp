// The result viewer on files hux writes from the sample games: the positions
// shown at the marks against the chess core's own replay, moving through
// marks and games, copying, bad input, a file of 100,000 games, and the ways
// the editor opens the viewer.
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "fakedesktop.h"
#include "pelk/boardwidget.h"
#include "pelk/mainwindow.h"
#include "pelk/movelistview.h"
#include "pelk/queryeditor.h"
#include "pelk/viewermodel.h"
#include "pelk/viewerwindow.h"

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

bool marked(const char* comment) {
    static const QRegularExpression mark(QStringLiteral("\\bMATCH2?\\b"));
    return comment != nullptr && mark.match(QString::fromUtf8(comment)).hasMatch();
}

QString fenOf(const Position* pos) {
    char fen[128];
    pos->PrintFEN(fen, FEN_ALL_FIELDS);
    return QString::fromLatin1(fen);
}

// The marked positions of the game at the cursor's line, as the core's own
// cursor reaches them: each move, then the variations that replace it.
void markedPositions(Game& game, QStringList* fens) {
    while (game.GetCurrentMove() != nullptr && game.GetCurrentMove()->marker == NO_MARKER) {
        const uint32_t variations = game.GetNumVariations();
        game.MoveForward();
        if (marked(game.GetMoveComment())) *fens << fenOf(game.GetCurrentPos());
        game.MoveBackup();
        for (uint32_t v = 0; v < variations; ++v) {
            game.MoveIntoVariation(v);
            markedPositions(game, fens);
            game.MoveExitVariation();
        }
        game.MoveForward();
    }
}

// Every game's marked positions, read straight from the file by the core.
QList<QStringList> coreMarks(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    MFile file;
    if (file.Open(name.constData(), FMODE_ReadOnly) != OK) return {};
    PgnParser parser(&file);
    Game game;
    QList<QStringList> all;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        QStringList fens;
        game.MoveToPly(0);
        if (marked(game.GetMoveComment())) fens << fenOf(game.GetCurrentPos());
        markedPositions(game, &fens);
        all << fens;
    }
    return all;
}

bool waitComplete(ViewerModel& model, int timeout = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!model.index()->isComplete() && timer.elapsed() < timeout) {
        QTest::qWait(10);
    }
    return model.index()->isComplete();
}

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    // Runs hux on a query over the sample games; the result file's path.
    QString huxResult(const QString& name, const QString& list) {
        const QString out = path(name);
        if (QFile::exists(out)) return out;
        const QString query =
            QStringLiteral("(match :pgn sample.pgn :output %1 %2)").arg(name, list);
        writeBytes(path(name + ".hux"), query.toUtf8());
        QProcess hux;
        hux.setWorkingDirectory(dir_.path());
        hux.start(QStringLiteral(HUX_BINARY), {name + ".hux"});
        if (!hux.waitForFinished(120000) || hux.exitCode() != 0) {
            qWarning() << "hux failed:" << hux.readAllStandardError();
            return {};
        }
        return out;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::copy(QStringLiteral(HUX_EXAMPLES_DIR "/sample.pgn"), path("sample.pgn")));
    }

    void marksAreTheCoresPositions_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("mates") << huxResult("mates.pgn", "(position :mate)");
        QTest::newRow("checks in variations, every one marked")
            << huxResult("checks.pgn", "(position :check :variations :markall)");
        QTest::newRow("stalemates in variations")
            << huxResult("stalemates.pgn", "(position :stalemate :variations)");
        QTest::newRow("nested variations")
            << QStringLiteral(HUX_FIXTURES_DIR "/golden/walk_mates_markall_variations.pgn");
        QTest::newRow("start position marked")
            << QStringLiteral(HUX_FIXTURES_DIR "/golden/walk_initial_position.pgn");
        QTest::newRow("MATCH2") << QStringLiteral(HUX_FIXTURES_DIR
                                                  "/golden/relation_repetitions_marked.pgn");
    }
    // Within each game F3 visits the core's marked positions in reader order
    // and Shift+F3 visits them backwards; past a game's last mark F3 goes on
    // to the next game with marks, at its first.
    void marksAreTheCoresPositions() {
        QFETCH(QString, file);
        QVERIFY(QFile::exists(file));
        const QList<QStringList> expected = coreMarks(file);
        QVERIFY(!expected.isEmpty());
        ViewerModel model;
        QVERIFY(model.open(file));
        QVERIFY(waitComplete(model));
        QCOMPARE(model.index()->count(), int(expected.size()));
        int totalMarks = 0;
        for (int g = 0; g < expected.size(); ++g) {
            QVERIFY(model.showGame(g));
            QStringList forward;
            if (model.markIndex() >= 0) forward << model.fen();
            QCOMPARE(model.node()->marks != 0, !expected[g].isEmpty());
            while (model.nextMark() && model.gameIndex() == g) forward << model.fen();
            QCOMPARE(forward, expected[g]);
            totalMarks += int(forward.size());
            const ResultEntry& e = model.index()->entry(g);
            QCOMPARE(int(e.matches + e.matches2) >= int(forward.size()), true);

            QVERIFY(model.showGame(g, ViewerModel::Start::LastMark));
            QStringList backward;
            if (model.markIndex() >= 0) backward << model.fen();
            while (model.previousMark() && model.gameIndex() == g) backward.prepend(model.fen());
            QCOMPARE(backward, expected[g]);
        }
        QVERIFY(totalMarks > 0);
    }

    void movesAndGames() {
        const QString file = huxResult("checks.pgn", "(position :check :variations :markall)");
        ViewerModel model;
        QSignalSpy games(&model, &ViewerModel::gameChanged);
        QVERIFY(model.open(file));
        QVERIFY(waitComplete(model));
        QTRY_COMPARE(model.gameIndex(), 0);
        // The first game opens at its first mark.
        QCOMPARE(model.nodeIndex(), model.game().marks().first());
        QVERIFY(model.toStart());
        QCOMPARE(model.fen(),
                 QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
        QVERIFY(!model.back());
        QVERIFY(model.forward());
        QCOMPARE(model.node()->san, QStringLiteral("e4"));
        QVERIFY(model.toEnd());
        QVERIFY(!model.forward());
        QCOMPARE(model.node()->depth, 0);

        // Page Down opens each game at its first mark; Page Up comes back.
        for (int g = 1; g < model.index()->count(); ++g) {
            QVERIFY(model.nextGame());
            QCOMPARE(model.gameIndex(), g);
            QCOMPARE(model.nodeIndex(), model.game().marks().first());
        }
        QVERIFY(!model.nextGame());
        QVERIFY(model.previousGame());
        QCOMPARE(model.gameIndex(), model.index()->count() - 2);

        // The game noted as original game 5 (the annotated Opera game, whose
        // variations hold checks) opens where asked.
        QVERIFY(model.showOriginal(5));
        QCOMPARE(model.index()->entry(model.gameIndex()).original, 5u);
        QVERIFY(!model.showOriginal(999));
        // A move in a variation goes back to the position it branches from.
        const QVector<ViewedNode>& nodes = model.game().nodes();
        const auto it = std::find_if(nodes.cbegin(), nodes.cend(),
                                     [](const ViewedNode& n) { return n.variationStart; });
        QVERIFY(it != nodes.cend());
        QVERIFY(model.goTo(int(it - nodes.cbegin())));
        const int branch = it->parent;
        QVERIFY(model.back());
        QCOMPARE(model.nodeIndex(), branch);

        // Copying: the position as FEN, the game as its text in the file.
        model.copyFen();
        QCOMPARE(QGuiApplication::clipboard()->text(), model.fen());
        model.copyPgn();
        const QString pgn = QGuiApplication::clipboard()->text();
        QVERIFY(pgn.startsWith(QStringLiteral("[Event ")));
        QVERIFY(pgn.contains(QStringLiteral("{Original game: 5")));
        QCOMPARE(pgn.count(QStringLiteral("[Event ")), 1);
    }

    void openingAtAnOriginalGame() {
        const QString file = huxResult("mates.pgn", "(position :mate)");
        ViewerWindow window;
        QVERIFY(window.open(file, 3));
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("mates.pgn")));
        QTRY_VERIFY(window.model()->gameIndex() >= 0);
        QCOMPARE(window.model()->index()->entry(window.model()->gameIndex()).original, 3u);
        QCOMPARE(window.board()->marks(), 1);
        // A click on a move or on a game goes there.
        emit window.moveList()->anchorClicked(QUrl(QStringLiteral("n:3")));
        QCOMPARE(window.model()->nodeIndex(), 3);
        QCOMPARE(window.board()->marks(), window.model()->node()->marks);
        emit window.gameList()->clicked(window.gameList()->model()->index(0, 1));
        QCOMPARE(window.model()->gameIndex(), 0);
        QCOMPARE(window.gameList()->currentIndex().row(), 0);
        const bool flipped = window.board()->isFlipped();
        window.board()->flip();
        QCOMPARE(window.board()->isFlipped(), !flipped);
    }

    void badInput_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("games");
        QTest::addColumn<int>("plies");  // of the first game, as far as it goes
        QTest::newRow("not PGN") << QByteArray(
                                        "\x7f"
                                        "ELF\x01\x02\x00 binary }{ ][ (((",
                                        12)
                                 << 0 << 0;
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("illegal move")
            << QByteArray(
                   "[White \"A\"]\n[Black \"B\"]\n\n{Original game: 7}\n1.e4 e5 2.Ke3 Nf6 "
                   "{MATCH} 1-0\n")
            << 1 << 2;
        QTest::newRow("cut off in a variation")
            << QByteArray("[White \"A\"]\n\n1.e4 e5 (1...c5 2.Nf3 {unterminated") << 1 << 2;
    }
    // A file that is not PGN, or a damaged game, is shown as far as it goes
    // with a note; nothing hangs.
    void badInput() {
        QFETCH(QByteArray, text);
        QFETCH(int, games);
        QFETCH(int, plies);
        const QString file = path("bad.pgn");
        writeBytes(file, text);
        ViewerWindow window;
        window.open(file);
        QVERIFY(waitComplete(*window.model()));
        QCOMPARE(window.model()->index()->count(), games);
        QVERIFY(!window.model()->note().isEmpty() || games == 1);
        if (games == 0) {
            QCOMPARE(window.model()->gameIndex(), -1);
            QVERIFY(window.model()->note().contains(QStringLiteral("No games")));
            return;
        }
        QTRY_COMPARE(window.model()->gameIndex(), 0);
        const ViewedGame& game = window.model()->game();
        int mainLine = 0;
        for (int n = game.node(0).next; n >= 0; n = game.node(n).next) ++mainLine;
        QCOMPARE(mainLine, plies);
        if (text.contains("Ke3")) {
            QVERIFY(window.model()->note().contains(QStringLiteral("could not be read")));
            QVERIFY(!window.noteLabel()->isHidden());
        }
    }

    void missingFile() {
        ViewerModel model;
        QString error;
        QVERIFY(!model.open(path("nowhere.pgn"), 0, &error));
        QVERIFY(error.contains(QStringLiteral("nowhere.pgn")));
        QCOMPARE(model.note(), error);
    }

    // 100,000 games, made by repeating a result of the sample games: the
    // first is shown while the rest are still being found, the interface's
    // timers keep running meanwhile, and every game is found in the end.
    void hundredThousandGames() {
        const QByteArray results = readBytes(huxResult("mates.pgn", "(position :mate)"));
        const int perCopy = int(results.count("[Event "));
        QVERIFY(perCopy > 0);
        const QString file = path("large.pgn");
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            for (int written = 0; written < 100000; written += perCopy) {
                if (100000 - written >= perCopy) {
                    out.write(results);
                } else {
                    // The last copy is cut after enough games.
                    int at = 0;
                    for (int k = 0; k <= 100000 - written; ++k) {
                        at = int(results.indexOf("[Event ", at + 1));
                    }
                    out.write(results.left(at));
                }
            }
        }
        ViewerModel model;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(20);
        QVERIFY(model.open(file));
        QTRY_VERIFY_WITH_TIMEOUT(model.gameIndex() == 0, 10000);
        const int foundWhenShown = model.index()->count();
        QVERIFY(waitComplete(model, 540000));
        QVERIFY2(foundWhenShown < 100000, "the first game waited for the whole file");
        QCOMPARE(model.index()->count(), 100000);
        QVERIFY2(ticks >= 3, "the interface stood still while the games were found");
        QVERIFY(sizeof(ResultEntry) <= 32);
        QVERIFY(model.showGame(99999));
        QCOMPARE(model.node()->marks, 1);
        QVERIFY(!model.index()->entry(99999).damaged);
    }

    // View Result shows the query's result in the built-in viewer, and a run
    // that found games offers it in the status bar.
    void editorOpensTheViewer() {
        FakeDesktop desktop;
        PelkSetup setup{dir_.path(), QString(), QStringLiteral(HUX_BINARY)};
        MainWindow window(setup, &desktop);
        window.start({});
        window.editor()->setPlainText(
            QStringLiteral("(match :pgn sample.pgn :output run.pgn (position :mate))"));
        QVERIFY(window.viewOffer()->isHidden());
        QSignalSpy finished(&window, &MainWindow::runFinished);
        window.run();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
        QVERIFY(!window.viewOffer()->isHidden());
        window.viewOffer()->click();
        QVERIFY(window.viewer() != nullptr);
        QVERIFY(window.viewer()->windowTitle().startsWith(QStringLiteral("run.pgn")));
        QTRY_VERIFY(window.viewer()->model()->gameIndex() == 0);
        QVERIFY(desktop.startedPrograms.isEmpty() && desktop.openedDocuments.isEmpty());
        // A second run rewrites the file: the viewer reads it anew.
        window.editor()->setPlainText(
            QStringLiteral("(match :pgn sample.pgn :output run.pgn (position :stalemate))"));
        window.run();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 120000);
        QTRY_VERIFY(window.viewer()->model()->index()->isComplete());
        QCOMPARE(window.viewer()->model()->index()->count(), 1);
        window.openViewer(path("run.pgn"), 6);
        ViewerModel* model = window.viewer()->model();
        QTRY_VERIFY(model->gameIndex() >= 0 &&
                    model->index()->entry(model->gameIndex()).original == 6);
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
