// Long texts for tests: generated comments of a given length, and a
// comparison that reports where two long texts part instead of printing both.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Words of varied length, exactly n characters, separated by single spaces
// or, when newlines is set, now and then by a newline.
std::string words(size_t n, unsigned seed, bool newlines = false);

// Equality of two long texts, reported by the first difference.
::testing::AssertionResult sameText(const std::string& got, const std::string& want);
