// The board editor as a user works it: clicks, drags and modifier clicks on
// the board and its tray, the fields beside it, Board from the query editor
// on the list under the caret, Insert in its place or at the caret, and
// "Search this position" from the result viewer.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "fakedesktop.h"
#include "pelk/boarddrawing.h"
#include "pelk/boardeditor.h"
#include "pelk/boardeditorwidget.h"
#include "pelk/boardwidget.h"
#include "pelk/mainwindow.h"
#include "pelk/queryeditor.h"
#include "pelk/viewermodel.h"
#include "pelk/viewerwindow.h"

namespace {

// The tray items by their character.
int tray(char c) {
    for (int i = 0; i < boardpieces::kTraySize; ++i)
        if (boardpieces::kTrayChars[i] == c) return i;
    return -1;
}

void click(BoardEditorWidget* w, const QPoint& at, Qt::KeyboardModifiers mods = {},
           Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w, button, mods, at);
}

void drag(BoardEditorWidget* w, const QPoint& from, const QPoint& to,
          Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(w, Qt::LeftButton, mods, from);
    QMouseEvent move(QEvent::MouseMove, (from + to) / 2, w->mapToGlobal((from + to) / 2),
                     Qt::NoButton, Qt::LeftButton, mods);
    QCoreApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, mods, to);
}

QString listOf(BoardEditorWidget* w) {
    return w->query().toText();
}

}  // namespace

class BoardEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void clicksAndDrags() {
        BoardEditorWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The tray chooses the piece; a click puts it down, a second click
        // with the same piece takes it off.
        click(&w, w.trayCenter(tray('Q')));
        QCOMPARE(w.brush(), tray('Q'));
        click(&w, w.squareCenter(H7));
        click(&w, w.squareCenter(D4));
        click(&w, w.squareCenter(D4));
        QCOMPARE(listOf(&w), QStringLiteral("(position Qh7)"));
        // Ctrl+click adds a choice, and takes it away again.
        click(&w, w.trayCenter(tray('R')));
        click(&w, w.squareCenter(H7), Qt::ControlModifier);
        QCOMPARE(listOf(&w), QStringLiteral("(position [QR]h7)"));
        click(&w, w.squareCenter(H7), Qt::ControlModifier);
        click(&w, w.squareCenter(H7), Qt::ControlModifier);
        // A plain click replaces the choice.
        click(&w, w.squareCenter(H7));
        QCOMPARE(listOf(&w), QStringLiteral("(position Rh7)"));
        // Drags: from the tray onto a square, from square to square, off the
        // board.
        drag(&w, w.trayCenter(tray('k')), w.squareCenter(G8));
        drag(&w, w.trayCenter(tray('.')), w.squareCenter(F7));
        drag(&w, w.squareCenter(H7), w.squareCenter(H1));
        QCOMPARE(listOf(&w), QStringLiteral("(position Rh1 kg8 .f7)"));
        drag(&w, w.squareCenter(F7), QPoint(2, w.height() - 2));
        QCOMPARE(listOf(&w), QStringLiteral("(position Rh1 kg8)"));
        // Every tray item is a designator the language has.
        for (char c : {'A', 'a', '?'}) {
            click(&w, w.trayCenter(tray(c)));
            click(&w, w.squareCenter(A1));
        }
        QCOMPARE(listOf(&w), QStringLiteral("(position Rh1 kg8 ?a1)"));
        // A right click clears a square.
        click(&w, w.squareCenter(A1), {}, Qt::RightButton);
        QCOMPARE(listOf(&w), QStringLiteral("(position Rh1 kg8)"));
    }

    void squareSets() {
        BoardEditorWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Shift+drag selects a rectangle, Shift+click adds or takes single
        // squares; the tray piece chosen next covers them all.
        drag(&w, w.squareCenter(A2), w.squareCenter(C2), Qt::ShiftModifier);
        click(&w, w.squareCenter(E4), Qt::ShiftModifier);
        click(&w, w.squareCenter(E5), Qt::ShiftModifier);
        click(&w, w.squareCenter(E4), Qt::ShiftModifier);
        QCOMPARE(w.selection(), (1ull << A2) | (1ull << B2) | (1ull << C2) | (1ull << E5));
        QCOMPARE(listOf(&w), QStringLiteral("(position)"));
        click(&w, w.trayCenter(tray('P')));
        QCOMPARE(w.selection(), 0ull);
        QCOMPARE(listOf(&w), QStringLiteral("(position P[a-c2,e5])"));
        // Escape drops a selection; a right click takes a square out of a set.
        drag(&w, w.squareCenter(D4), w.squareCenter(E3), Qt::ShiftModifier);
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.selection(), 0ull);
        click(&w, w.squareCenter(E5), {}, Qt::RightButton);
        click(&w, w.squareCenter(B2), {}, Qt::RightButton);
        QCOMPARE(listOf(&w), QStringLiteral("(position P[a2,c2])"));
    }

    // The fields beside the board follow the list loaded and write back.
    void fields() {
        BoardEditor editor;
        editor.load(*BoardQuery::fromText(QStringLiteral(
            "(position Qh7 R[a1,h1] :btm :mate :flipcolor :shifthorizontal :movenumber 20 40 "
            ":variations :ray (Qd1 ke8))")));
        QCOMPARE(editor.sideToMove()->checkedId(), int(BLACK));
        QVERIFY(editor.flagBox(BoardQuery::Mate)->isChecked());
        QVERIFY(editor.flagBox(BoardQuery::FlipColor)->isChecked());
        QVERIFY(editor.flagBox(BoardQuery::ShiftHorizontal)->isChecked());
        QVERIFY(editor.flagBox(BoardQuery::Variations)->isChecked());
        QVERIFY(!editor.flagBox(BoardQuery::Check)->isChecked());
        QCOMPARE(editor.moveFrom()->value(), 20);
        QCOMPARE(editor.moveTo()->value(), 40);
        QCOMPARE(editor.keptText()->toPlainText(), QStringLiteral(":ray (Qd1 ke8)"));
        QCOMPARE(editor.squareSets()->count(), 1);
        QCOMPARE(editor.squareSets()->item(0)->text(), QStringLiteral("R[a1,h1]"));
        QCOMPARE(editor.preview()->text(),
                 QStringLiteral("(position Qh7 R[a1,h1] :btm :mate :movenumber 20 40 :flipcolor "
                                ":shifthorizontal :variations :ray (Qd1 ke8))"));

        editor.sideToMove()->button(WHITE)->click();
        editor.flagBox(BoardQuery::Mate)->click();
        editor.flagBox(BoardQuery::Check)->click();
        editor.flagBox(BoardQuery::Flip)->click();
        editor.moveTo()->setValue(-1);  // shown as "-": the first move number alone
        editor.keptText()->setPlainText(QStringLiteral("  :piececount A 2 \n"));
        editor.squareSets()->setCurrentRow(0);
        for (QPushButton* b : editor.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("&Remove")) b->click();
        QCOMPARE(editor.text(),
                 QStringLiteral("(position Qh7 :wtm :check :movenumber 20 :flip :flipcolor "
                                ":shifthorizontal :variations :piececount A 2)"));
        for (QPushButton* b : editor.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("C&lear")) b->click();
        QCOMPARE(editor.text(), QStringLiteral("(position)"));
        QCOMPARE(editor.sideToMove()->checkedId(), int(NOCOLOR));
        // Editing one field leaves the others' numbers as they were read.
        editor.load(*BoardQuery::fromText(QStringLiteral("(position :movenumber 0 5)")));
        editor.flagBox(BoardQuery::Check)->click();
        QCOMPARE(editor.text(), QStringLiteral("(position :check :movenumber 0 5)"));
    }

    // Board opens the list the caret is in; Insert replaces that list, or
    // goes in at the caret when the caret is in none.
    void boardFromTheEditor() {
        FakeDesktop desktop;
        MainWindow window(PelkSetup{QDir::tempPath(), QString(), QString()}, &desktop);
        window.start({});
        QAction* board = nullptr;
        for (QAction* a : window.findChildren<QAction*>())
            if (a->text() == QStringLiteral("&Board...")) board = a;
        QVERIFY(board);
        QCOMPARE(board->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
        QVERIFY(window.findChild<QToolBar*>()->actions().contains(board));

        const QString query = QStringLiteral(
            "(match :pgn g.pgn\n (position Kg1 :or ((position Qh7 :btm) (position :check)))\n )");
        window.editor()->setPlainText(query);
        QTextCursor cursor = window.editor()->textCursor();
        cursor.setPosition(int(query.indexOf(QStringLiteral("Qh7"))));
        window.editor()->setTextCursor(cursor);
        board->trigger();
        BoardEditor* editor = window.boardEditor();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("(position Qh7 :btm)"));
        editor->board()->query().setSquare(G8, boardpieces::bit(BK));
        editor->insertButton()->click();
        QVERIFY(!editor->isVisible());
        const QString replaced = QStringLiteral(
            "(match :pgn g.pgn\n (position Kg1 :or ((position Qh7 kg8 :btm) (position :check)))\n "
            ")");
        QCOMPARE(window.editor()->toPlainText(), replaced);
        QCOMPARE(window.editor()->textCursor().position(),
                 int(replaced.indexOf(QStringLiteral(":btm)")) + 5));

        // Outside any position list the board keeps what it showed, and
        // Insert goes in at the caret, apart from the words around it.
        cursor.setPosition(int(replaced.lastIndexOf(u')')));
        window.editor()->setTextCursor(cursor);
        board->trigger();
        QCOMPARE(editor->text(), QStringLiteral("(position Qh7 kg8 :btm)"));
        editor->flagBox(BoardQuery::Mate)->click();
        editor->insertButton()->click();
        QCOMPARE(window.editor()->toPlainText(),
                 QStringLiteral("(match :pgn g.pgn\n (position Kg1 :or ((position Qh7 kg8 :btm) "
                                "(position :check)))\n (position Qh7 kg8 :btm :mate))"));
        // Undo takes the whole insertion back.
        window.editor()->undo();
        QCOMPARE(window.editor()->toPlainText(), replaced);
    }

    // "Search this position": the viewer's position, whole or the pieces on
    // the squares clicked, on the board editor, ready to insert.
    void searchFromTheViewer() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile pgn(dir.filePath(QStringLiteral("found.pgn")));
        QVERIFY(pgn.open(QIODevice::WriteOnly));
        pgn.write(
            "[Event \"x\"]\n[White \"a\"]\n[Black \"b\"]\n[Result \"1-0\"]\n\n"
            "1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# {MATCH} 1-0\n");
        pgn.close();
        FakeDesktop desktop;
        MainWindow window(PelkSetup{dir.path(), QString(), QString()}, &desktop);
        window.start({});
        window.openViewer(pgn.fileName());
        ViewerWindow* viewer = window.viewer();
        QVERIFY(viewer && viewer->searchAction()->isEnabled());
        QTRY_VERIFY(viewer->model()->node() != nullptr && viewer->model()->node()->marks != 0);
        QVERIFY(QTest::qWaitForWindowExposed(viewer));

        viewer->searchAction()->trigger();
        const QString all = window.boardEditor()->text();
        QVERIFY(window.boardEditor()->isVisible());
        QCOMPARE(window.boardEditor()->board()->query().designators().size(), 31);
        QVERIFY2(all.startsWith(QStringLiteral("(position Ke1 Qf7 Ra1 Rh1 Bc1 Bc4 Nb1 Ng1 Pa2")),
                 qPrintable(all));
        QVERIFY2(all.endsWith(QStringLiteral(" :btm)")), qPrintable(all));

        // Clicks on the viewer's board pick squares; an empty one adds nothing.
        BoardWidget* board = viewer->board();
        const boarddrawing::Layout layout = boarddrawing::fit(board->width(), board->height());
        for (squareT sq : {F7, E8, A1, D4}) {
            const QPoint at =
                boarddrawing::squareRect(layout, sq, board->isFlipped()).center().toPoint();
            QTest::mouseClick(board, Qt::LeftButton, {}, at);
        }
        QCOMPARE(board->selection(), (1ull << F7) | (1ull << E8) | (1ull << A1) | (1ull << D4));
        viewer->searchAction()->trigger();
        QCOMPARE(window.boardEditor()->text(), QStringLiteral("(position Qf7 Ra1 ke8 :btm)"));
        // Another position shown drops the selection.
        viewer->model()->back();
        QCOMPARE(board->selection(), 0ull);
    }
};

QTEST_MAIN(BoardEditorTest)
#include "boardeditor_test.moc"
