#include "core/date.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string decode(dateT date) {
    char text[DATE_STRING_SIZE];
    date_DecodeToString(date, text);
    return text;
}

TEST(DateTest, EncodesFullAndPartialDates) {
    dateT d = date_EncodeFromString("2004.01.15");
    EXPECT_EQ(date_GetYear(d), 2004u);
    EXPECT_EQ(date_GetMonth(d), 1u);
    EXPECT_EQ(date_GetDay(d), 15u);
    EXPECT_EQ(d, 2004u * 512 + 1 * 32 + 15);

    EXPECT_EQ(date_EncodeFromString("2004.??.??"), date_Make(2004, 0, 0));
    EXPECT_EQ(date_EncodeFromString("2004"), date_Make(2004, 0, 0));
    EXPECT_EQ(date_EncodeFromString("????.??.??"), ZERO_DATE);
    EXPECT_EQ(date_EncodeFromString(""), ZERO_DATE);
    EXPECT_EQ(date_EncodeFromString("1985.06.??"), date_Make(1985, 6, 0));
}

TEST(DateTest, OutOfRangePartsAreDropped) {
    // A month above 12 leaves only the year, even when a day follows.
    EXPECT_EQ(date_EncodeFromString("1999.13.01"), date_Make(1999, 0, 0));
    EXPECT_EQ(date_EncodeFromString("1999.12.32"), date_Make(1999, 12, 0));
    EXPECT_EQ(date_EncodeFromString("1999.12.31"), date_Make(1999, 12, 31));
    EXPECT_EQ(date_GetYear(date_EncodeFromString("2047.01.01")), 2047u);
    EXPECT_EQ(date_GetYear(date_EncodeFromString("2048.01.01")), 0u);
    // Numbers too large for 32 bits must not wrap round into a valid year.
    EXPECT_EQ(date_GetYear(date_EncodeFromString("4294969343.01.01")), 0u);
    EXPECT_EQ(date_GetYear(date_EncodeFromString("-1.01.01")), 0u);
}

TEST(DateTest, DecodesWithQuestionMarksForUnknownParts) {
    EXPECT_EQ(decode(ZERO_DATE), "????.??.??");
    EXPECT_EQ(decode(date_EncodeFromString("2004.01.15")), "2004.01.15");
    EXPECT_EQ(decode(date_Make(2004, 0, 0)), "2004.??.??");
    EXPECT_EQ(decode(date_Make(0, 3, 0)), "????.03.??");
    EXPECT_EQ(decode(date_Make(812, 11, 9)), "0812.11.09");
}

TEST(DateTest, CorruptYearStaysWithinTheText) {
    char text[DATE_STRING_SIZE + 4];
    memset(text, 'x', sizeof text);
    date_DecodeToString(0xFFFFFFFFu, text);
    EXPECT_EQ(std::string(text), "????.15.31");
    EXPECT_EQ(text[DATE_STRING_SIZE], 'x');
}

}  // namespace
