#include "core/textbuf.h"

#include <cstring>

#include "core/misc.h"
#include "core/myassert.h"

TextBuffer::TextBuffer() : Buffer(nullptr), HasTranslations(false), Translation{} {
    Init();
}

TextBuffer::~TextBuffer() {
    Free();
}

void TextBuffer::Init() {
    Free();
    Column = 0;
    IndentColumn = 0;
    WrapColumn = 80;
    LineIsEmpty = 1;
    LineCount = 0;
    ByteCount = 0;
    BufferSize = 0;
    ConvertNewlines = true;
    Current = nullptr;
    PausedTranslations = false;
    Growable = false;
}

void TextBuffer::SetBufferSize(uint32_t size) {
    delete[] Buffer;
    Buffer = new char[size + 1];
    BufferSize = size;
    Current = Buffer;
    *Current = 0;
    Column = 0;
    LineCount = 0;
    ByteCount = 0;
    LineIsEmpty = 1;
}

void TextBuffer::Clear() {
    Current = Buffer;
    if (Current != nullptr) *Current = 0;
    Column = 0;
    LineCount = 0;
    ByteCount = 0;
    LineIsEmpty = 1;
}

void TextBuffer::FreeTranslations() {
    for (char*& text : Translation) {
        delete[] text;
        text = nullptr;
    }
    HasTranslations = false;
}

void TextBuffer::Free() {
    delete[] Buffer;
    Buffer = nullptr;
    Current = nullptr;
    BufferSize = 0;
    ByteCount = 0;
    Column = 0;
    LineCount = 0;
    LineIsEmpty = 1;
    FreeTranslations();
}

void TextBuffer::AddTranslation(char ch, const char* text) {
    ASSERT(text != nullptr);
    char*& slot = Translation[static_cast<unsigned char>(ch)];
    delete[] slot;
    slot = strDuplicate(text);
    HasTranslations = true;
}

errorT TextBuffer::Room(uint32_t extra) {
    // Every write that passes this check leaves ByteCount at most BufferSize,
    // and the storage has one byte beyond that for the terminator.
    uint64_t needed = uint64_t(ByteCount) + extra;
    if (needed < BufferSize) return OK;
    if (!Growable) return ERROR_BufferFull;
    uint64_t size = BufferSize < 256 ? 256 : BufferSize;
    while (size <= needed) size *= 2;
    if (size > UINT32_MAX - 1) return ERROR_BufferFull;
    char* storage = new char[size + 1];
    if (Buffer != nullptr) memcpy(storage, Buffer, ByteCount);
    storage[ByteCount] = 0;
    delete[] Buffer;
    Buffer = storage;
    Current = Buffer + ByteCount;
    BufferSize = uint32_t(size);
    return OK;
}

uint32_t TextBuffer::TranslatedLength(std::string_view text) const {
    if (!HasTranslations || PausedTranslations) return uint32_t(text.size());
    uint32_t length = 0;
    for (char ch : text) {
        const char* tr = Translation[static_cast<unsigned char>(ch)];
        length += tr != nullptr ? strLength(tr) : 1;
    }
    return length;
}

void TextBuffer::AddText(std::string_view text) {
    if (HasTranslations && !PausedTranslations) {
        for (char ch : text) AddChar(ch);
        return;
    }
    if (text.empty()) return;
    // Without translations every byte stands for itself: one copy, and the
    // caller's Room check has already made space for it and the terminator.
    Put(text);
}

void TextBuffer::AddChar(char ch) {
    if (HasTranslations && !PausedTranslations) {
        const char* tr = Translation[static_cast<unsigned char>(ch)];
        if (tr != nullptr) {
            while (*tr != 0) {
                *Current++ = *tr++;
                ByteCount++;
            }
            *Current = 0;
            return;
        }
    }
    *Current++ = ch;
    *Current = 0;
    ByteCount++;
}

