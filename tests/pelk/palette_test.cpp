// The palette file: sections, labels, cell texts in both forms, the
// indentation rule, and the shipped palette itself.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "pelk/palette.h"
#include "pelk/querytext.h"

namespace {

Palette paletteOf(const QString& text) {
    return Palette(text.split(u'\n'));
}

// The query words of a text in order, comments left out.
QStringList wordsOf(const QString& text) {
    QStringList words;
    for (const QString& line : text.split(u'\n')) {
        for (const QueryToken& t : queryTokens(line)) {
            if (t.kind != QueryToken::Comment) words << line.mid(t.start, t.length);
        }
    }
    return words;
}

Palette shippedPalette() {
    Palette palette;
    QString error;
    if (!Palette::load(QStringLiteral(PELK_PALETTE_FILE), &palette, &error))
        qFatal("%s", qPrintable(error));
    return palette;
}

}  // namespace

class PaletteTest : public QObject {
    Q_OBJECT

  private slots:
    void sections_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<int>>("bounds");  // grid first, last; text first, last
        QTest::newRow("plain") << "x\n<struct>\na\nb\n</struct>\n<inserted_text>\n<i0,0>\nt\n</>\n"
                                  "</inserted_text>"
                               << QList<int>{2, 3, 6, 8};
        QTest::newRow("last occurrence wins")
            << "<struct>\nold\n</struct>\n<struct>\na\n</struct>\n<inserted_text>\n"
               "<inserted_text>\n</inserted_text>\n</inserted_text>"
            << QList<int>{4, 4, 8, 8};
        QTest::newRow("marker with text after it")
            << "<struct> grid\na\n</struct> end" << QList<int>{1, 1, 0, -1};
        QTest::newRow("indented marker is no marker") << " <struct>\na\n"
                                                      << QList<int>{0, -1, 0, -1};
    }
    void sections() {
        QFETCH(QString, file);
        QFETCH(QList<int>, bounds);
        const Palette p = paletteOf(file);
        QCOMPARE((QList<int>{p.gridFirst(), p.gridLast(), p.textFirst(), p.textLast()}), bounds);
    }

    void labels_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("commas") << "a,b,c" << QStringList{"a", "b", "c"};
        QTest::newRow("blanks") << "  a b\tc " << QStringList{"a", "b", "c"};
        QTest::newRow("comma and blank") << "a, b ,c" << QStringList{"a", "b", "c"};
        QTest::newRow("empty cell") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("trailing comma") << "a," << QStringList{"a", ""};
        QTest::newRow("quoted") << "\"x, y\",z" << QStringList{"x, y", "z"};
        QTest::newRow("quote in quotes") << "\"say \"\"hi\"\"\"" << QStringList{"say \"hi\""};
        QTest::newRow("empty line") << "" << QStringList{};
    }
    void labels() {
        QFETCH(QString, line);
        QFETCH(QStringList, labels);
        QCOMPARE(Palette::splitLabels(line), labels);
    }

    void gridSize() {
        const Palette p = paletteOf("<struct>\na,b\nc,d,e,f,g\nh,i,,\n</struct>\n<struct>\n");
        // The second <struct> moves the start past the end: no grid at all.
        QCOMPARE(p.columns().size(), 0);
        const Palette q = paletteOf("<struct>\na,b\nc,d,e,f,g\nh,i,,,,,,\n</struct>");
        QCOMPARE(q.columns().size(), 3);
        QCOMPARE(q.columns()[1], (QStringList{"c", "d", "e", "f", "g"}));
        // Empty cells below the last label add no rows.
        QCOMPARE(q.rowCount(), 5);
    }

    void insertion_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("shortForm");
        QTest::addColumn<QString>("indentation");
        QTest::addColumn<QString>("text");
        QTest::newRow("long") << 1 << 0 << false << "     "
                              << "(and ; all of them\n      (position) ; one\n     )";
        QTest::newRow("short") << 1 << 0 << true << "     "
                               << "(and(position))";
        QTest::newRow("first line's indentation comes from the caret") << 0 << 0 << false << "  "
                                                                       << ":check  ; in check";
        QTest::newRow("cell without text") << 0 << 1 << false << ""
                                           << "";
        QTest::newRow("a longer tag is another cell's") << 0 << 2 << true << ""
                                                        << ":mate";
        QTest::newRow("text without an end runs to the end of the section") << 2 << 0 << true << ""
                                                                            << ":wtm:btm";
    }
    void insertion() {
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(bool, shortForm);
        QFETCH(QString, indentation);
        QFETCH(QString, text);
        const Palette p = paletteOf(
            "<inserted_text>\n<i0,0>\n:check  ; in check\n</>\n<i1,0>\n(and ; all of them\n"
            " (position) ; one\n)\n</> comment\n<i0,20>\n:stalemate\n</>\n<i0,2>\n:mate\n</>\n"
            "<i2,0>\n:wtm\n  :btm  \n</inserted_text>\n<i0,1>\n:outside\n</>");
        QCOMPARE(p.insertion(column, row, shortForm, indentation), text);
    }

    void indentation_data() {
        QTest::addColumn<QString>("before");  // the text up to the caret
        QTest::addColumn<int>("blanks");
        QTest::newRow("four blanks at a line start") << "(match\n    " << 5;
        QTest::newRow("two blanks") << "(match\n  " << 3;
        QTest::newRow("one blank") << "(match\n " << 2;
        QTest::newRow("line start") << "(match\n" << 2;
        QTest::newRow("one character before the caret is not looked at") << "(match\n    x" << 6;
        QTest::newRow("a word further back") << "(match\n  :wtm " << 0;
        QTest::newRow("first line") << "    " << 0;
        QTest::newRow("empty text") << "" << 0;
    }
    void indentation() {
        QFETCH(QString, before);
        QFETCH(int, blanks);
        const QString text = before + ":rest\n)";
        QCOMPARE(Palette::indentation(text, int(before.size())), QString(blanks, u' '));
    }

    void caret() {
        QCOMPARE(Palette::caretOffset("(match :pgn x.pgn)"), 1);
        QCOMPARE(Palette::caretOffset(":and ((position))"), 6);
        QCOMPARE(Palette::caretOffset(":check"), 6);
    }

    // Tool tips: the short form, then every comment of the long form.
    void explanation() {
        const Palette p = paletteOf(
            "<struct>\na,b,c\n</struct>\n<inserted_text>\n<i0,0>\n:year 1 2   ; played "
            "then\n</>\n<i0,1>\n(and   ; all of\n (x)\n )     ; these\n</>\n<i0,2>\n:bare\n</>\n"
            "</inserted_text>");
        QCOMPARE(p.explanation(0, 0), QString(":year 1 2\nplayed then"));
        QCOMPARE(p.explanation(0, 1), QString("(and(x))\nall of\nthese"));
        QCOMPARE(p.explanation(0, 2), QString(":bare"));
        QCOMPARE(p.explanation(0, 3), QString());
    }

    void findsTheStartDirectoryFirst() {
        QTemporaryDir start, data;
        QCOMPARE(Palette::find({start.path(), data.path()}), QString());
        QFile(data.filePath("pelk.pal")).open(QIODevice::WriteOnly);
        QCOMPARE(Palette::find({start.path(), data.path()}),
                 QDir(data.path()).filePath("pelk.pal"));
        QFile(start.filePath("pelk.pal")).open(QIODevice::WriteOnly);
        QCOMPARE(Palette::find({start.path(), data.path()}),
                 QDir(start.path()).filePath("pelk.pal"));
    }

    void loadsAnyLineEnds() {
        QTemporaryDir dir;
        QFile file(dir.filePath("p.pal"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<struct>\r\na,b\r\n</struct>\r\n");
        file.close();
        Palette p;
        QString error;
        QVERIFY(Palette::load(file.fileName(), &p, &error));
        QCOMPARE(p.columns(), (QList<QStringList>{{"a", "b"}}));
        QVERIFY(!Palette::load(dir.filePath("missing.pal"), &p, &error));
        QVERIFY(error.contains("missing.pal"));
    }

    // The shipped palette: every label inserts something, every text is a
    // balanced piece of query, and its short form reads as the same words.
    void shippedPaletteIsComplete() {
        const Palette p = shippedPalette();
        const QList<QStringList> columns = p.columns();
        QVERIFY(columns.size() >= 5);
        QStringList allText;
        for (int c = 0; c < columns.size(); c++) {
            for (int r = 0; r < columns[c].size(); r++) {
                const QString where =
                    QStringLiteral("cell %1,%2 (%3)").arg(c).arg(r).arg(columns[c][r]);
                const QString longForm = p.insertion(c, r, false, "  ");
                const QString shortForm = p.insertion(c, r, true, "");
                QVERIFY2(!shortForm.isEmpty(), qPrintable(where));
                QVERIFY2(!shortForm.contains(u';'), qPrintable(where));
                QCOMPARE(wordsOf(shortForm), wordsOf(longForm));
                int depth = 0;
                for (const QString& w : wordsOf(longForm)) {
                    depth += w == "(" ? 1 : w == ")" ? -1 : 0;
                    QVERIFY2(depth >= 0, qPrintable(where));
                }
                QVERIFY2(depth == 0, qPrintable(where));
                allText << wordsOf(longForm);
            }
        }
        // The first cell is the template of a new query.
        QVERIFY(p.insertion(0, 0, true, "").startsWith("(match :pgn "));

        const QStringList language = {"match",
                                      "position",
                                      ":pgn",
                                      ":output",
                                      ":player",
                                      ":year",
                                      ":result",
                                      ":gamenumber",
                                      ":forany",
                                      ":noannotate",
                                      ":mate",
                                      ":stalemate",
                                      ":check",
                                      ":nocheck",
                                      ":not",
                                      ":wtm",
                                      ":btm",
                                      ":flip",
                                      ":flipdihedral",
                                      ":fliphorizontal",
                                      ":flipvertical",
                                      ":flipdiagonal",
                                      ":flipcolor",
                                      ":shift",
                                      ":horizontalshift",
                                      ":shifthorizontal",
                                      ":verticalshift",
                                      ":shiftvertical",
                                      ":diagonalshift",
                                      ":shiftdiagonal",
                                      ":maindiagonalshift",
                                      ":shiftmaindiagonal",
                                      ":offdiagonalshift",
                                      ":shiftoffdiagonal",
                                      ":variations",
                                      ":variationsonly",
                                      ":initial",
                                      ":terminal",
                                      ":varinitial",
                                      ":varterminal",
                                      ":markall",
                                      ":enpassant",
                                      ":noenpassant",
                                      ":movefrom",
                                      ":moveto",
                                      ":promote",
                                      ":name",
                                      ":piececount",
                                      ":power",
                                      ":powerdifference",
                                      ":attackcount",
                                      ":ray",
                                      ":rayattack",
                                      ":rayorthogonal",
                                      ":raydiagonal",
                                      ":rayhorizontal",
                                      ":rayvertical",
                                      ":tagmatch",
                                      ":accumulate",
                                      ":sumrange",
                                      ":movenumber",
                                      ":matchcount",
                                      ":pretransformmatchcount",
                                      ":elo",
                                      ":whiteelo",
                                      ":blackelo",
                                      ":and",
                                      ":or",
                                      ":sequence",
                                      ":gappedsequence",
                                      ":relation",
                                      ":matchidentity",
                                      ":nomatchidentity",
                                      ":pattern",
                                      ":originalsamecount",
                                      ":originaldifferentcount",
                                      ":missingpiececount",
                                      ":newpiececount",
                                      ":samesidetomove",
                                      ":changesidetomove",
                                      ":ignoresidetomove"};
        for (const QString& word : language) QVERIFY2(allText.contains(word), qPrintable(word));
        for (const char piece : QByteArray("KQRBNPkqrbnp.AaMmIiU?")) {
            QVERIFY2(allText.contains(QString(QChar(piece))), &piece);
        }
    }
};

QTEST_GUILESS_MAIN(PaletteTest)
#include "palette_test.moc"
