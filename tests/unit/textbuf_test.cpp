#include "core/textbuf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

std::string text(const TextBuffer& tb) {
    return std::string(tb.GetBuffer(), tb.GetByteCount());
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(TextBufferTest, WrapsBeforeTheWrapColumn) {
    TextBuffer tb;
    tb.SetBufferSize(100000);
    std::string longWord(90, 'L');
    uint32_t seed = 12345;
    for (int i = 0; i < 2000; i++) {
        seed = seed * 1103515245 + 12345;
        std::string word((seed >> 16) % 12 + 1, 'w');
        ASSERT_EQ(tb.PrintWord(i % 97 == 0 ? longWord.c_str() : word.c_str()), OK);
        ASSERT_EQ(tb.PrintSpace(), OK);
    }
    EXPECT_EQ(strlen(tb.GetBuffer()), tb.GetByteCount());
    std::vector<std::string> all = lines(text(tb));
    ASSERT_GT(all.size(), 100u);
    for (const std::string& line : all) {
        EXPECT_FALSE(line.empty());
        // A line at most 79 wide, or one that holds a single longer word.
        if (line.size() > 79) {
            EXPECT_EQ(line.substr(0, 90), longWord) << line;
        }
    }
    EXPECT_EQ(tb.GetLineCount(), all.size() - (text(tb).back() == '\n' ? 0 : 1));
}

TEST(TextBufferTest, LongWordStartsANewLineButNeverLeavesABlankOne) {
    TextBuffer tb;
    tb.SetBufferSize(1000);
    tb.SetWrapColumn(10);
    EXPECT_EQ(tb.PrintWord("abcdefghijkl"), OK);  // longer than a line, at the start
    EXPECT_EQ(tb.PrintSpace(), OK);
    EXPECT_EQ(tb.PrintWord("xy"), OK);
    EXPECT_EQ(tb.PrintSpace(), OK);
    EXPECT_EQ(tb.PrintWord("abcdefghijkl"), OK);
    EXPECT_EQ(text(tb), "abcdefghijkl\nxy \nabcdefghijkl");
}

TEST(TextBufferTest, SpaceAtTheWrapColumnBecomesANewLine) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.SetWrapColumn(6);
    EXPECT_EQ(tb.PrintWord("abcde"), OK);
    EXPECT_EQ(tb.PrintSpace(), OK);
    EXPECT_EQ(tb.PrintChar('x'), OK);
    EXPECT_EQ(text(tb), "abcde\nx");
}

TEST(TextBufferTest, PrintStringSplitsAtSpacesAndNewlines) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    EXPECT_EQ(tb.PrintString("a  b"), OK);
    EXPECT_EQ(text(tb), "a  b");

    tb.SetBufferSize(100);
    EXPECT_EQ(tb.PrintString("one\ntwo"), OK);
    EXPECT_EQ(text(tb), "one two");

    tb.SetBufferSize(100);
    tb.NewlinesToSpaces(false);
    EXPECT_EQ(tb.PrintString("one\ntwo"), OK);
    EXPECT_EQ(text(tb), "one\ntwo");
    EXPECT_EQ(tb.GetLineCount(), 1u);
}

TEST(TextBufferTest, PrintLineNeverWraps) {
    TextBuffer tb;
    tb.SetBufferSize(1000);
    std::string tag = "[Event \"" + std::string(150, 'e') + " with spaces in it\"]";
    EXPECT_EQ(tb.PrintLine(tag.c_str()), OK);
    EXPECT_EQ(text(tb), tag + "\n");
    EXPECT_EQ(tb.GetColumn(), 0u);
}

// A line given in parts is the line of its parts joined: translated as a
// whole, and written whole or not at all.
TEST(TextBufferTest, PrintLineInPartsIsTheJoinedLine) {
    TextBuffer tb;
    tb.SetBufferSize(24);
    tb.AddTranslation('&', "&amp;");
    EXPECT_EQ(tb.PrintLine({"[", "White", "Elo", " \"", "a&b", "\"]"}), OK);
    EXPECT_EQ(text(tb), "[WhiteElo \"a&amp;b\"]\n");
    EXPECT_EQ(tb.PrintLine({"x", "&"}), ERROR_BufferFull);
    EXPECT_EQ(text(tb), "[WhiteElo \"a&amp;b\"]\n");
}

TEST(TextBufferTest, IndentsNewLines) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.SetIndent(2);
    EXPECT_EQ(tb.Indent(), OK);  // empty line: pads only
    EXPECT_EQ(tb.PrintWord("a"), OK);
    EXPECT_EQ(tb.Indent(), OK);  // text on the line: a new, indented line
    EXPECT_EQ(tb.PrintWord("b"), OK);
    EXPECT_EQ(text(tb), "  a\n  b");
}

TEST(TextBufferTest, PrintIntIsOneWord) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.SetWrapColumn(6);
    EXPECT_EQ(tb.PrintInt(12, "..."), OK);
    EXPECT_EQ(tb.PrintInt(-7), OK);
    EXPECT_EQ(tb.PrintInt(3, "."), OK);
    EXPECT_EQ(text(tb), "12...\n-73.");
}

TEST(TextBufferTest, Utf8WordsAreWrittenByteForByte) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    EXPECT_EQ(tb.PrintWord("Réti"), OK);
    EXPECT_EQ(tb.PrintSpace(), OK);
    EXPECT_EQ(tb.PrintString("Nimzowitsch–Larsen Ä"), OK);
    EXPECT_EQ(text(tb), "Réti Nimzowitsch–Larsen Ä");
}

