// A growable, always-terminated character string for text built piece by
// piece (board diagrams, the PGN reader's error log). Storage doubles as it
// fills, so appending stays cheap.
#pragma once

#include <cstdint>

constexpr uint32_t DSTRING_MinCapacity = 64;

class DString {
  public:
    DString();
    ~DString();
    DString(const DString&) = delete;
    DString& operator=(const DString&) = delete;

    // Replaces the storage by an empty one of max(capacity, DSTRING_MinCapacity).
    void Init(uint32_t capacity);
    // Makes room for a text of `length` characters and its terminator.
    void Extend(uint32_t length);

    void AddChar(char ch);
    void Append(const char* text);
    void Append(uint32_t n);
    void Append(const char* text1, const char* text2);
    void Append(uint32_t n, const char* text);
    void Append(const char* text1, const char* text2, const char* text3);
    void Append(const char* text1, const char* text2, const char* text3, const char* text4);

    const char* Data() const { return Start; }
    uint32_t Length() const { return Len; }
    uint32_t GetCapacity() const { return Capacity; }
    void Clear();

  private:
    void AppendBytes(const char* text, uint32_t length);

    char* Start;
    uint32_t Len;
    uint32_t Capacity;
};
