// The one way a refused query or a failed run leaves the engine: the exact
// text to show, the stream it belongs on and the status the program ends
// with. The console program prints it; other callers show or record it.
#pragma once

#include <stdexcept>
#include <string>

class QueryError : public std::runtime_error {
  public:
    enum class Stream { Out, Err };

    // `text` is shown as is: any "Error: " prefix or final newline is part
    // of it.
    explicit QueryError(const std::string& text, Stream stream = Stream::Out, int status = 1)
        : std::runtime_error(text), _stream(stream), _status(status) {}

    const char* text() const { return what(); }
    Stream stream() const { return _stream; }
    int status() const { return _status; }

  private:
    Stream _stream;
    int _status;
};
