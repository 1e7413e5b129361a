#include "core/date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/pgnchars.h"

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

// Odd numbers and dates as real headers hold them: the reader's own number
// reading must give what the C library's strtoul gives, capped to 32 bits,
// and the dates built from it what that reading gave before.
const char* const kOddNumbers[] = {
    "",
    "0",
    "7",
    "2004",
    " \t\n\v\f\r42",
    "+12",
    "-0",
    "-1",
    "-4294967295",
    "-4294967296",
    "-18446744073709551611",
    "4294967295",
    "4294967296",
    "18446744073709551615",
    "18446744073709551616",
    "99999999999999999999999",
    "+-5",
    "- 5",
    "\xA0"
    "5",
    "12a",
    "0012",
    "?",
    ".5",
    "2004.01.15",
    "  -  ",
    "+",
    "-",
};

uint32_t libraryNumber(const char* s) {
    unsigned long n = strtoul(s, nullptr, 10);
    return n > UINT32_MAX ? UINT32_MAX : uint32_t(n);
}

dateT libraryDate(const char* text) {
    uint32_t year = libraryNumber(text);
    if (year > YEAR_MAX) year = 0;
    const char* dot = strchr(text, '.');
    if (dot == nullptr) return date_Make(year, 0, 0);
    uint32_t month = libraryNumber(dot + 1);
    if (month > 12) return date_Make(year, 0, 0);
    dot = strchr(dot + 1, '.');
    uint32_t day = dot == nullptr ? 0 : libraryNumber(dot + 1);
    if (day > 31) day = 0;
    return date_Make(year, month, day);
}

TEST(DateTest, NumbersAndDatesReadAsTheCLibraryReadsThem) {
    for (const char* text : kOddNumbers) {
        const char* s = text;
        EXPECT_EQ(pgnchars::readUnsigned(s), libraryNumber(text)) << '"' << text << '"';
        EXPECT_EQ(memchr(text, '.', size_t(s - text)), nullptr) << '"' << text << '"';
    }
    const char* const dates[] = {
        "1990.??.??",
        "2004.1.5",
        " 2004 . 03 . 04",
        "2004.+3.-1",
        "2004.-0.31",
        "2004..12",
        "2004.12",
        "2004.12.",
        ".12.31",
        "..31",
        "x.y.z",
        "2004.00.00",
        "2004.12.31.5",
        "2004.13",
        "2004.-1.05",
        "2004.12.-1",
        "4294969343.01.01",
        "-1.01.01",
        "20.04.2004",
        "2004/01/15",
        "1999.12.32",
        "99999999999999999999.1.1",
        "2047.12.31",
        "2048",
    };
    for (const char* text : dates)
        EXPECT_EQ(date_EncodeFromString(text), libraryDate(text)) << '"' << text << '"';
    for (const char* text : kOddNumbers)
        EXPECT_EQ(date_EncodeFromString(text), libraryDate(text)) << '"' << text << '"';
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
