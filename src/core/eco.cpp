#include "core/eco.h"

#include "core/myassert.h"

namespace {
constexpr uint32_t SUBCODES = 131;  // the main code and its 130 extensions
constexpr uint32_t LETTER_SPAN = 100 * SUBCODES;

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}
}  // namespace

ecoT eco_FromString(const char* text) {
    ASSERT(text != nullptr);
    uint32_t letter;
    if (text[0] >= 'A' && text[0] <= 'E') {
        letter = uint32_t(text[0] - 'A');
    } else if (text[0] >= 'a' && text[0] <= 'e') {
        letter = uint32_t(text[0] - 'a');
    } else {
        return ECO_None;
    }
    uint32_t code = 1 + letter * LETTER_SPAN;
    if (text[1] == 0) return ecoT(code);
    if (!isDigit(text[1])) return ECO_None;
    uint32_t number = uint32_t(text[1] - '0') * 10;
    if (text[2] == 0) return ecoT(code + number * SUBCODES);
    if (!isDigit(text[2])) return ECO_None;
    number += uint32_t(text[2] - '0');
    code += number * SUBCODES;

    if (text[3] >= 'a' && text[3] <= 'z') {
        code += 1 + uint32_t(text[3] - 'a') * 5;
        if (text[4] >= '1' && text[4] <= '4') code += uint32_t(text[4] - '0');
    }
    return ecoT(code);
}

void eco_ToString(ecoT ecoCode, char* ecoStr, bool extensions) {
    ASSERT(ecoStr != nullptr);
    char* out = ecoStr;
    if (ecoCode != ECO_None) {
        uint32_t n = uint32_t(ecoCode) - 1;
        uint32_t main = n / SUBCODES;
        *out++ = char('A' + main / 100);
        *out++ = char('0' + (main % 100) / 10);
        *out++ = char('0' + main % 10);
        uint32_t rest = n % SUBCODES;
        if (extensions && rest != 0) {
            *out++ = char('a' + (rest - 1) / 5);
            if ((rest - 1) % 5 != 0) *out++ = char('0' + (rest - 1) % 5);
        }
    }
    *out = 0;
}
