// The board editor's position lists: text -> board -> text for every form
// the board shows and every part it keeps as text, the square sets it
// writes read back to the same squares, the edits from the board, finding
// the list under the caret, and hux reading what the board writes and
// finding the same games as the hand-written list.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "pelk/boardquery.h"

namespace {

// The numbers of the games hux finds with one position list on the samples.
QString gamesFound(const QString& dir, const QString& list, QString* errors) {
    QFile query(QDir(dir).filePath(QStringLiteral("q.hux")));
    if (!query.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QStringLiteral("?");
    query.write(
        QStringLiteral("(match :pgn sample.pgn :output out.pgn\n %1)\n").arg(list).toUtf8());
    query.close();
    QFile::remove(QDir(dir).filePath(QStringLiteral("out.pgn")));
    QProcess hux;
    hux.setWorkingDirectory(dir);
    hux.start(QStringLiteral(HUX_BINARY), {QStringLiteral("q.hux")});
    hux.waitForFinished(60000);
    *errors = QString::fromUtf8(hux.readAllStandardOutput() + hux.readAllStandardError());
    if (hux.exitStatus() != QProcess::NormalExit || hux.exitCode() != 0)
        return QStringLiteral("error");
    QFile out(QDir(dir).filePath(QStringLiteral("out.pgn")));
    if (!out.open(QIODevice::ReadOnly)) return {};
    QStringList numbers;
    static const QRegularExpression original(QStringLiteral("Original game: (\\d+)"));
    for (auto it = original.globalMatch(QString::fromUtf8(out.readAll())); it.hasNext();)
        numbers << it.next().captured(1);
    return numbers.join(u' ');
}

}  // namespace

class BoardQueryTest : public QObject {
    Q_OBJECT

  private slots:
    // Text -> board -> text: each row gives a list and the list the board
    // writes from it, which holds the same items in the board's fixed order.
    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        auto row = [](const char* name, const char* text, const char* written = nullptr) {
            QTest::newRow(name) << QString::fromUtf8(text)
                                << QString::fromUtf8(written ? written : text);
        };
        row("empty list", "(position)");
        row("one piece on one square", "(position Qh7 kg8 :btm)");
        row("white before black, then by square", "(position ke8 Kg1 Qd1 Qa4)",
            "(position Kg1 Qd1 Qa4 ke8)");
        row("square sets in brackets", "(position Q[d4,e5] k[d6,e7] P[a-c2])",
            "(position Q[d4,e5] P[a-c2] k[d6,e7])");
        row("ranges and wildcards", "(position Rc-f3-6 [Pp]?7 N?? b[a1,h8,])",
            "(position Rc-f3-6 N?? b[a1,h8,] [Pp]?7)");
        row("special designators", "(position Ae4 ad5 ?c3 .f7 U[a-h1] M[d1,e1] Ib2 ic7 mh8)",
            "(position .f7 Ae4 ad5 U[a-h1] ?c3 M[d1,e1] Ib2 ic7 mh8)");
        row("a choice of pieces on a square", "(position [QR]d1 [Pp.]e4 [kK]e1)",
            "(position [QR]d1 [kK]e1 [Pp.]e4)");
        row("no square part", "(position A q K)", "(position K q A)");
        row("side to move, the later one counts", "(position :wtm Ke1 :btm)",
            "(position Ke1 :btm)");
        row("conditions in the fixed order",
            "(position :markall :variations :stalemate :mate :nocheck :check Ka1)",
            "(position Ka1 :check :nocheck :mate :stalemate :variations :markall)");
        row("every transform",
            "(position :shiftvertical :shifthorizontal :shift :flipvertical :fliphorizontal "
            ":flipcolor :flip Pe4)",
            "(position Pe4 :flip :flipcolor :fliphorizontal :flipvertical :shift "
            ":shifthorizontal :shiftvertical)");
        row("spellings kept", "(position Ra1 :horizontalshift :verticalshift :flipdihedral)",
            "(position Ra1 :flipdihedral :horizontalshift :verticalshift)");
        row("move number range", "(position :movenumber 20 40 Qh7)",
            "(position Qh7 :movenumber 20 40)");
        row("move number alone", "(position :mate :movenumber 30)",
            "(position :mate :movenumber 30)");
        row("move number before another keyword", "(position :movenumber 5 :check)",
            "(position :check :movenumber 5)");
        row("sequences kept as text",
            "(position Kg1 :sequence ((position Qh7) (position :check)) :wtm)",
            "(position Kg1 :wtm :sequence ((position Qh7) (position :check)))");
        row("counts and rays keep their arguments",
            "(position :piececount A 2 5 Qd1 :power a -3 :ray (Qd1 ke8) 1 2 :attackcount Q k 1)",
            "(position Qd1 :piececount A 2 5 :power a -3 :ray (Qd1 ke8) 1 2 :attackcount Q k 1)");
        row("a count without max leaves the next item alone",
            "(position :matchcount 3 Qh7 :elo 2400 :check)",
            "(position Qh7 :check :matchcount 3 :elo 2400)");
        row("tags, moves and unknown words",
            "(position $t[e1,g1] :tagmatch t Ke1 :movefrom Pe7 :result 1-0 :name x :frob Zz9)",
            "(position $t[e1,g1] :tagmatch t Ke1 :movefrom Pe7 :result 1-0 :name x :frob Zz9)");
        row("designators after a relation stay after it",
            "(position Qd1 :relation (:pattern :shift) Ke1)",
            "(position Qd1 :relation (:pattern :shift) Ke1)");
        row("an empty list ends the list: the rest is kept", "(position Qd1 () Ke1 :check)",
            "(position Qd1 () Ke1 :check)");
        row("designators the board cannot show", "(position Kh-a1 Q[] x[e4] Qe9 Pe4e5)",
            "(position Kh-a1 Q[] x[e4] Qe9 Pe4e5)");
        row("nested lists keep their layout and comments",
            "(position Qh7\n  :or ((position :btm)   ; black to move\n       (position :check))\n"
            "  :btm)",
            "(position Qh7 :btm :or ((position :btm)   ; black to move\n"
            "       (position :check)))");
        row("a last comment keeps the parenthesis on its own line", "(position Qh7 ; the queen\n)",
            "(position Qh7 ; the queen\n)");
        row("comments between a keyword and its arguments",
            "(position :movefrom ; the pawn\n Pe7 Qh7)",
            "(position Qh7 :movefrom ; the pawn\n Pe7)");
        row("a comment is followed by a line break", "(position ; first\n :not Qh7 :initial)",
            "(position Qh7 ; first\n:not :initial)");
        row("line breaks and blanks between items", "(position\n   Qh7\n\tkg8   :btm\n )",
            "(position Qh7 kg8 :btm)");
    }
    void roundTrip() {
        QFETCH(QString, text);
        QFETCH(QString, written);
        const std::optional<BoardQuery> q = BoardQuery::fromText(text);
        QVERIFY(q);
        QCOMPARE(q->toText(), written);
        // The board's own spelling of each designator reads back to the
        // same pieces and squares, and so does the list it writes.
        BoardQuery fresh = *q;
        for (const BoardDesignator& d : q->designators()) {
            BoardDesignator plain = d;
            plain.text.clear();
            const auto back = BoardQuery::readDesignator(BoardQuery::designatorText(plain));
            QVERIFY2(back && *back == d, qPrintable(BoardQuery::designatorText(plain)));
        }
        const std::optional<BoardQuery> again = BoardQuery::fromText(written);
        QVERIFY(again);
        QCOMPARE(again->toText(), written);
    }

