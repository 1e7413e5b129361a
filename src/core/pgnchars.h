// Character classes of PGN text shared by the reader's parts: the header
// reader, the tokenizer and the move-text reader.
#pragma once

#include <cstring>

namespace pgnchars {

// The C library's isspace in the "C" locale, plus the Latin-1 no-break space.
inline constexpr bool isSpace(int ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r') || ch == 160;
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

inline bool equals(const char* a, const char* b) {
    return strcmp(a, b) == 0;
}

}  // namespace pgnchars