TEST(TextBufferTest, Translations) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.AddTranslation('&', "&amp;");
    tb.AddTranslation('<', "&lt;");
    EXPECT_EQ(tb.PrintWord("a&b<"), OK);
    tb.PauseTranslations();
    EXPECT_EQ(tb.PrintChar('&'), OK);
    tb.ResumeTranslations();
    EXPECT_EQ(tb.PrintChar('&'), OK);
    // Spaces are never translated.
    tb.AddTranslation(' ', "_");
    EXPECT_EQ(tb.PrintSpace(), OK);
    EXPECT_EQ(text(tb), "a&amp;b&lt;&&amp; ");
}

TEST(TextBufferTest, TranslatedTextMustFitAsAWhole) {
    TextBuffer tb;
    tb.SetBufferSize(8);
    tb.AddTranslation('&', "&amp;");
    EXPECT_EQ(tb.PrintWord("&&"), ERROR_BufferFull);
    EXPECT_EQ(tb.GetByteCount(), 0u);
    EXPECT_EQ(tb.PrintLine("&"), OK);
    EXPECT_EQ(text(tb), "&amp;\n");
}

TEST(TextBufferTest, FixedBufferRefusesWhatDoesNotFit) {
    TextBuffer tb;
    tb.SetBufferSize(10);
    EXPECT_EQ(tb.PrintWord("abcdefghij"), ERROR_BufferFull);
    EXPECT_EQ(tb.GetByteCount(), 0u);
    EXPECT_STREQ(tb.GetBuffer(), "");
    EXPECT_EQ(tb.PrintWord("abcdefghi"), OK);
    EXPECT_EQ(tb.PrintSpace(), ERROR_BufferFull);
    EXPECT_EQ(tb.PrintChar('x'), ERROR_BufferFull);
    EXPECT_EQ(tb.PrintLine("x"), ERROR_BufferFull);
    EXPECT_EQ(text(tb), "abcdefghi");
    // The newline is the last thing that fits; the terminator still has room.
    EXPECT_EQ(tb.NewLine(), OK);
    EXPECT_EQ(tb.NewLine(), ERROR_BufferFull);
    EXPECT_EQ(text(tb), "abcdefghi\n");
    EXPECT_EQ(strlen(tb.GetBuffer()), 10u);
}

TEST(TextBufferTest, PrintStringStopsAtTheFirstError) {
    TextBuffer tb;
    tb.SetBufferSize(6);
    EXPECT_EQ(tb.PrintString("ab cd ef"), ERROR_BufferFull);
    EXPECT_EQ(text(tb), "ab cd");
}

TEST(TextBufferTest, BufferWithoutStorageRefusesEverything) {
    TextBuffer tb;
    EXPECT_EQ(tb.PrintWord("a"), ERROR_BufferFull);
    EXPECT_EQ(tb.NewLine(), ERROR_BufferFull);
    EXPECT_EQ(tb.PrintLine(""), ERROR_BufferFull);
    EXPECT_STREQ(tb.GetBuffer(), "");
}

TEST(TextBufferTest, GrowableBufferTakesTextOfAnyLength) {
    TextBuffer tb;
    tb.SetBufferSize(10);
    tb.SetGrowable(true);
    for (int i = 0; i < 20000; i++) {
        ASSERT_EQ(tb.PrintInt(i, "."), OK);
        ASSERT_EQ(tb.PrintSpace(), OK);
    }
    EXPECT_EQ(strlen(tb.GetBuffer()), tb.GetByteCount());
    // Wrapping turns some spaces into newlines; every word is there in order.
    std::istringstream words(text(tb));
    int expected = 0;
    for (std::string word; words >> word; expected++) {
        ASSERT_EQ(word, std::to_string(expected) + ".");
    }
    EXPECT_EQ(expected, 20000);
    EXPECT_GE(tb.GetBufferSize(), tb.GetByteCount());
}

TEST(TextBufferTest, GrowableBufferStartsWithoutStorage) {
    TextBuffer tb;
    tb.SetGrowable(true);
    EXPECT_EQ(tb.PrintLine("[Result \"*\"]"), OK);
    EXPECT_EQ(text(tb), "[Result \"*\"]\n");
}

TEST(TextBufferTest, InitResetsSettingsAndStorage) {
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.SetWrapColumn(20);
    tb.SetIndent(3);
    tb.SetGrowable(true);
    tb.NewlinesToSpaces(false);
    tb.AddTranslation('a', "b");
    tb.PrintWord("a");
    tb.Init();
    EXPECT_EQ(tb.GetWrapColumn(), 80u);
    EXPECT_EQ(tb.GetIndent(), 0u);
    EXPECT_FALSE(tb.IsGrowable());
    EXPECT_EQ(tb.GetByteCount(), 0u);
    tb.SetBufferSize(100);
    EXPECT_EQ(tb.PrintString("a\na"), OK);
    EXPECT_EQ(text(tb), "a a");
}

TEST(TextBufferTest, DumpToFileWritesTheTextAndReportsFailure) {
    std::string path = scratchDir() + "/dump.pgn";
    TextBuffer tb;
    tb.SetBufferSize(100);
    tb.PrintString("1.e4 e5 *");

    FILE* out = fopen(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(tb.DumpToFile(out), OK);
    fclose(out);
    EXPECT_EQ(readFile(path), "1.e4 e5 *");

    // A stream that takes nothing, as a full disk or a closed pipe would.
    FILE* readOnly = fopen(path.c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(tb.DumpToFile(readOnly), ERROR_FileWrite);
    fclose(readOnly);
}

}  // namespace
