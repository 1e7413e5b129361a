#include "long_text.h"

std::string words(size_t n, unsigned seed, bool newlines) {
    std::string s;
    for (unsigned i = seed; s.size() < n; ++i) {
        if (!s.empty()) s += newlines && i % 9 == 0 ? '\n' : ' ';
        s += "w" + std::to_string(i * 7919u % 100003u);
    }
    s.resize(n);
    if (s.back() == ' ' || s.back() == '\n') s.back() = 'z';
    return s;
}

::testing::AssertionResult sameText(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return ::testing::AssertionFailure()
           << "lengths " << got.size() << " and " << want.size() << ", first difference at " << at
           << ": \"" << got.substr(at, 40) << "\" instead of \"" << want.substr(at, 40) << "\"";
}
