// The PGN reader's input: a file read through one large buffer, or a block of
// memory read in place. ReadOneByte is the innermost call of the whole scan,
// so it is inline and touches the operating system only once per buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/error.h"

enum fileModeT { FMODE_None = 0, FMODE_ReadOnly = 1, FMODE_WriteOnly = 2, FMODE_Both = 3 };

enum mfileT { MFILE_REGULAR = 0, MFILE_MEMORY = 1, MFILE_GZIP = 2, MFILE_ZIP = 3 };

class MFile {
  public:
    static constexpr size_t BUFFER_SIZE = 256 * 1024;

    MFile();
    ~MFile();
    MFile(const MFile&) = delete;
    MFile& operator=(const MFile&) = delete;

    // Opens a regular file. Compressed files (".gz") are not supported.
    errorT Open(const char* name, fileModeT fmode);
    // Reads `stream`, which the caller keeps open and closes, as the file
    // called `name`.
    errorT OpenStream(FILE* stream, const char* name);
    // Reads from memory the caller keeps alive while this file is open.
    void OpenMemory(const char* data, size_t length, const char* name);
    void Close();

    // The next byte (0..255), or -1 at the end of the input.
    int ReadOneByte() {
        if (Current < End) return static_cast<unsigned char>(*Current++);
        return Refill();
    }
    // True when no byte is left to read.
    bool EndOfFile() {
        if (Current < End) return false;
        if (Type != MFILE_REGULAR || Handle == nullptr || AtEof) return true;
        if (Refill() < 0) return true;
        --Current;
        return false;
    }
    // The bytes read ahead and not yet handed out, for a reader that scans
    // them in place; Skip hands out n of them at once.
    const char* Buffered() const { return Current; }
    size_t BufferedLength() const { return static_cast<size_t>(End - Current); }
    void Skip(size_t n) { Current += n; }
    const char* GetFileName() const { return FileName ? FileName : ""; }
    // Bytes read so far.
    uint64_t Location() const { return BufferStart + static_cast<uint64_t>(Current - Start); }
    mfileT GetType() const { return Type; }

  private:
    int Refill();
    void SetName(const char* name);

    FILE* Handle;
    bool OwnsHandle;
    fileModeT FileMode;
    mfileT Type;
    char* FileName;
    bool AtEof;
    uint64_t BufferStart;  // file offset of Start
    char* FileBuffer;      // owned; regular files only
    const char* Start;     // first byte of the buffered or in-memory data
    const char* Current;   // next byte to hand out
    const char* End;       // one past the last valid byte
};
