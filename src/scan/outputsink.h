// Where the matching games go: a file, written compressed when its name ends
// in ".gz" or ".zst", or standard output ("-"), which then carries nothing
// but games while every other line of the run goes to standard error.
#pragma once

#include <cstdio>

// Keeps standard output for the games alone: from now on, what the program
// prints on standard output goes to standard error instead. Safe to call
// more than once.
void reserveStandardOutput();

// Opens `name` for the games: "-" is standard output (reserved by this
// call), a name ending in ".gz" or ".zst" a compressed file, any other a
// plain file. Null, with errno set, when it cannot be opened. fclose
// finishes the compressed stream and reports its failure as its own.
FILE* openGamesOutput(const char* name);

// Whether the output `output` and the input `input` name one file, by device
// and inode, "-" standing for standard output and standard input.
bool sameFile(const char* output, const char* input);
