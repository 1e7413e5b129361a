// Character classes of PGN text shared by the reader's parts (the header
// reader, the tokenizer, the move-text reader and the date reader), and the
// reading of a number in a tag value.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace pgnchars {

// The C library's isspace in the "C" locale, plus the Latin-1 no-break space.
inline constexpr bool isSpace(int ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r') || ch == 160;
}
// The same test on a byte of a text by one look-up, and the end of a word in
// a text: a blank or the terminator.
inline constexpr std::array<bool, 256> kSpaceBytes = [] {
    std::array<bool, 256> t{};
    for (int ch = 0; ch < 256; ++ch) t[ch] = isSpace(ch);
    return t;
}();
inline constexpr std::array<bool, 256> kWordEndBytes = [] {
    std::array<bool, 256> t = kSpaceBytes;
    t[0] = true;
    return t;
}();
inline bool isSpaceByte(char ch) {
    return kSpaceBytes[static_cast<unsigned char>(ch)];
}
inline bool isWordEnd(char ch) {
    return kWordEndBytes[static_cast<unsigned char>(ch)];
}
inline constexpr bool isDigit(int ch) {
    return ch >= '0' && ch <= '9';
}
inline constexpr bool isFyle(int ch) {
    return ch >= 'a' && ch <= 'h';
}
inline constexpr bool isRank(int ch) {
    return ch >= '1' && ch <= '8';
}
inline constexpr bool isLetter(int ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}
inline constexpr bool isPromotionLetter(int ch) {
    return ch == 'Q' || ch == 'R' || ch == 'B' || ch == 'N';
}

// Characters that end a move token and stay in the input: brace comments,
// variations, NAGs and line comments delimit themselves, so "a6{...}" and
// "e4(1.d4)" are a move followed by a comment or a variation.
inline constexpr bool isMoveDelimiter(int ch) {
    return ch == '{' || ch == '(' || ch == '$' || ch == ';';
}

// The number at the start of s as strtoul reads it in base 10 (blanks of the
// "C" locale, a sign, digits; a minus sign negates modulo 2^64 and too many
// digits give the largest value), capped to 32 bits. It leaves s after the
// characters it reads, none of which is a dot. Tag values are read this way
// a few times per game, so it saves the library's locale and base handling.
inline uint32_t readUnsigned(const char*& s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    uint64_t value = 0;
    bool overflow = false;
    for (; isDigit(static_cast<unsigned char>(*s)); ++s) {
        const uint64_t digit = static_cast<uint64_t>(*s - '0');
        if (value > (UINT64_MAX - digit) / 10) overflow = true;
        value = value * 10 + digit;
    }
    if (overflow) return UINT32_MAX;
    if (negative) value = 0 - value;
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

inline bool equals(const char* a, const char* b) {
    return strcmp(a, b) == 0;
}

}  // namespace pgnchars
