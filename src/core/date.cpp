#include "core/date.h"

#include <cstring>

#include "core/misc.h"
#include "core/pgnchars.h"

dateT date_EncodeFromString(const char* text) {
    ASSERT(text != nullptr);
    // Each part is the number after the previous part's dot; a number never
    // holds a dot, so the search for the next one can start where it ends.
    const char* s = text;
    uint32_t year = pgnchars::readUnsigned(s);
    if (year > YEAR_MAX) year = 0;

    s = strchr(s, '.');
    if (s == nullptr) return date_Make(year, 0, 0);
    ++s;
    const uint32_t month = pgnchars::readUnsigned(s);
    if (month > 12) return date_Make(year, 0, 0);

    s = strchr(s, '.');
    uint32_t day = 0;
    if (s != nullptr) {
        ++s;
        day = pgnchars::readUnsigned(s);
    }
    if (day > 31) day = 0;
    return date_Make(year, month, day);
}

namespace {
// Writes value as `width` digits, or question marks when the part is unknown.
void writePart(char* out, uint32_t value, int width) {
    bool unknown = value == 0;
    for (int i = width - 1; i >= 0; i--) {
        out[i] = unknown ? '?' : char('0' + value % 10);
        value /= 10;
    }
}
}  // namespace

void date_DecodeToString(dateT date, char* text) {
    ASSERT(text != nullptr);
    uint32_t year = date_GetYear(date);
    // A year beyond YEAR_MAX can only come from a corrupt value; it is shown
    // as unknown rather than overrunning the four digits.
    writePart(text, year > YEAR_MAX ? 0 : year, 4);
    text[4] = '.';
    writePart(text + 5, date_GetMonth(date), 2);
    text[7] = '.';
    writePart(text + 8, date_GetDay(date), 2);
    text[10] = 0;
}
