#include "core/date.h"

#include <cstdio>
#include <cstring>

#include "core/misc.h"

dateT date_EncodeFromString(const char* text) {
    ASSERT(text != nullptr);
    uint32_t year = strGetUnsigned(text);
    if (year > YEAR_MAX) year = 0;

    const char* dot = strchr(text, '.');
    if (dot == nullptr) return date_Make(year, 0, 0);
    uint32_t month = strGetUnsigned(dot + 1);
    if (month > 12) return date_Make(year, 0, 0);

    dot = strchr(dot + 1, '.');
    uint32_t day = dot == nullptr ? 0 : strGetUnsigned(dot + 1);
    if (day > 31) day = 0;
    return date_Make(year, month, day);
}

void date_DecodeToString(dateT date, char* text) {
    ASSERT(text != nullptr);
    uint32_t year = date_GetYear(date);
    uint32_t month = date_GetMonth(date);
    uint32_t day = date_GetDay(date);
    // A year beyond YEAR_MAX can only come from a corrupt value; writing it
    // would also overrun the four digits the text has room for.
    if (year == 0 || year > YEAR_MAX) {
        memcpy(text, "????", 4);
    } else {
        snprintf(text, 5, "%04u", year);
    }
    text[4] = '.';
    if (month == 0) {
        memcpy(text + 5, "??", 2);
    } else {
        snprintf(text + 5, 3, "%02u", month);
    }
    text[7] = '.';
    if (day == 0) {
        memcpy(text + 8, "??", 2);
    } else {
        snprintf(text + 8, 3, "%02u", day);
    }
    text[10] = 0;
}
