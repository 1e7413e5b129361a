// The output pane as a user watches it: every run shown from its start, the
// output followed until the user scrolls away, error location lines read and
// clickable; and the found-games list read from a result file.
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "pelk/errorlocation.h"
#include "pelk/foundgames.h"
#include "pelk/outputpane.h"

Q_DECLARE_METATYPE(ErrorLocation)

class OutputPaneTest : public QObject {
    Q_OBJECT

    static QString lines(int from, int count) {
        QString text;
        for (int i = from; i < from + count; i++) text += QStringLiteral("line %1\n").arg(i);
        return text;
    }

  private slots:
    void parsesLocationLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("lineNumber");  // 0: not a location line
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("word") << "  at line 3, column 17: :colour" << 3 << 17 << ":colour";
        QTest::newRow("text with blanks")
            << "  at line 12, column 1: (position x" << 12 << 1 << "(position x";
        QTest::newRow("end of file, no text") << "  at line 4, column 2:" << 4 << 2 << "";
        QTest::newRow("one leading blank") << " at line 3, column 1: x" << 0 << 0 << "";
        QTest::newRow("column 0") << "  at line 3, column 0: x" << 0 << 0 << "";
        QTest::newRow("inside other text") << "error  at line 3, column 1: x" << 0 << 0 << "";
        QTest::newRow("huge number") << "  at line 99999999999, column 1: x" << 0 << 0 << "";
    }
    void parsesLocationLines() {
        QFETCH(QString, line);
        QFETCH(int, lineNumber);
        QFETCH(int, column);
        QFETCH(QString, text);
        const std::optional<ErrorLocation> location = ErrorLocation::parse(line);
        QCOMPARE(location.has_value(), lineNumber > 0);
        if (!location) return;
        QCOMPARE(location->line, lineNumber);
        QCOMPARE(location->column, column);
        QCOMPARE(location->text, text);
    }

    // Columns count bytes of the query file: UTF-8 letters take several.
    void columnsCountBytes() {
        const QString line = QString::fromUtf8(":player R\xc3\xa9ti :colour");
        const ErrorLocation at{1, 15, ":colour"};
        QCOMPARE(line.mid(at.characterIndex(line, true)), QString(":colour"));
        QCOMPARE(line.mid(at.characterIndex(line, false)), QString("colour"));
        QCOMPARE((ErrorLocation{1, 99, ""}).characterIndex(line, true), int(line.size()));
        QCOMPARE((ErrorLocation{1, 1, ""}).characterIndex(line, true), 0);
    }

    void followsUntilScrolledAway() {
        OutputPane pane;
        pane.resize(300, 120);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QScrollBar* bar = pane.verticalScrollBar();
        pane.beginRun("first");
        pane.appendOutput(lines(0, 50), false);
        QCOMPARE(bar->value(), bar->maximum());
        // Scrolled up, the pane stays where the user put it.
        bar->setValue(3);
        QVERIFY(!pane.isFollowing());
        pane.appendOutput(lines(50, 20), false);
        QCOMPARE(bar->value(), 3);
        // Back at the end, it follows again.
        bar->setValue(bar->maximum());
        pane.appendOutput(lines(70, 20), false);
        QCOMPARE(bar->value(), bar->maximum());
        // A new run is shown from its first line, wherever the user was.
        bar->setValue(0);
        pane.endRun(0, 0, false, QString());
        const int runStart = pane.beginRun("second");
        QVERIFY(pane.isFollowing());
        QCOMPARE(bar->value(), bar->maximum());
        const QTextBlock header = pane.document()->findBlock(runStart).previous();
        QCOMPARE(header.text(), QString("> second"));
        QVERIFY(pane.cursorRect(QTextCursor(header)).bottom() <= pane.viewport()->height());
        // A line long enough for a horizontal scroll bar still leaves the
        // last line in view.
        pane.appendOutput(QString(400, u'x') + u'\n', false);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void locationLinesAreLinks() {
        OutputPane pane;
        pane.resize(500, 300);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        pane.appendOutput("earlier run\n  at line 9, column 9: old\n", true);
        const int runStart = pane.beginRun("hux e$$$.hux");
        pane.appendOutput("HUX version\n", false);
        // The engine's error stream may arrive in pieces.
        pane.appendOutput("unknown matcher term: :colour\n  at line 2, col", true);
        pane.appendOutput("umn 5: :colour\n", true);
        pane.endRun(runStart, 1, false, QString());
        const QList<ErrorLocation> found = pane.locations(runStart);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].line, 2);
        QCOMPARE(found[0].column, 5);
        QCOMPARE(found[0].text, QString(":colour"));

        QSignalSpy clicked(&pane, &OutputPane::locationClicked);
        QTextBlock block = pane.document()->begin();
        while (!block.text().startsWith("  at line 2")) block = block.next();
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 6);
        QVERIFY(QTextCursor(block).charFormat().fontUnderline() ||
                cursor.charFormat().fontUnderline());
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(cursor).center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked[0][0].value<ErrorLocation>().line, 2);
        // A click on an ordinary line does nothing.
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {},
                          pane.cursorRect(QTextCursor(block.previous())).center());
        QCOMPARE(clicked.size(), 1);
    }

    void stoppedRunSaysSo() {
        OutputPane pane;
        pane.beginRun("hux e$$$.hux");
        pane.appendOutput("HUX version\n....", false);
        pane.endStoppedRun();
        QCOMPARE(pane.document()->lastBlock().previous().text(),
                 QString("Stopped: HUX was ended on request; its output file stays as HUX left "
                         "it."));
        QCOMPARE(pane.document()->lastBlock().previous().previous().text(), QString("...."));
    }

    void foundGameNumbers() {
        QCOMPARE(FoundGames::numbersIn("HUX version\n....+<4>..+<5>\n.+<123>\n<6>+<x>"),
                 (QList<int>{4, 5, 123}));
        QCOMPARE(FoundGames::numbersIn("Number of matching games: 0"), QList<int>{});
    }

    // Headers of each game in file order, whatever the line ends, escapes
    // and encodings; a game without tags is still a game of the list.
    void readsGameHeaders() {
        QTemporaryDir dir;
        const QString path = dir.filePath("r.pgn");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[Event \"x\"]\r\n[White \"Morphy, Paul\"]\r\n[Black \"A \\\"B\\\" C\"]\r\n"
            "[Result \"1-0\"]\r\n[Date \"1858.??.??\"]\r\n\r\n1. e4 {Original game: 4} e5 "
            "1-0\r\n\r\n[White \"R\xe9ti\"]\n[Black \"Caf\xc3\xa9\"]\n[Date \"????.??.??\"]\n"
            "\n1. d4 *\n");
        file.close();
        const QList<FoundGames::Headers> games = FoundGames::readHeaders(path);
        QCOMPARE(games.size(), 2);
        QCOMPARE(games[0].white, QString("Morphy, Paul"));
        QCOMPARE(games[0].black, QString("A \"B\" C"));
        QCOMPARE(games[0].result, QString("1-0"));
        QCOMPARE(games[0].year, 1858);
        QCOMPARE(games[1].year, 0);
        QCOMPARE(games[1].white, QString::fromLatin1("R\xe9ti"));
        QCOMPARE(games[1].black, QString::fromUtf8("Caf\xc3\xa9"));
        QVERIFY(FoundGames::readHeaders(dir.filePath("missing.pgn")).isEmpty());

        FoundGames list;
        QSignalSpy chosen(&list, &FoundGames::gameChosen);
        list.showGames({4, 17}, path);
        QCOMPARE(list.topLevelItemCount(), 2);
        const QTreeWidgetItem* first = list.topLevelItem(0);
        QCOMPARE((QStringList{first->text(0), first->text(1), first->text(2), first->text(3),
                              first->text(4)}),
                 (QStringList{"4", "Morphy, Paul", "A \"B\" C", "1-0", "1858"}));
        QCOMPARE(list.topLevelItem(1)->text(4), QString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect second = list.visualItemRect(list.topLevelItem(1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0], (QList<QVariant>{path, 2}));
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(chosen.size(), 2);
    }
};

QTEST_MAIN(OutputPaneTest)
#include "outputpane_test.moc"
