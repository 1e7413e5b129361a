// Reading and writing a query file as editor text. The engine works on bytes,
// so a file is written back in the encoding and line ends it was read with:
// a Latin-1 player name stays Latin-1 and still matches a Latin-1 PGN file.
#pragma once

#include <QString>

struct QueryFormat {
    bool latin1 = false;  // otherwise UTF-8
    bool crlf = false;
};

class QueryFile {
  public:
    // The file's text with "\n" line ends; false with a message when it
    // cannot be read.
    static bool read(const QString& path, QString* text, QueryFormat* format, QString* error);

    // Writes the text as whole lines, each ended by a line break, replacing
    // the file only once everything was written; false with a message.
    static bool write(const QString& path, const QString& text, const QueryFormat& format,
                      QString* error);
};
