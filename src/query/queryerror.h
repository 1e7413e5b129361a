// The one way a refused query or a failed run leaves the engine: the exact
// text to show, the stream it belongs on and the status the program ends
// with. The console program prints it; other callers show or record it.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

#include "query/strlist.h"

class QueryError : public std::runtime_error {
  public:
    enum class Stream { Out, Err };

    // `text` is shown as is: any "Error: " prefix or final newline is part
    // of it.
    // While a query is read, the error takes the place of the word being
    // read (see strlist::taking).
    explicit QueryError(const std::string& text, Stream stream = Stream::Out, int status = 1)
        : std::runtime_error(text),
          _stream(stream),
          _status(status),
          _where(strlist::placeLine()) {}

    // Adds why a file could not be opened: the system's text for `errnum`.
    QueryError& withCause(int errnum) {
        if (errnum != 0) _cause = std::string("  cause: ") + strerror(errnum);
        return *this;
    }

    const char* text() const { return what(); }
    Stream stream() const { return _stream; }
    int status() const { return _status; }
    // Lines for standard error after the text, "" when there is none: where
    // in the query ("  at line L, column C: WORD") and why ("  cause: ...").
    const std::string& where() const { return _where; }
    const std::string& cause() const { return _cause; }

  private:
    Stream _stream;
    int _status;
    std::string _where;
    std::string _cause;
};
