// Where tests find their files: the project's own fixtures, and the shared
// corpus of real games, which may be absent (tests then skip).
#pragma once

#include <string>

// Path of a file under tests/fixtures.
std::string fixturePath(const std::string& relative);

// Path of a file under the shared data directory, or "" when it is absent.
std::string dataPath(const std::string& relative);

// A fresh, empty scratch directory for one test; removed at process exit.
std::string scratchDir();

// Reads a whole file; "" when it cannot be read.
std::string readFile(const std::string& path);

// Writes a whole file, replacing it.
void writeFile(const std::string& path, const std::string& text);

#define SKIP_WITHOUT_DATA(path)                                        \
    do {                                                               \
        if ((path).empty()) GTEST_SKIP() << "shared data not present"; \
    } while (0)