errorT TextBuffer::NewLine() {
    if (Room(0) != OK) return ERROR_BufferFull;
    *Current++ = '\n';
    *Current = 0;
    ByteCount++;
    LineCount++;
    LineIsEmpty = 1;
    Column = 0;
    while (Column < IndentColumn) {
        if (Room(0) != OK) return ERROR_BufferFull;
        *Current++ = ' ';
        *Current = 0;
        ByteCount++;
        Column++;
    }
    return OK;
}

errorT TextBuffer::Indent() {
    if (!LineIsEmpty) return NewLine();
    while (Column < IndentColumn) {
        if (Room(0) != OK) return ERROR_BufferFull;
        *Current++ = ' ';
        *Current = 0;
        ByteCount++;
        Column++;
    }
    return OK;
}

errorT TextBuffer::PrintLine(const char* text) {
    ASSERT(text != nullptr);
    return PrintLine({std::string_view(text)});
}

errorT TextBuffer::PrintLine(std::initializer_list<std::string_view> parts) {
    uint32_t length = 0;
    uint32_t translated = 0;
    for (std::string_view part : parts) {
        length += uint32_t(part.size());
        translated += TranslatedLength(part);
    }
    // The whole line or nothing of it, so a full buffer never holds half a tag.
    if (Room(translated) != OK) return ERROR_BufferFull;
    for (std::string_view part : parts) AddText(part);
    Column += length;
    return NewLine();
}

// The word is written byte for byte: text keeps the encoding it came in, so
// UTF-8 names stay UTF-8.
errorT TextBuffer::WriteWord(std::string_view first, std::string_view second,
                             std::string_view third) {
    uint32_t length = uint32_t(first.size() + second.size() + third.size());
    // On a line holding nothing but indentation a new line would only leave
    // a blank line behind, which PGN readers take as the end of the game.
    if (Column + length >= WrapColumn && !LineIsEmpty) {
        errorT err = NewLine();
        if (err != OK) return err;
    }
    if (Room(TranslatedLength(first) + TranslatedLength(second) + TranslatedLength(third)) != OK)
        return ERROR_BufferFull;
    AddText(first);
    AddText(second);
    AddText(third);
    Column += length;
    LineIsEmpty = 0;
    return OK;
}

errorT TextBuffer::PrintJoined(std::string_view before, std::string_view text,
                               std::string_view after) {
    return WriteWord(before, text, after);
}

errorT TextBuffer::WriteSpace() {
    if (Room(1) != OK) return ERROR_BufferFull;
    if (Column + 1 >= WrapColumn) return NewLine();
    *Current++ = ' ';
    *Current = 0;
    ByteCount++;
    Column++;
    return OK;
}

errorT TextBuffer::PrintChar(char ch) {
    if (Column + 1 >= WrapColumn && !LineIsEmpty) {
        errorT err = NewLine();
        if (err != OK) return err;
    }
    if (Room(TranslatedLength(std::string_view(&ch, 1))) != OK) return ERROR_BufferFull;
    AddChar(ch);
    Column++;
    LineIsEmpty = 0;
    return OK;
}

errorT TextBuffer::PrintString(const char* text) {
    ASSERT(text != nullptr);
    const char* word = text;
    for (const char* p = text;; p++) {
        if (*p != 0 && *p != ' ' && *p != '\n') continue;
        errorT err = WriteWord(std::string_view(word, size_t(p - word)), {});
        if (err != OK) return err;
        if (*p == 0) return OK;
        err = (*p == '\n' && !ConvertNewlines) ? NewLine() : PrintSpace();
        if (err != OK) return err;
        word = p + 1;
    }
}

errorT TextBuffer::PrintInt(int n, const char* suffix) {
    ASSERT(suffix != nullptr);
    char digits[16];
    int length = snprintf(digits, sizeof digits, "%d", n);
    return WriteWord(std::string_view(digits, size_t(length)), suffix);
}

errorT TextBuffer::DumpToFile(FILE* stream) const {
    ASSERT(stream != nullptr);
    if (ByteCount == 0) return OK;
    size_t written = fwrite(Buffer, 1, ByteCount, stream);
    return written == ByteCount ? OK : ERROR_FileWrite;
}
