#include "core/dstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DStringTest, StartsEmptyAndTerminated) {
    DString s;
    EXPECT_STREQ(s.Data(), "");
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_EQ(s.GetCapacity(), DSTRING_MinCapacity);
}

TEST(DStringTest, DoublesCapacityWhenFull) {
    DString s;
    for (int i = 0; i < 63; i++) s.AddChar('x');
    EXPECT_EQ(s.GetCapacity(), 64u);  // 63 characters and the terminator
    s.AddChar('x');
    EXPECT_EQ(s.GetCapacity(), 128u);
    s.AddChar('y');
    EXPECT_EQ(s.Length(), 65u);
    EXPECT_EQ(s.GetCapacity(), 128u);
    EXPECT_EQ(std::string(s.Data()), std::string(64, 'x') + "y");

    s.Append(std::string(1000, 'z').c_str());
    EXPECT_EQ(s.Length(), 1065u);
    EXPECT_EQ(s.GetCapacity(), 2048u);
}

TEST(DStringTest, InitKeepsMinimumCapacity) {
    DString s;
    s.Append("abc");
    s.Init(10);
    EXPECT_EQ(s.GetCapacity(), 64u);
    EXPECT_STREQ(s.Data(), "");
    s.Init(300);
    EXPECT_EQ(s.GetCapacity(), 300u);
}

TEST(DStringTest, AppendOverloads) {
    DString s;
    s.Append("a");
    s.Append(42u);
    s.Append("b", "c");
    s.Append(4294967295u, "|");
    s.Append("d", "e", "f");
    s.Append("g", "h", "i", "j");
    EXPECT_STREQ(s.Data(), "a42bc4294967295|defghij");
    EXPECT_EQ(s.Length(), 23u);
    s.Clear();
    EXPECT_STREQ(s.Data(), "");
    EXPECT_EQ(s.Length(), 0u);
}

}  // namespace
