// Small C-string helpers used by the PGN reader and writer. Every text
// argument must be a valid string; a null one is an internal error.
#pragma once

#include <cstdint>

uint32_t strLength(const char* s);
// Copies src with its terminator; dst must have room.
void strCopy(char* dst, const char* src);
// A new copy, to be released with delete[].
char* strDuplicate(const char* s);
// 0 when equal, else the difference of the first differing characters.
int strCompare(const char* a, const char* b);
inline bool strEqual(const char* a, const char* b) {
    return strCompare(a, b) == 0;
}
bool strIsPrefix(const char* prefix, const char* s);
// The terminator does not count as occurring in s.
bool strContainsChar(const char* s, char ch);
const char* strLastChar(const char* s, char ch);
// The last "." of the name, or null.
const char* strFileSuffix(const char* name);
// Removes the trailing characters that belong to chars; returns how many.
uint32_t strTrimRight(char* s, const char* chars);
// Collapses each run of white space to one space and drops leading and
// trailing white space; returns the new length.
uint32_t strSingleSpace(char* s);
bool strIsAllWhitespace(const char* s);
// The leading decimal number; values beyond 32 bits (and negative ones)
// saturate to UINT32_MAX instead of wrapping.
uint32_t strGetUnsigned(const char* s);
// White space by the C library, or the Latin-1 no-break space (byte 160).
bool charIsSpace(char ch);
