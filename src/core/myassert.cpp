#include "core/myassert.h"

#include <cstdio>
#include <cstdlib>

void _MyAssert(const char* file, unsigned line) {
    fflush(nullptr);
    fprintf(stderr, "\nASSERT FAILED!!: %s, line %u\n", file, line);
    fflush(stderr);
    abort();
}
