// The one place a scan's results leave the program: progress marks on
// standard output, the matching games on the output file (or standard
// output), and the closing count line, in game order whoever found them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class ResultWriter {
  public:
    // `outputfile` null writes the games to standard output.
    ResultWriter(const char* outputfile, const char* pgnfile, std::string queryfile);
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // Opens the output file, refusing one that is the PGN or the query file.
    void open();
    // Game n (from 1) has been read: a dot every hundred games, the count
    // every thousand.
    void progress(long n);
    // Game n matched: its mark and its record. False when the record could
    // not be written; failure() then says why.
    bool write(long n, const char* record, size_t length);
    // Shows the marks held so far, before anything else is printed.
    void flushMarks();
    // Whether marks are held (the default) or shown at once.
    void holdMarks(bool hold) { holding = hold; }
    // Flushes and closes the output file; false when that failed.
    bool close();
    // The closing line with the number of matching games.
    void summary() const;
    // The message of a failed write, as it is shown.
    std::string failure() const;
    int matches() const { return nmatches; }
    // The number of the last game read.
    long gamesRead() const { return games; }

  private:
    const char* shownOutput() const;
    // Standard output is unbuffered, so that it keeps its order with
    // standard error: the marks are held here and shown a few times a
    // second, not with a write each.
    void hold(const char* mark, size_t length);

    const char* outputfile;
    const char* pgnfile;
    std::string queryfile;
    std::vector<char> buffer;  // the output file's, which outlives its stream
    FILE* stream = nullptr;
    int nmatches = 0;
    long games = 0;
    int error = 0;  // errno of the failed write
    std::string marks;
    bool holding = true;
    std::chrono::steady_clock::time_point shown = std::chrono::steady_clock::now();
};
