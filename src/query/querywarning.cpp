#include "query/querywarning.h"

#include <cstdarg>
#include <cstdio>

namespace querywarning {

namespace {
thread_local bool silent = false;
}

void print(const char* format, ...) {
    if (silent) return;
    fputs("Warning: ", stderr);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
}

Silence::Silence() : wasSilent(silent) {
    silent = true;
}

Silence::~Silence() {
    silent = wasSilent;
}

}  // namespace querywarning
