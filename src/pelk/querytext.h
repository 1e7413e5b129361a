// What the editor reads out of a query's text without running it: the words
// and comments of a line (for highlighting), the partner of a parenthesis and
// the result file that View Result opens.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

struct QueryToken {
    enum Kind { Comment, Parenthesis, Keyword, Designator, Number, Word };
    Kind kind;
    int start;
    int length;
};

// The tokens of one line, read as the engine reads them: a ";" where a word
// could begin comments out the rest of the line, a parenthesis stands alone,
// and any other run of characters up to a blank or parenthesis is one word.
QList<QueryToken> queryTokens(QStringView line);

// Whether a word reads as a piece designator such as Ka1, [Qq]d-e4-5, .e4 or
// $t[e1,g1].
bool isDesignator(QStringView word);

// The parenthesis of the query at `pos`, if any (one inside a comment is
// none), and the position of its partner, -1 when it has none.
struct ParenthesisMatch {
    bool found = false;
    int partner = -1;
};
ParenthesisMatch matchParenthesis(const QString& text, int pos);

// The result file named after the first ":output" of the text (a comment
// counts too), cut after the ".pgn" that follows and trimmed; "" when the
// text has no ":output" or no ".pgn" after it.
QString resultFileName(const QString& text);
