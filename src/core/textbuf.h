// An in-memory output buffer that wraps words at a column, indents new lines
// and can translate characters on the way in. The PGN writer prints a game
// into one and then dumps it to the output file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "core/error.h"

class TextBuffer {
  public:
    TextBuffer();
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Empty, no storage, wrap column 80, no indent, newlines become spaces,
    // no translations, fixed size.
    void Init();
    // Replaces the storage by `size` characters and empties the buffer.
    void SetBufferSize(uint32_t size);
    // Empties the buffer but keeps its storage and settings, so one buffer
    // can serve many records without a new allocation each.
    void Clear();
    // Releases the storage and the translations.
    void Free();

    // A growable buffer doubles its storage when full instead of returning
    // ERROR_BufferFull, so text of any length fits.
    void SetGrowable(bool growable) { Growable = growable; }
    bool IsGrowable() const { return Growable; }

    uint32_t GetWrapColumn() const { return WrapColumn; }
    void SetWrapColumn(uint32_t column) { WrapColumn = column; }
    uint32_t GetIndent() const { return IndentColumn; }
    void SetIndent(uint32_t column) { IndentColumn = column; }
    void NewlinesToSpaces(bool flag) { ConvertNewlines = flag; }

    void PauseTranslations() { PausedTranslations = true; }
    void ResumeTranslations() { PausedTranslations = false; }
    // From now on ch is written as text (a copy is kept).
    void AddTranslation(char ch, const char* text);

    // Printing operations return OK or ERROR_BufferFull.
    errorT NewLine();
    errorT Indent();
    errorT PrintLine(const char* text);
    // The parts side by side as one line, then a new line.
    errorT PrintLine(std::initializer_list<std::string_view> parts);
    errorT PrintWord(std::string_view text);
    // The three texts side by side as one word: no line break between them.
    errorT PrintJoined(std::string_view before, std::string_view text, std::string_view after);
    errorT PrintSpace();
    // A newline in text: a new line, or a space when newlines become spaces.
    errorT PrintNewlineOrSpace() { return ConvertNewlines ? PrintSpace() : NewLine(); }
    errorT PrintChar(char ch);
    errorT PrintString(const char* text);
    errorT PrintInt(int n, const char* suffix);
    errorT PrintInt(int n) { return PrintInt(n, ""); }

    // OK, or ERROR_FileWrite when the stream took fewer bytes than written.
    errorT DumpToFile(FILE* stream) const;

    // The text so far, always terminated ("" when there is no storage).
    const char* GetBuffer() const { return Buffer ? Buffer : ""; }
    uint32_t GetByteCount() const { return ByteCount; }
    uint32_t GetBufferSize() const { return BufferSize; }
    uint32_t GetLineCount() const { return LineCount; }
    uint32_t GetColumn() const { return Column; }

  private:
    // The PGN writer prints each move as a word and a space. A word or space
    // that fits on the line and in the storage, with nothing to translate,
    // is written here without a call; the rest takes the full path.
    bool Plain() const { return !HasTranslations || PausedTranslations; }
    bool FitsPlainly(size_t length) const {
        return Column + length < WrapColumn && ByteCount + length < BufferSize && Plain();
    }
    void Put(std::string_view text) {
        memcpy(Current, text.data(), text.size());
        Current += text.size();
        *Current = 0;
        ByteCount += uint32_t(text.size());
    }
    errorT WriteSpace();

    // Checks that `extra` more bytes leave the buffer short of its capacity,
    // growing it when allowed.
    errorT Room(uint32_t extra);
    void AddChar(char ch);
    void AddText(std::string_view text);
    uint32_t TranslatedLength(std::string_view text) const;
    errorT WriteWord(std::string_view first, std::string_view second, std::string_view third = {});
    void FreeTranslations();

    uint32_t Column;
    uint32_t IndentColumn;
    uint32_t WrapColumn;
    uint32_t LineIsEmpty;
    uint32_t LineCount;
    uint32_t ByteCount;
    uint32_t BufferSize;
    bool ConvertNewlines;
    char* Buffer;   // BufferSize + 1 bytes, so the terminator always fits
    char* Current;  // Buffer + ByteCount
    bool PausedTranslations;
    bool HasTranslations;
    char* Translation[256];
    bool Growable;
};

inline errorT TextBuffer::PrintWord(std::string_view text) {
    if (!FitsPlainly(text.size())) return WriteWord(text, {});
    Put(text);
    Column += uint32_t(text.size());
    LineIsEmpty = 0;
    return OK;
}

inline errorT TextBuffer::PrintSpace() {
    if (!FitsPlainly(1)) return WriteSpace();
    Put(" ");
    Column++;
    return OK;
}
