#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

struct Expected {
    std::string out;  // after the banner
    std::string err;
};

void check(const std::string& text, const Expected& expected) {
    HuxRun run = runQuery(text);
    std::string shown = text.size() > 60 ? text.substr(0, 60) + "..." : text;
    EXPECT_EQ(run.out, kBanner + expected.out) << shown;
    EXPECT_EQ(run.err, expected.err) << shown;
    EXPECT_EQ(run.status, 1) << shown;
}

TEST(QueryReader, Errors) {
    struct Case {
        std::string text;
        Expected expected;
    } cases[] = {
        {")", {"", "strlist: expected a '(' but got )\n"}},
        {"match :pgn x", {"", "strlist: expected a '(' but got match\n"}},
        {"(match (b c)", {"", "parseRestStream: unterminated list\n"}},
        {"(match :pgn ; x)\n", {"", "parseRestStream: unterminated list\n"}},
        {"(match :output " + std::string(501, 'o') + ")", {"", "copy: buffer too long:\n"}},
        {"(match :output " + std::string(502, 'o') + ")", {"", "token too long: readstring\n"}},
        {"(match :output " + std::string(5000, 'o') + ")", {"", "token too long: readstring\n"}},
        {std::string(100000, '('),
         {"", "parseRestStream: lists nested deeper than 10000 levels\n"}},
    };
    for (const Case& c : cases) check(c.text, c.expected);
}

// What the run complains about shows how the text was read: a match form
// without :pgn ends with its own message.
TEST(QueryReader, Shapes) {
    const std::string noPgn = "no pgn file specified";
    struct Case {
        std::string text;
        Expected expected;
    } cases[] = {
        {"(match)", {noPgn, ""}},
        {"; a comment (x\n(match)", {noPgn, ""}},
        {"(match) junk (",
         {noPgn, "Warning: text after the query's list is ignored, from line 1: junk\n"}},
        {"(match :output " + std::string(500, 'o') + ")", {noPgn, ""}},
        {"\t(match\r\n:output\fx\v)", {noPgn, ""}},
        {"(match(foo)d)", {"Unable to parse match Filter: expected position\n", ""}},
        {"(match;b c)", {"unknown filter type: match;b", ""}},
        {"(match () b)", {"Error: empty list in the match form\n", ""}},
        {"(match :output x;y :pgn)", {"Error: missing pgn file name after :pgn\n", ""}},
    };
    for (const Case& c : cases) check(c.text, c.expected);
}

TEST(QueryReader, DeepButAllowedNesting) {
    // 10000 levels are read; the match form then refuses the sublist.
    std::string text = "(match " + std::string(9999, '(') + std::string(9999, ')') + ")";
    check(text, {"Unable to parse match Filter: expected position\n", ""});
}

}  // namespace
