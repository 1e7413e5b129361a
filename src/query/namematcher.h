// Names and other tag texts compared the way players expect: a fragment
// found anywhere in the text, upper and lower case alike for every letter,
// each text read as UTF-8 when it is valid UTF-8 and as Latin-1 otherwise,
// and accents significant unless the query lets them go.
#pragma once

#include <string>

class NameMatcher {
  public:
    // The fragment is read with the same rule as the texts: UTF-8 when valid.
    NameMatcher(const char* fragment, bool ignoreAccents);

    // Whether `text` holds the fragment; `utf8` tells how the text is encoded
    // (the scan decides it once per game, see isUtf8). An empty text holds
    // nothing.
    bool matches(const char* text, bool utf8) const;

    const std::string& fragment() const { return fragment_; }

    // Whether the text is well-formed UTF-8 (plain ASCII is).
    static bool isUtf8(const char* text);

  private:
    std::string fragment_;
    std::u16string folded_;
    // The folded fragment in single bytes when it is plain ASCII, which is
    // all that a plain ASCII text, folded, can hold.
    std::string asciiFolded_;
    bool asciiFragment_ = false;
    bool ignoreAccents_;
};
