#include "core/eco.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string toText(ecoT code, bool extensions = true) {
    char text[ECO_STRING_SIZE];
    eco_ToString(code, text, extensions);
    return text;
}

TEST(EcoTest, ReadsMainAndExtendedCodes) {
    EXPECT_EQ(eco_FromString("A00"), 1);
    EXPECT_EQ(eco_FromString("B12c3"), 14687);
    EXPECT_EQ(eco_FromString("B12c"), 14684);
    EXPECT_EQ(eco_FromString("E99z4"), 65500);
    EXPECT_EQ(eco_FromString("b12"), eco_FromString("B12"));
    // A letter alone is that letter with 00; a letter and one digit end in 0.
    EXPECT_EQ(eco_FromString("C"), eco_FromString("C00"));
    EXPECT_EQ(eco_FromString("B1"), eco_FromString("B10"));
}

TEST(EcoTest, RefusesMalformedCodes) {
    EXPECT_EQ(eco_FromString(""), ECO_None);
    EXPECT_EQ(eco_FromString("F00"), ECO_None);
    EXPECT_EQ(eco_FromString("?"), ECO_None);
    EXPECT_EQ(eco_FromString("Bx2"), ECO_None);
    EXPECT_EQ(eco_FromString("B1x"), ECO_None);
}

TEST(EcoTest, IgnoresTrailingJunk) {
    EXPECT_EQ(eco_FromString("B12X"), eco_FromString("B12"));
    EXPECT_EQ(eco_FromString("B12c9"), eco_FromString("B12c"));
    EXPECT_EQ(eco_FromString("B12c3 Sicilian"), 14687);
}

TEST(EcoTest, WritesCodes) {
    EXPECT_EQ(toText(ECO_None), "");
    EXPECT_EQ(toText(1), "A00");
    EXPECT_EQ(toText(14687), "B12c3");
    EXPECT_EQ(toText(14684), "B12c");
    EXPECT_EQ(toText(14687, false), "B12");
    char text[ECO_STRING_SIZE];
    eco_ToExtendedString(65500, text);
    EXPECT_STREQ(text, "E99z4");
}

TEST(EcoTest, EveryValidCodeRoundTrips) {
    for (uint32_t code = 1; code <= 65500; code++) {
        ASSERT_EQ(eco_FromString(toText(ecoT(code)).c_str()), code) << toText(ecoT(code));
    }
}

}  // namespace
