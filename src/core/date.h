// Dates packed into one integer (year, month, day; 0 in a part means the part
// is unknown), with their "YYYY.MM.DD" text form as PGN tags write them.
#pragma once

#include <cstdint>

#include "core/common.h"

constexpr uint32_t YEAR_SHIFT = 9;
constexpr uint32_t MONTH_SHIFT = 5;
constexpr uint32_t DAY_SHIFT = 0;
constexpr uint32_t YEAR_MAX = 2047;
constexpr dateT ZERO_DATE = 0;
// Characters of a decoded date, with the terminator.
constexpr uint32_t DATE_STRING_SIZE = 11;

inline uint32_t date_GetYear(dateT date) {
    return date >> YEAR_SHIFT;
}
inline uint32_t date_GetMonth(dateT date) {
    return (date >> MONTH_SHIFT) & 15;
}
inline uint32_t date_GetDay(dateT date) {
    return (date >> DAY_SHIFT) & 31;
}
inline dateT date_Make(uint32_t year, uint32_t month, uint32_t day) {
    return dateT((year << YEAR_SHIFT) | (month << MONTH_SHIFT) | (day << DAY_SHIFT));
}

// Reads "2004.01.15", "2004.??.??", "2004" and the like; parts out of range
// are taken as unknown.
dateT date_EncodeFromString(const char* text);
// Writes DATE_STRING_SIZE characters into text: "2004.01.15", "????.??.??".
void date_DecodeToString(dateT date, char* text);
