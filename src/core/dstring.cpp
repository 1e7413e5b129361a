#include "core/dstring.h"

#include <cstdio>
#include <cstring>

#include "core/myassert.h"

DString::DString() : Start(new char[DSTRING_MinCapacity]), Len(0), Capacity(DSTRING_MinCapacity) {
    Start[0] = 0;
}

DString::~DString() {
    delete[] Start;
}

void DString::Init(uint32_t capacity) {
    if (capacity < DSTRING_MinCapacity) capacity = DSTRING_MinCapacity;
    delete[] Start;
    Start = new char[capacity];
    Capacity = capacity;
    Clear();
}

void DString::Extend(uint32_t length) {
    if (Capacity > length) return;
    // Doubling must not wrap around; no text comes near 2 GB.
    ASSERT(length < 0x80000000u);
    uint32_t capacity = Capacity;
    while (capacity <= length) capacity *= 2;
    char* storage = new char[capacity];
    memcpy(storage, Start, Len + 1);
    delete[] Start;
    Start = storage;
    Capacity = capacity;
}

void DString::AppendBytes(const char* text, uint32_t length) {
    Extend(Len + length);
    memcpy(Start + Len, text, length);
    Len += length;
    Start[Len] = 0;
}

void DString::AddChar(char ch) {
    AppendBytes(&ch, 1);
}

void DString::Append(const char* text) {
    ASSERT(text != nullptr);
    AppendBytes(text, uint32_t(strlen(text)));
}

void DString::Append(uint32_t n) {
    char digits[16];
    int length = snprintf(digits, sizeof digits, "%u", n);
    AppendBytes(digits, uint32_t(length));
}

void DString::Append(const char* text1, const char* text2) {
    Append(text1);
    Append(text2);
}

void DString::Append(uint32_t n, const char* text) {
    Append(n);
    Append(text);
}

void DString::Append(const char* text1, const char* text2, const char* text3) {
    Append(text1);
    Append(text2);
    Append(text3);
}

void DString::Append(const char* text1, const char* text2, const char* text3, const char* text4) {
    Append(text1);
    Append(text2);
    Append(text3);
    Append(text4);
}

void DString::Clear() {
    Len = 0;
    Start[0] = 0;
}
