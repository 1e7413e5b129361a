#include "query/namematcher.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstring>

#include "core/myassert.h"

namespace {

// Texts are decoded, normalised and folded into these per-thread buffers,
// which keep their storage from game to game.
thread_local std::u16string decoded;
thread_local std::u16string normalised;
thread_local std::u16string folded;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isAscii(const char* text) {
    for (; *text != '\0'; text++)
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    return true;
}

void decode(const char* text, bool utf8, std::u16string& out) {
    out.clear();
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    const int32_t length = int32_t(strlen(text));
    if (!utf8) {
        // Latin-1: every byte is the code point of the same number.
        for (int32_t i = 0; i < length; i++) out.push_back(char16_t(bytes[i]));
        return;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) c = 0xFFFD;
        if (U16_LENGTH(c) == 1) {
            out.push_back(char16_t(c));
        } else {
            out.push_back(char16_t(U16_LEAD(c)));
            out.push_back(char16_t(U16_TRAIL(c)));
        }
    }
}

// Runs one of ICU's string transformations from `in` into `out`, growing
// `out` when the result is longer than its room.
template <class Transform>
void transform(const std::u16string& in, std::u16string& out, Transform run) {
    out.resize(in.size() * 3 + 8);
    UErrorCode error = U_ZERO_ERROR;
    int32_t n = run(reinterpret_cast<const UChar*>(in.data()), int32_t(in.size()),
                    reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(size_t(n));
        error = U_ZERO_ERROR;
        n = run(reinterpret_cast<const UChar*>(in.data()), int32_t(in.size()),
                reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &error);
    }
    // ICU's data is part of the library: a failure here is no input error.
    if (U_FAILURE(error)) n = 0;
    out.resize(size_t(n));
}

// The comparable form of a text: composed (or, without accents, decomposed
// with the accents dropped), then case-folded.
void comparable(const char* text, bool utf8, bool ignoreAccents, std::u16string& out) {
    decode(text, utf8, decoded);
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* form =
        ignoreAccents ? unorm2_getNFDInstance(&error) : unorm2_getNFCInstance(&error);
    if (U_SUCCESS(error)) {
        transform(decoded, normalised,
                  [form](const UChar* src, int32_t n, UChar* dst, int32_t cap, UErrorCode* e) {
                      return unorm2_normalize(form, src, n, dst, cap, e);
                  });
    } else {
        normalised = decoded;
    }
    if (ignoreAccents) {
        size_t kept = 0;
        for (size_t i = 0; i < normalised.size(); i++)
            if (u_charType(normalised[i]) != U_NON_SPACING_MARK) normalised[kept++] = normalised[i];
        normalised.resize(kept);
    }
    transform(normalised, out,
              [](const UChar* src, int32_t n, UChar* dst, int32_t cap, UErrorCode* e) {
                  return u_strFoldCase(dst, cap, src, n, U_FOLD_CASE_DEFAULT, e);
              });
}

}  // namespace

NameMatcher::NameMatcher(const char* fragment, bool ignoreAccents)
    : fragment_(fragment), ignoreAccents_(ignoreAccents) {
    ASSERT(fragment != nullptr);
    comparable(fragment, isUtf8(fragment), ignoreAccents, folded_);
    asciiFragment_ = true;
    for (char16_t c : folded_) {
        if (c >= 0x80) asciiFragment_ = false;
        asciiFolded_.push_back(char(c));
    }
}

bool NameMatcher::matches(const char* text, bool utf8) const {
    ASSERT(text != nullptr);
    if (*text == '\0') return false;
    // Most names are plain ASCII, whichever the encoding: composing,
    // decomposing and dropping accents leave such a text as it is, and
    // folding lowers its capitals, nothing else.
    if (isAscii(text)) {
        if (!asciiFragment_) return false;
        // The fragment is sought in the text as lowered, without a copy.
        const size_t length = strlen(text), wanted = asciiFolded_.size();
        for (size_t at = 0; at + wanted <= length; at++) {
            size_t i = 0;
            while (i < wanted && lower(text[at + i]) == asciiFolded_[i]) i++;
            if (i == wanted) return true;
        }
        return false;
    }
    comparable(text, utf8, ignoreAccents_, folded);
    return folded.find(folded_) != std::u16string::npos;
}

bool NameMatcher::isUtf8(const char* text) {
    ASSERT(text != nullptr);
    // Plain ASCII, most of any text, is passed over a byte at a time: UTF-8
    // is decoded from the first byte that is not.
    while (*text != '\0' && static_cast<unsigned char>(*text) < 0x80) text++;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    const int32_t length = int32_t(strlen(text));
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return false;
    }
    return true;
}
