// Where the engine says a query error lies: it follows each query error with
// a line "  at line L, column C: <the text there>" on its error stream, which
// the editor reads to mark the place and to take the caret there.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

struct ErrorLocation {
    int line = 0;    // from 1
    int column = 0;  // from 1, in bytes of the query file as the engine read it
    QString text;    // the text the engine found there; may be empty (end of file)

    // The location a line of the engine's output gives, if it is one.
    static std::optional<ErrorLocation> parse(QStringView outputLine);

    // The character of a line of the editor where the column points, for a
    // query file written as UTF-8 (otherwise one byte is one character);
    // clamped to the end of the line.
    int characterIndex(QStringView lineText, bool utf8) const;
};