    void notPositionLists() {
        for (const char* text :
             {"", "(match :pgn a.pgn)", "position Qh7", "(positions Qh7)", "((position Qh7))"}) {
            QVERIFY2(!BoardQuery::fromText(QString::fromUtf8(text)), text);
        }
    }

    // Any set of squares is written as ranges that read back to exactly
    // that set.
    void squareSets() {
        QCOMPARE(BoardQuery::squaresText(0x7), QStringLiteral("[a-c1]"));
        QCOMPARE(BoardQuery::squaresText(0xff00000000ff00ull), QStringLiteral("[?2,?7]"));
        QCOMPARE(BoardQuery::squaresText(0x0101010101010101ull), QStringLiteral("[a?]"));
        QCOMPARE(BoardQuery::squaresText((1ull << 27) | (1ull << 36)), QStringLiteral("[d4,e5]"));
        QCOMPARE(BoardQuery::squaresText(~0ull), QString());
        QRandomGenerator random(24);
        for (int i = 0; i < 3000; ++i) {
            quint64 set = random.generate64();
            if (i % 3 == 1) set &= random.generate64();
            if (i % 3 == 2) set |= random.generate64();
            if (set == 0) continue;
            const QString text = QStringLiteral("Q") + BoardQuery::squaresText(set);
            const auto back = BoardQuery::readDesignator(text);
            QVERIFY2(back && back->squares == set, qPrintable(text));
        }
    }

    void piecesWritten() {
        using namespace boardpieces;
        QCOMPARE(BoardQuery::piecesText(kAny), QStringLiteral("?"));
        QCOMPARE(BoardQuery::piecesText(kWhite | kBlack), QStringLiteral("U"));
        QCOMPARE(BoardQuery::piecesText(kWhite | bit(BQ) | kEmpty), QStringLiteral("[Aq.]"));
        QCOMPARE(BoardQuery::piecesText(bit(BR) | bit(WQ)), QStringLiteral("[Qr]"));
        for (int item = 0; item < kTraySize; ++item) {
            QCOMPARE(BoardQuery::piecesText(trayPieces(item)), QString(QChar(kTrayChars[item])));
            QCOMPARE(trayItemsOf(trayPieces(item)), QList<int>{item});
        }
    }

