// ECO opening codes packed into 16 bits: "A00" is 1, and the extended forms
// with a sub-letter and sub-digit ("B12c3") fill the 131 codes after each
// main code.
#pragma once

#include "core/common.h"

constexpr ecoT ECO_None = 0;
// Characters of the longest code text ("E99z4"), with the terminator.
constexpr uint32_t ECO_STRING_SIZE = 6;

ecoT eco_FromString(const char* text);
// Writes at most ECO_STRING_SIZE characters; ECO_None gives "".
void eco_ToString(ecoT ecoCode, char* ecoStr, bool extensions);
inline void eco_ToExtendedString(ecoT ecoCode, char* ecoStr) {
    eco_ToString(ecoCode, ecoStr, true);
}
