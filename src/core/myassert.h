// The engine's internal consistency check. A failed check flushes every open
// stream (so output already written survives), reports file and line on
// standard error and aborts. No user input may ever reach one.
#pragma once

[[noreturn]] void _MyAssert(const char* file, unsigned line);

#define ASSERT(cond) ((cond) ? (void)0 : _MyAssert(__FILE__, __LINE__))