    void boardEdits() {
        BoardQuery q = *BoardQuery::fromText(QStringLiteral("(position Qh7 R[a1,h1] :check)"));
        q.togglePiece(H7, boardpieces::bit(WR));
        QCOMPARE(q.toText(), QStringLiteral("(position R[a1,h1] [QR]h7 :check)"));
        q.move(H7, G7);
        q.clearSquare(H1);
        q.setSquare(G8, boardpieces::bit(BK));
        q.addGroup((1ull << A2) | (1ull << B2) | (1ull << C2), boardpieces::bit(WP));
        q.setSideToMove(BLACK);
        q.setFlag(BoardQuery::Check, false);
        q.setFlag(BoardQuery::Mate, true);
        q.setMoveNumbers(10, -1);
        QCOMPARE(q.toText(),
                 QStringLiteral("(position Ra1 P[a-c2] kg8 [QR]g7 :btm :mate :movenumber 10)"));
        q.togglePiece(G7, boardpieces::bit(WQ));
        q.togglePiece(G7, boardpieces::bit(WR));
        q.clearSquare(A2);
        QCOMPARE(q.toText(),
                 QStringLiteral("(position Ra1 P[b-c2] kg8 :btm :mate :movenumber 10)"));
    }

    void fromViewedBoard() {
        std::array<pieceT, 64> board;
        board.fill(EMPTY);
        board[E1] = WK;
        board[E8] = BK;
        board[D4] = WP;
        board[C6] = BN;
        QCOMPARE(BoardQuery::fromBoard(board, 0, WHITE).toText(),
                 QStringLiteral("(position Ke1 Pd4 ke8 nc6 :wtm)"));
        QCOMPARE(BoardQuery::fromBoard(board, (1ull << D4) | (1ull << C6) | (1ull << H8), BLACK)
                     .toText(),
                 QStringLiteral("(position Pd4 nc6 :btm)"));
    }

    void listUnderCaret() {
        const QString text = QStringLiteral(
            "(match :pgn g.pgn ; (position Qh7)\n (position Kg1 :or ((position :btm) (position "
            "\":x)\" )))\n (position Qd1");
        auto at = [&](const char* marker, int offset = 0) {
            const TextRange r =
                positionListAt(text, int(text.indexOf(QLatin1String(marker))) + offset);
            return r.start < 0 ? QString() : text.mid(r.start, r.length);
        };
        QCOMPARE(at("Kg1"),
                 QStringLiteral("(position Kg1 :or ((position :btm) (position \":x)\" )))"));
        QCOMPARE(at(":btm"), QStringLiteral("(position :btm)"));
        QCOMPARE(at("\":x"), QStringLiteral("(position \":x)\" )"));
        QCOMPARE(at("g.pgn"), QString());
        QCOMPARE(at("Qh7"), QString());            // in a comment
        QCOMPARE(at("Qd1"), QString());            // never closed
        QCOMPARE(at("(position Kg1"), QString());  // before its parenthesis
    }

    // What the board writes is read by hux, and finds the same games as the
    // list written by hand.
    void huxReadsWhatTheBoardWrites_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("edit");
        QTest::newRow("queen and king") << "(position Qh7 kg8 :btm)" << false;
        QTest::newRow("square sets and choices")
            << "(position [Qq][d-e4-5] [kK]?8 :check :variations)" << false;
        QTest::newRow("special designators")
            << "(position Ae4 a[d5,e5] .d4 ?c3 :movenumber 3 12)" << false;
        QTest::newRow("pawns on a range, transforms")
            << "(position P[a-c2] p[f-h7] Nf3 :shifthorizontal :flipcolor :markall)" << true;
        QTest::newRow("mates with kept counts")
            << "(position :mate :piececount A 3 8 :wtm)" << true;
        QTest::newRow("comments") << "(position ; the queen\n Qh7 :not ; no king\n kg8 :btm)"
                                  << false;
        QTest::newRow("spellings")
            << "(position Rh1 kg8 Pa2 :horizontalshift :flipdihedral)" << true;
        QTest::newRow("knight and a flip")
            << "(position Ne5 a[d5,f7] .d4 :movenumber 3 12 :flip)" << true;
    }
    void huxReadsWhatTheBoardWrites() {
        QFETCH(QString, list);
        QFETCH(bool, edit);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::copy(QStringLiteral(HUX_EXAMPLES_DIR "/sample.pgn"),
                            dir.filePath(QStringLiteral("sample.pgn"))));
        BoardQuery q = *BoardQuery::fromText(list);
        if (edit) {
            // Designators the board made itself, in its own spelling.
            const QList<BoardDesignator> all = q.designators();
            for (int i = int(all.size()) - 1; i >= 0; --i) q.removeDesignator(i);
            for (const BoardDesignator& d : all) q.addGroup(d.squares, d.pieces);
        }
        QString errors, boardErrors;
        const QString byHand = gamesFound(dir.path(), list, &errors);
        const QString byBoard = gamesFound(dir.path(), q.toText(), &boardErrors);
        QVERIFY2(byHand != QStringLiteral("error"), qPrintable(errors));
        QVERIFY2(byBoard != QStringLiteral("error"), qPrintable(q.toText() + u'\n' + boardErrors));
        QVERIFY2(!byHand.isEmpty(), "the list finds no games: no comparison");
        QCOMPARE(byBoard, byHand);
    }
};

QTEST_MAIN(BoardQueryTest)
#include "boardquery_test.moc"
