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
// a word that begins with a double quote runs to the closing quote (blanks,
// parentheses and ";" inside it included; \" and \\ stand for " and \), and
// any other run of characters up to a blank or parenthesis is one word.
QList<QueryToken> queryTokens(QStringView line);

// A word as the engine takes it: a quoted word without its quotes and
// escapes, any other word as it stands.
QString wordValue(QStringView word);
// A file name written as one word, quoted when it would not read as one.
QString quotedWord(const QString& name);

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

// The word that follows a keyword of the query's match form (the first list
// of the text), read as the engine reads it: comments skipped, and of a
// keyword given twice the last one counts. "" when there is none.
QString matchArgument(const QString& text, const QString& keyword);
// The result file: the word after :output.
QString resultFileName(const QString& text);

// A change of the text: `length` characters at `start` become `replacement`.
struct TextEdit {
    int start = 0;
    int length = 0;
    QString replacement;
};
// Gives a keyword of the match form a new file name: the word after it is
// replaced, or the keyword and the name are added after "match". Nothing
// (an edit at -1) when the text has no match form.
TextEdit setMatchArgument(const QString& text, const QString& keyword, const QString& name);
