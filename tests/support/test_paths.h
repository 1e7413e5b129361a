// Where tests find their files: the project's own fixtures, and the shared
// corpus of real games, which may be absent on a developer's machine (tests
// then skip, saying so) but never in CI (environment variable CI set).
#pragma once

#include <string>

// Whether the tests run in continuous integration: CI is set, and neither
// empty, "0" nor "false".
bool runByCi();

// Path of a file under tests/fixtures; the test fails when it is missing.
std::string fixturePath(const std::string& relative);

// Path of a file under the shared data directory (HUX_DATA_DIR in the
// environment, else the build's), or "" when it is absent;
// in CI the test then fails as well, naming the file.
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
