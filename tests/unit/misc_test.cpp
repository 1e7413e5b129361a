#include "core/misc.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string singleSpaced(std::string s, uint32_t* length = nullptr) {
    uint32_t n = strSingleSpace(s.data());
    if (length != nullptr) *length = n;
    return s.c_str();
}

TEST(MiscTest, CompareGivesSignedDifference) {
    EXPECT_EQ(strCompare("abc", "abc"), 0);
    EXPECT_LT(strCompare("abc", "abd"), 0);
    EXPECT_GT(strCompare("abcd", "abc"), 0);
    EXPECT_EQ(strCompare("b", "a"), 1);
    // Bytes above 127 compare as negative signed chars.
    EXPECT_LT(strCompare("\xE9", "e"), 0);
    EXPECT_TRUE(strEqual("", ""));
    EXPECT_FALSE(strEqual("a", "A"));
}

TEST(MiscTest, PrefixesAndCharacters) {
    EXPECT_TRUE(strIsPrefix("", "abc"));
    EXPECT_TRUE(strIsPrefix("ab", "abc"));
    EXPECT_FALSE(strIsPrefix("abcd", "abc"));
    EXPECT_TRUE(strContainsChar("a.b", '.'));
    EXPECT_FALSE(strContainsChar("ab", '.'));
    EXPECT_FALSE(strContainsChar("ab", '\0'));

    const char* name = "games.2004.pgn";
    EXPECT_EQ(strLastChar(name, '.'), name + 10);
    EXPECT_EQ(strFileSuffix(name), name + 10);
    EXPECT_EQ(strFileSuffix("games"), nullptr);
}

TEST(MiscTest, CopiesAndDuplicates) {
    std::unique_ptr<char[]> copy(strDuplicate("Réti"));
    EXPECT_STREQ(copy.get(), "Réti");
    EXPECT_EQ(strLength(copy.get()), 5u);
    char dst[8];
    strCopy(dst, "abc");
    EXPECT_STREQ(dst, "abc");
}

TEST(MiscTest, TrimRightRemovesOnlyListedCharacters) {
    char name[] = "Rival J.";
    EXPECT_EQ(strTrimRight(name, ". \t"), 1u);
    EXPECT_STREQ(name, "Rival J");

    char padded[] = "x \t. ";
    EXPECT_EQ(strTrimRight(padded, ". \t"), 4u);
    EXPECT_STREQ(padded, "x");

    char all[] = "...";
    EXPECT_EQ(strTrimRight(all, "."), 3u);
    EXPECT_STREQ(all, "");
}

TEST(MiscTest, SingleSpaceCollapsesRuns) {
    uint32_t length = 0;
    EXPECT_EQ(singleSpaced("  a \n b  ", &length), "a b");
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(singleSpaced("Kasparov,\tGarry"), "Kasparov, Garry");
    EXPECT_EQ(singleSpaced(""), "");
    EXPECT_EQ(singleSpaced(" \t\n"), "");
    EXPECT_EQ(singleSpaced("a\xA0\xA0 b"), "a b");
}

TEST(MiscTest, SingleSpaceKeepsUtf8Characters) {
    // D0 A0 is Cyrillic "Р" and C3 A0 is "à": their second byte is 160.
    EXPECT_EQ(singleSpaced("\xD0\xA0ублевский  С."), "\xD0\xA0ублевский С.");
    EXPECT_EQ(singleSpaced("Voilà  x"), "Voilà x");
    EXPECT_EQ(singleSpaced("Fischer \xE2\x80\xA0 1992"), "Fischer \xE2\x80\xA0 1992");
    EXPECT_FALSE(strIsAllWhitespace("\xD0\xA0"));
}

TEST(MiscTest, WhitespaceTests) {
    EXPECT_TRUE(strIsAllWhitespace(""));
    EXPECT_TRUE(strIsAllWhitespace(" \t\r\n\xA0"));
    EXPECT_FALSE(strIsAllWhitespace("  x "));
    EXPECT_TRUE(charIsSpace(' '));
    EXPECT_TRUE(charIsSpace('\xA0'));
    EXPECT_FALSE(charIsSpace('\xE9'));
    EXPECT_FALSE(charIsSpace('a'));
}

TEST(MiscTest, GetUnsignedReadsLeadingNumber) {
    EXPECT_EQ(strGetUnsigned("2004.01"), 2004u);
    EXPECT_EQ(strGetUnsigned("  17x"), 17u);
    EXPECT_EQ(strGetUnsigned("??"), 0u);
    EXPECT_EQ(strGetUnsigned(""), 0u);
    EXPECT_EQ(strGetUnsigned("4294967295"), 4294967295u);
    EXPECT_EQ(strGetUnsigned("4294969343"), UINT32_MAX);
    EXPECT_EQ(strGetUnsigned("99999999999999999999999"), UINT32_MAX);
}

TEST(MiscDeathTest, NullArgumentsAreInternalErrors) {
    EXPECT_DEATH(strLength(nullptr), "ASSERT FAILED");
    EXPECT_DEATH(strCompare("a", nullptr), "ASSERT FAILED");
    EXPECT_DEATH(strSingleSpace(nullptr), "ASSERT FAILED");
}

}  // namespace
