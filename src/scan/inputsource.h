// The games' input as the readers see it: a file or standard input, plain or
// compressed, always a stream of PGN text. A compressed input is decoded on a
// thread of its own into a few buffers of fixed size, so that decoding runs
// beside the scan in constant memory, and no copy is written anywhere.
#pragma once

#include <sys/types.h>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scan/inputformat.h"

class Decoder;

class InputSource {
  public:
    // Opens `name`, or standard input for "-". Null (errno set) when it
    // cannot be opened.
    static std::unique_ptr<InputSource> open(const char* name);
    // Reads `fd`, which the source closes, as the input called `name`.
    static std::unique_ptr<InputSource> adopt(int fd, const char* name);
    ~InputSource();
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // The name in messages: the file's, or "standard input".
    const std::string& shownName() const { return shown; }
    Compression compression() const { return format; }
    // Why the input is not PGN text (the words after "NAME is "), judged on
    // its first block; empty for text. Nothing may be read when it is not.
    const std::string& refusal() const { return refused; }

    // The text, for the readers; it belongs to the source. A damaged input
    // ends with a read error, after the last game that started before the
    // damage (that game is left out: it may be cut short).
    FILE* stream() const { return text; }
    // The text as a descriptor, for a reader that wants one instead of the
    // stream (use one or the other): a plain file itself, from its start;
    // else a pipe that a thread of the source fills from the stream. -1 when
    // no pipe could be made.
    int descriptor();
    // Once the reader has met the end of the text: what ended it early, as
    // the words after the name ("is truncated"); empty after a sound end.
    std::string damage() const;
    // A reader of descriptor() whose read failed with `errnum` says so here,
    // at the end of its reading: damage() then tells it.
    void readFailed(int errnum);

  private:
    struct Chunk {
        std::vector<char> bytes;
        size_t used = 0;
    };

    InputSource(int fd, const char* name);
    void start();
    // Standard input and pipes deliver what they have: reads until `size`
    // bytes or the end. False on a read error.
    bool readFully(char* buffer, size_t size, size_t& got);
    // The producer: decodes the whole input into chunks.
    void decodeAll();
    // Reads compressed bytes, waking up now and then to see whether the
    // reader has gone. 0 at the end or when stopped; -1 on an error.
    ssize_t readInput(char* buffer, size_t size);
    Chunk takeFree(size_t capacity);
    // Queues `chunk` up to the start of its last game and returns the chunk
    // to fill next, which begins with that game; a chunk without a game start
    // grows instead, up to a limit. An empty chunk when the reader has gone.
    Chunk publish(Chunk chunk);
    void finishProducing(const std::string& damage);
    void judge(const char* data, size_t size);

    // Copies the stream into the pipe's end `out`, then closes it.
    void pump(int out);

    ssize_t read(char* buffer, size_t size);
    ssize_t readPlain(char* buffer, size_t size);
    static ssize_t cookieRead(void* cookie, char* buffer, size_t size);
    static int cookieClose(void* cookie);

    int fd;
    std::string shown;
    Compression format = Compression::None;
    std::string refused;
    FILE* text = nullptr;

    // The first bytes, read to tell the format; the plain reader hands them
    // out first, the decoder decodes them first.
    std::vector<char> head;
    size_t headPos = 0;

    std::unique_ptr<Decoder> decoder;
    std::thread producer;
    std::thread pumper;
    int pipeEnd = -1;  // the read end of the pump's pipe

    // Guarded by `mutex`.
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Chunk> ready;
    std::vector<Chunk> spare;
    bool judged = false;
    bool produced = false;  // the producer has queued its last chunk
    bool stopping = false;
    std::string damageFound;  // by the producer or the plain reader

    // The consumer's chunk, being read.
    Chunk reading;
    size_t readPos = 0;
    bool ended = false;  // the reader has met the end
};
