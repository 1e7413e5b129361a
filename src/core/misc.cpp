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

namespace {
// Byte 160 is the Latin-1 no-break space, but in UTF-8 text it is also a
// continuation byte, as in "à" (C3 A0), Cyrillic "Р" (D0 A0) or "†"
// (E2 80 A0). Taking it for white space there would cut the character in
// half, so the scan follows multi-byte sequences and counts 160 as a space
// only outside them.
class SpaceScanner {
  public:
    bool isSpace(char ch) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (pending > 0 && c >= 0x80 && c <= 0xBF) {
            pending--;
            return false;
        }
        pending = c >= 0xC2 && c <= 0xDF   ? 1
                  : c >= 0xE0 && c <= 0xEF ? 2
                  : c >= 0xF0 && c <= 0xF4 ? 3
                                           : 0;
        return charIsSpace(ch);
    }

  private:
    int pending = 0;
};
}  // namespace

uint32_t strSingleSpace(char* s) {
    ASSERT(s != nullptr);
    SpaceScanner scanner;
    size_t out = 0;
    bool pendingSpace = false;
    for (size_t in = 0; s[in] != 0; in++) {
        if (scanner.isSpace(s[in])) {
            pendingSpace = out > 0;
            continue;
        }
        if (pendingSpace) {
            s[out++] = ' ';
            pendingSpace = false;
        }
        s[out++] = s[in];
    }
    s[out] = 0;
    return uint32_t(out);
}

bool strIsAllWhitespace(const char* s) {
    ASSERT(s != nullptr);
    // Any byte that starts a multi-byte character is not white space, so
    // the plain test cannot mistake a continuation byte for one here.
    for (size_t i = 0; s[i] != 0; i++) {
        if (!charIsSpace(s[i])) return false;
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
