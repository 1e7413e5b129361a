// Warnings about a query's words, printed on standard error while the query
// is read. A worker's copy of the query is made by reading the same words
// again: the user has been warned once, so the copy reads them in silence.
#pragma once

namespace querywarning {

// Prints "Warning: " and the formatted text on standard error, unless this
// thread is in a Silence.
void print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While one lives, this thread's warnings are not printed.
class Silence {
  public:
    Silence();
    ~Silence();
    Silence(const Silence&) = delete;
    Silence& operator=(const Silence&) = delete;

  private:
    bool wasSilent;
};

}  // namespace querywarning
