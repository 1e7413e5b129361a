#include "core/mfile.h"

#include <cstring>

MFile::MFile()
    : Handle(nullptr),
      OwnsHandle(true),
      FileMode(FMODE_None),
      Type(MFILE_REGULAR),
      FileName(nullptr),
      AtEof(false),
      BufferStart(0),
      FileBuffer(nullptr),
      Start(nullptr),
      Current(nullptr),
      End(nullptr) {}

MFile::~MFile() {
    Close();
    delete[] FileBuffer;
}

void MFile::Close() {
    if (Handle != nullptr && OwnsHandle) fclose(Handle);
    Handle = nullptr;
    OwnsHandle = true;
    FileMode = FMODE_None;
    Type = MFILE_REGULAR;
    delete[] FileName;
    FileName = nullptr;
    AtEof = false;
    BufferStart = 0;
    Start = Current = End = nullptr;
}

void MFile::SetName(const char* name) {
    size_t len = strlen(name);
    FileName = new char[len + 1];
    memcpy(FileName, name, len + 1);
}

errorT MFile::Open(const char* name, fileModeT fmode) {
    Close();
    const char* mode;
    switch (fmode) {
        case FMODE_ReadOnly:
            mode = "rb";
            break;
        case FMODE_WriteOnly:
            mode = "wb";
            break;
        case FMODE_Both:
            mode = "r+b";
            break;
        default:
            return ERROR_FileMode;
    }
    // Compressed input is not available; refuse it before touching the file,
    // so that a write mode cannot truncate it either.
    const char* dot = strrchr(name, '.');
    if (dot != nullptr && strcmp(dot, ".gz") == 0) return ERROR_FileOpen;

    Handle = fopen(name, mode);
    if (Handle == nullptr) return ERROR_FileOpen;
    if (FileBuffer == nullptr) FileBuffer = new char[BUFFER_SIZE];
    FileMode = fmode;
    Type = MFILE_REGULAR;
    SetName(name);
    Start = Current = End = FileBuffer;
    // A directory, or a file that cannot be read, opens on some systems and
    // then fails its first read: reading ahead now turns that into a failed
    // open instead of an empty input.
    if (fmode != FMODE_WriteOnly) {
        if (Refill() < 0 && ferror(Handle)) {
            Close();
            return ERROR_FileOpen;
        }
        Current = Start;
    }
    return OK;
}

errorT MFile::OpenStream(FILE* stream, const char* name) {
    Close();
    if (stream == nullptr) return ERROR_FileOpen;
    Handle = stream;
    OwnsHandle = false;
    if (FileBuffer == nullptr) FileBuffer = new char[BUFFER_SIZE];
    FileMode = FMODE_ReadOnly;
    Type = MFILE_REGULAR;
    SetName(name);
    Start = Current = End = FileBuffer;
    return OK;
}

void MFile::OpenMemory(const char* data, size_t length, const char* name) {
    Close();
    FileMode = FMODE_ReadOnly;
    Type = MFILE_MEMORY;
    SetName(name);
    Start = Current = data;
    End = data + length;
}

int MFile::Refill() {
    if (Type != MFILE_REGULAR || Handle == nullptr || AtEof) return -1;
    BufferStart += static_cast<uint64_t>(End - Start);
    size_t n = fread(FileBuffer, 1, BUFFER_SIZE, Handle);
    Start = Current = FileBuffer;
    End = FileBuffer + n;
    // A read error ends the input like the end of the file does.
    if (n == 0) {
        AtEof = true;
        return -1;
    }
    return static_cast<unsigned char>(*Current++);
}
