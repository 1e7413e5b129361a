// Reading a query's text in the editor: tokens, designators, parenthesis
// partners and the result file name that View Result opens.
#include <QTest>

#include "pelk/querytext.h"

class QueryTextTest : public QObject {
    Q_OBJECT

  private slots:
    void resultName_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("blank and comment after the name")
            << "(match :pgn g.pgn\n :output result.pgn ; the games found\n)"
            << "result.pgn";
        QTest::newRow("closing parenthesis right after the name")
            << "(match :pgn g.pgn :output result.pgn)"
            << "result.pgn";
        QTest::newRow("a comment is skipped, as the engine skips it")
            << "; :output old.pgn was the first try\n(match :output new.pgn)"
            << "new.pgn";
        QTest::newRow("a blank ends the name") << "(match :output  my games.pgn)"
                                               << "my";
        QTest::newRow("a quoted name holds blanks and escapes")
            << "(match :output \"My Games/a \\\"b\\\" c\\\\d.pgn\" :pgn g.pgn)"
            << "My Games/a \"b\" c\\d.pgn";
        QTest::newRow("a quoted name holds ; and parentheses") << "(match :output \"x (1); y.pgn\")"
                                                               << "x (1); y.pgn";
        QTest::newRow("path") << "(match :output ../out/r.pgn)"
                              << "../out/r.pgn";
        QTest::newRow("no :output") << "(match :pgn g.pgn)"
                                    << "";
        QTest::newRow("any name, as the engine takes it")
            << "(match :output result.txt)\n; :output x.pgn"
            << "result.txt";
        QTest::newRow("the last :output counts") << "(match :output a.pgn :output b.pgn)"
                                                 << "b.pgn";
        QTest::newRow("only in the match form")
            << "(match :pgn g.pgn (position :output p.pgn))\n(match :output later.pgn)"
            << "";
        QTest::newRow("no word after it") << "(match :output)"
                                          << "";
        QTest::newRow("a semicolon inside a word is no comment") << "(match :output a;b.pgn)"
                                                                 << "a;b.pgn";
    }
    void resultName() {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(resultFileName(text), name);
    }

    // Games File... and Output File...: the word after the keyword is
    // replaced, or the keyword is added after "match"; names that would not
    // read as one word are quoted.
    void setArgument_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("after");
        QTest::newRow("replaces the name") << "(match :pgn old.pgn ; games\n (position))"
                                           << ":pgn"
                                           << "new.pgn"
                                           << "(match :pgn new.pgn ; games\n (position))";
        QTest::newRow("skips a commented-out keyword") << "; :output x.pgn\n(match :output y.pgn)"
                                                       << ":output"
                                                       << "z.pgn"
                                                       << "; :output x.pgn\n(match :output z.pgn)";
        QTest::newRow("adds the keyword after match")
            << "(match :pgn g.pgn\n (position))"
            << ":output"
            << "found.pgn"
            << "(match :output found.pgn :pgn g.pgn\n (position))";
        QTest::newRow("adds the name after a bare keyword") << "(match :pgn (position))"
                                                            << ":pgn"
                                                            << "g.pgn"
                                                            << "(match :pgn g.pgn (position))";
        QTest::newRow("adds the name before a keyword that follows")
            << "(match :pgn :output o.pgn)"
            << ":pgn"
            << "g.pgn"
            << "(match :pgn g.pgn :output o.pgn)";
        QTest::newRow("quotes a name with blanks") << "(match :pgn \"old one.pgn\")"
                                                   << ":pgn"
                                                   << "My Games/a \"b\".pgn"
                                                   << "(match :pgn \"My Games/a \\\"b\\\".pgn\")";
        QTest::newRow("no match form") << "; nothing yet"
                                       << ":pgn"
                                       << "g.pgn"
                                       << "";
    }
    void setArgument() {
        QFETCH(QString, before);
        QFETCH(QString, keyword);
        QFETCH(QString, name);
        QFETCH(QString, after);
        const TextEdit edit = setMatchArgument(before, keyword, name);
        if (after.isEmpty()) {
            QCOMPARE(edit.start, -1);
            return;
        }
        QString text = before;
        text.replace(edit.start, edit.length, edit.replacement);
        QCOMPARE(text, after);
        QCOMPARE(matchArgument(text, keyword), name);
    }

    void tokens() {
        const QString line = "(position Ka1 :movenumber 20 a;b e4x) ; Ka1 (";
        QStringList seen;
        for (const QueryToken& t : queryTokens(line)) {
            seen << QStringLiteral("%1:%2").arg(int(t.kind)).arg(line.mid(t.start, t.length));
        }
        const QStringList expected = {"1:(",   "2:position", "3:Ka1",    "2::movenumber", "4:20",
                                      "5:a;b",  // a semicolon inside a word starts no comment
                                      "5:e4x", "1:)",        "0:; Ka1 ("};
        QCOMPARE(seen, expected);
    }

    void designators_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("designator");
        for (const char* yes : {"K", "Ka1", "[Qq]d-e4-5", ".e4", "A[a1,h8]", "$king[e1,g1]", "?",
                                "U??", "Pa-h2", "K[a1,]", "N[]", "$t", "[$t]c?"}) {
            QTest::newRow(yes) << QString(yes) << true;
        }
        for (const char* no :
             {"x", "Kz9", "Morphy", "games.pgn", "Ka1b", "[Qq", "K[a1", "1-0", "$", "Ki9"}) {
            QTest::newRow(no) << QString(no) << false;
        }
    }
    void designators() {
        QFETCH(QString, word);
        QFETCH(bool, designator);
        QCOMPARE(isDesignator(word), designator);
    }

    void parentheses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("partner");
        const QString query = "(match (position Ka1) ; (\n (position))";
        QTest::newRow("outer open") << query << 0 << true << int(query.size() - 1);
        QTest::newRow("outer close") << query << int(query.size() - 1) << true << 0;
        QTest::newRow("inner") << query << 7 << true << 20;
        QTest::newRow("in a comment") << query << 24 << false << -1;
        QTest::newRow("no parenthesis") << query << 1 << false << -1;
        QTest::newRow("unpaired") << "(match (position" << 0 << true << -1;
        QTest::newRow("unpaired close") << "a)" << 1 << true << -1;
    }
    void parentheses() {
        QFETCH(QString, text);
        QFETCH(int, pos);
        QFETCH(bool, found);
        QFETCH(int, partner);
        const ParenthesisMatch match = matchParenthesis(text, pos);
        QCOMPARE(match.found, found);
        QCOMPARE(match.partner, partner);
    }
};

QTEST_GUILESS_MAIN(QueryTextTest)
#include "querytext_test.moc"
