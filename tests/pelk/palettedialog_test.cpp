// The palette window: grid size from the palette, and how keys and clicks
// choose a cell and its form.
#include <QTableWidget>
#include <QTest>

#include "pelk/palettedialog.h"

namespace {

Palette smallPalette() {
    return Palette(QString("<struct>\na,b\nc,d,e,f,g\nh,i\n</struct>").split(u'\n'));
}

}  // namespace

class PaletteDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void columnWidthFollowsTheScreen() {
        QCOMPARE(PaletteDialog::columnWidth(899), 75);
        QCOMPARE(PaletteDialog::columnWidth(900), 90);
    }

    void gridIsBuiltOnce() {
        PaletteDialog dialog;
        dialog.build(smallPalette(), 1280);
        QTableWidget* grid = dialog.grid();
        QCOMPARE(grid->columnCount(), 3);
        QCOMPARE(grid->rowCount(), 5);
        QCOMPARE(grid->width(), 3 * 90);
        QCOMPARE(grid->height(), 5 * PaletteDialog::kRowHeight);
        QCOMPARE(dialog.width(), 3 * 90 + 22);
        QCOMPARE(dialog.height(), 5 * PaletteDialog::kRowHeight + 80);
        QCOMPARE(grid->item(4, 1)->text(), QString("g"));
        QCOMPARE(grid->item(4, 0)->text(), QString());
        QCOMPARE(dialog.windowTitle(), QString("HUX Palette"));
        dialog.build(Palette(), 1280);
        QCOMPARE(grid->columnCount(), 3);
    }

    // No label is cut: a column is as wide as its longest label. Each cell's
    // tool tip explains it from the palette's text.
    void labelsFitAndExplainThemselves() {
        const QString longLabel = ":pretransformmatchcount-and-more";
        PaletteDialog dialog;
        dialog.build(Palette(QString("<struct>\na,b\n" + longLabel +
                                     ",d\n</struct>\n<inserted_text>\n<i0,1>\n:b 1 2 ; "
                                     "what b does\n</>\n</inserted_text>")
                                 .split(u'\n')),
                     1280);
        QTableWidget* grid = dialog.grid();
        QCOMPARE(grid->columnWidth(0), 90);
        const int needed = QFontMetrics(grid->font()).horizontalAdvance(longLabel);
        QVERIFY(grid->columnWidth(1) >= needed + 4);
        QCOMPARE(grid->width(), 90 + grid->columnWidth(1));
        QCOMPARE(grid->item(1, 0)->toolTip(), QString(":b 1 2\nwhat b does"));
        QCOMPARE(grid->item(0, 0)->toolTip(), QString());
    }

    // Wider than the screen, the grid scrolls sideways within it.
    void wideGridScrolls() {
        PaletteDialog dialog;
        dialog.build(
            Palette(QString("<struct>\na\nb\nc\nd\ne\nf\ng\nh\ni\nj\n</struct>").split(u'\n')),
            600);
        QVERIFY(dialog.width() <= 600);
        QCOMPARE(dialog.grid()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void keysAndClicksChoose_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("shortForm");
        QTest::newRow("Enter: long form") << "enter" << true << false;
        QTest::newRow("Return: long form") << "return" << true << false;
        QTest::newRow("Space: short form") << "space" << true << true;
        QTest::newRow("click: long form") << "click" << true << false;
        QTest::newRow("Alt+click: short form") << "altclick" << true << true;
        QTest::newRow("Escape: nothing") << "escape" << false << false;
        QTest::newRow("arrow keys only move") << "down" << false << false;
    }
    void keysAndClicksChoose() {
        QFETCH(QString, how);
        QFETCH(bool, accepted);
        QFETCH(bool, shortForm);
        PaletteDialog dialog;
        dialog.build(smallPalette(), 800);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableWidget* grid = dialog.grid();
        grid->setFocus();
        grid->setCurrentCell(2, 1);
        const QPoint cell = grid->visualRect(grid->model()->index(2, 1)).center();
        if (how == "enter") QTest::keyClick(grid, Qt::Key_Enter);
        if (how == "return") QTest::keyClick(grid, Qt::Key_Return);
        if (how == "space") QTest::keyClick(grid, Qt::Key_Space);
        if (how == "escape") QTest::keyClick(grid, Qt::Key_Escape);
        if (how == "down") QTest::keyClick(grid, Qt::Key_Down);
        if (how == "click") QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        if (how == "altclick") {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::AltModifier, cell);
        }
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        if (how == "down") QCOMPARE(grid->currentRow(), 3);
        if (!accepted) return;
        QCOMPARE(dialog.choice().column, 1);
        QCOMPARE(dialog.choice().row, 2);
        QCOMPARE(dialog.choice().shortForm, shortForm);
    }
};

QTEST_MAIN(PaletteDialogTest)
#include "palettedialog_test.moc"
