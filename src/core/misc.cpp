#include "core/misc.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/myassert.h"

uint32_t strLength(const char* s) {
    ASSERT(s != nullptr);
    return uint32_t(strlen(s));
}

void strCopy(char* dst, const char* src) {
    ASSERT(dst != nullptr && src != nullptr);
    memmove(dst, src, strlen(src) + 1);
}

char* strDuplicate(const char* s) {
    ASSERT(s != nullptr);
    size_t n = strlen(s) + 1;
    char* copy = new char[n];
    memcpy(copy, s, n);
    return copy;
}

int strCompare(const char* a, const char* b) {
    ASSERT(a != nullptr && b != nullptr);
    while (*a != 0 && *a == *b) {
        a++;
        b++;
    }
    return int(static_cast<signed char>(*a)) - int(static_cast<signed char>(*b));
}

bool strIsPrefix(const char* prefix, const char* s) {
    ASSERT(prefix != nullptr && s != nullptr);
    while (*prefix != 0) {
        if (*prefix != *s) return false;
        prefix++;
        s++;
    }
    return true;
}

bool strContainsChar(const char* s, char ch) {
    ASSERT(s != nullptr);
    return ch != 0 && strchr(s, ch) != nullptr;
}

const char* strLastChar(const char* s, char ch) {
    ASSERT(s != nullptr);
    return ch == 0 ? nullptr : strrchr(s, ch);
}

const char* strFileSuffix(const char* name) {
    return strLastChar(name, '.');
}

uint32_t strTrimRight(char* s, const char* chars) {
    ASSERT(s != nullptr && chars != nullptr);
    size_t len = strlen(s);
    size_t end = len;
    while (end > 0 && strContainsChar(chars, s[end - 1])) end--;
    s[end] = 0;
    return uint32_t(len - end);
}

// Byte 160 is the Latin-1 no-break space, but in UTF-8 text it is also the
// second byte of characters such as "à" (C3 A0) or Cyrillic "Р" (D0 A0).
// Taking it for white space there would cut the character in half, so it
// counts as a space only when it does not follow a byte of a multi-byte
// sequence.
static bool isSpaceAt(const char* s, size_t i) {
    if (static_cast<unsigned char>(s[i]) == 160) {
        return i == 0 || static_cast<unsigned char>(s[i - 1]) < 0x80;
    }
    return charIsSpace(s[i]);
}

uint32_t strSingleSpace(char* s) {
    ASSERT(s != nullptr);
    size_t out = 0;
    bool pendingSpace = false;
    for (size_t in = 0; s[in] != 0; in++) {
        if (isSpaceAt(s, in)) {
            pendingSpace = out > 0;
            continue;
        }
        if (pendingSpace) {
            s[out++] = ' ';
            pendingSpace = false;
        }
        // out never passes in, and s[in] is rewritten only with its own
        // value, so the look-behind of isSpaceAt still sees the original text.
        s[out++] = s[in];
    }
    s[out] = 0;
    return uint32_t(out);
}

bool strIsAllWhitespace(const char* s) {
    ASSERT(s != nullptr);
    for (size_t i = 0; s[i] != 0; i++) {
        if (!isSpaceAt(s, i)) return false;
    }
    return true;
}

uint32_t strGetUnsigned(const char* s) {
    ASSERT(s != nullptr);
    unsigned long n = strtoul(s, nullptr, 10);
    return n > UINT32_MAX ? UINT32_MAX : uint32_t(n);
}

bool charIsSpace(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return isspace(c) || c == 160;
}
