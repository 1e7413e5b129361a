// Names compared as players expect: any case of any letter, texts in UTF-8 or
// Latin-1, accents significant unless asked otherwise.
#include "query/namematcher.h"

#include <gtest/gtest.h>

namespace {

// "Réti" and friends in both encodings.
const char* const kRetiUtf8 = "R\xC3\xA9ti, Richard";
const char* const kRetiLatin1 = "R\xE9ti, Richard";

TEST(NameMatcher, CaseOfEveryLetterAcrossEncodings) {
    struct Case {
        const char* fragment;
        const char* text;
        bool utf8;
        bool ignoreAccents;
        bool expected;
    } cases[] = {
        {"reti", "Reti, R", true, false, true},
        {"R\xC3\x89TI", kRetiUtf8, true, false, true},  // RÉTI in UTF-8
        {"R\xC9TI", kRetiUtf8, true, false, true},      // RÉTI in Latin-1
        {"r\xC3\xA9ti", kRetiLatin1, false, false, true},
        {"r\xE9ti", kRetiLatin1, false, false, true},
        // Accents count unless the query lets them go.
        {"reti", kRetiUtf8, true, false, false},
        {"reti", kRetiUtf8, true, true, true},
        {"RETI", kRetiLatin1, false, true, true},
        {"R\xC3\xA9ti", "Reti", true, true, true},
        // Beyond Latin-1: Cyrillic, Polish and German letters.
        {"\xD0\x9A\xD0\x90\xD0\xA0\xD0\x9F\xD0\x9E\xD0\x92",  // КАРПОВ
         "\xD0\x9A\xD0\xB0\xD1\x80\xD0\xBF\xD0\xBE\xD0\xB2, \xD0\x90.", true, false, true},
        {"\xC5\x81YSY", "\xC5\x82ysy, Z", true, false, true},  // ŁYSY in łysy
        {"STRASSE",
         "Stra\xC3\x9F"
         "e",
         true, false, true},  // ß folds to ss
        // A decomposed é is the same letter as a composed one.
        {"R\xC3\xA9ti", "Re\xCC\x81ti", true, false, true},
        {"spassky", "Tal, Mikhail", true, false, false},
        {"", "Tal", true, false, true},
        {"", "", true, false, false},
    };
    for (const Case& c : cases) {
        NameMatcher matcher(c.fragment, c.ignoreAccents);
        EXPECT_EQ(matcher.matches(c.text, c.utf8), c.expected) << c.fragment << " in " << c.text;
    }
}

// A fragment anywhere in the text; an empty text holds nothing.
TEST(NameMatcher, FragmentsAnywhere) {
    struct Case {
        const char* fragment;
        const char* text;
        bool match;
    } cases[] = {
        {"ORT", "Northland", true},
        {"north", "NORTHLAND", true},
        {"land", "Northland", true},
        {"", "x", true},
        {"a", "", false},
        {"lands", "Northland", false},
        {"nn", "Nan", false},
        {"an", "aan", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMatcher(c.fragment, false).matches(c.text, true), c.match)
            << c.fragment << " in " << c.text;
}

// Plain ASCII texts, the common case, against fragments that are not: what
// the fragment folds to decides, as it does for any other text.
TEST(NameMatcher, AsciiTextsAgainstEveryKindOfFragment) {
    struct Case {
        const char* fragment;
        const char* text;
        bool ignoreAccents;
        bool expected;
    } cases[] = {
        {"\xE2\x84\xAA"
         "ARPOV",
         "Karpov, A", false, true},  // the Kelvin sign folds to k
        {"stra\xC3\x9F"
         "e",
         "Strasse", false, true},  // ß folds to ss
        {"r\xC3\xA9ti", "Reti", false, false},
        {"r\xC3\xA9ti", "Reti", true, true},
        {"\xD0\x9A", "K", false, false},    // Cyrillic К is no Latin K
        {"A@[Z`{", "a@[z`{", false, true},  // only the letters have cases
        {"a@", "A`", false, false},
        {"TAL", "tal\tx", true, true},
    };
    for (const Case& c : cases)
        for (bool utf8 : {true, false})
            EXPECT_EQ(NameMatcher(c.fragment, c.ignoreAccents).matches(c.text, utf8), c.expected)
                << c.fragment << " in " << c.text;
}

TEST(NameMatcher, Utf8IsDecidedByValidity) {
    EXPECT_TRUE(NameMatcher::isUtf8("Tal"));
    EXPECT_TRUE(NameMatcher::isUtf8(kRetiUtf8));
    EXPECT_FALSE(NameMatcher::isUtf8(kRetiLatin1));
    EXPECT_FALSE(NameMatcher::isUtf8("\xC3"));          // cut short
    EXPECT_FALSE(NameMatcher::isUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(NameMatcher::isUtf8("\xED\xA0\x80"));  // a surrogate
    // Read with the wrong encoding a name does not match, and nothing breaks.
    EXPECT_FALSE(NameMatcher("r\xC3\xA9ti", false).matches(kRetiUtf8, false));
    EXPECT_FALSE(NameMatcher("r\xC3\xA9ti", false).matches(kRetiLatin1, true));
}

}  // namespace
