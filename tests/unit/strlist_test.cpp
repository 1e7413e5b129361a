#include "query/strlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refusal.h"
#include "test_paths.h"

namespace {

// A stream over a copy of `text`, closed when the holder goes away.
class TextStream {
  public:
    explicit TextStream(const std::string& text) : text_(text) {
        stream_ = fmemopen(text_.data(), text_.size(), "r");
    }
    ~TextStream() { fclose(stream_); }
    FILE* get() { return stream_; }

  private:
    std::string text_;
    FILE* stream_;
};

// Trees and filters live until the process ends, as in the engine; holding
// them here keeps them reachable.
template <class T>
T* keep(T* p) {
    static auto* held = new std::vector<T*>;
    held->push_back(p);
    return p;
}

std::vector<std::string> tokens(const std::string& text) {
    TextStream in(text);
    std::vector<std::string> result;
    while (const char* token = strlist::readstring(in.get())) {
        result.push_back(token);
        if (result.back() != "(" && result.back() != ")") delete[] token;
    }
    return result;
}

strlist* parse(const std::string& text) {
    TextStream in(text);
    return keep(strlist::parseStream(in.get()));
}

std::string printed(const strlist* node) {
    testing::internal::CaptureStdout();
    strlist::print(node);
    return testing::internal::GetCapturedStdout();
}

using Tokens = std::vector<std::string>;

TEST(StrlistTokenizer, Words) {
    struct Case {
        const char* text;
        Tokens expected;
    } cases[] = {
        {"", {}},
        {" \t\n\v\f\r ", {}},
        {"(a(b c)d)", {"(", "a", "(", "b", "c", ")", "d", ")"}},
        {"(a;b c)", {"(", "a;b", "c", ")"}},
        {"; comment (x\n(y)", {"(", "y", ")"}},
        {"; only a comment", {}},
        {"a ;one\n;two\n b", {"a", "b"}},
        {"x\":pgn\" x-y.z 1/2-1/2", {"x\":pgn\"", "x-y.z", "1/2-1/2"}},
        {"word", {"word"}},
        {"\xc3\xa9t\xc3\xa9 ok", {"\xc3\xa9t\xc3\xa9", "ok"}},
    };
    for (const Case& c : cases) EXPECT_EQ(tokens(c.text), c.expected) << c.text;
}

TEST(StrlistTokenizer, WordLengthLimits) {
    std::string word500(500, 'q');
    EXPECT_EQ(tokens(word500 + ")"), (Tokens{word500, ")"}));
    EXPECT_EQ(refusal([] { tokens(std::string(501, 'q')); }), "stderr: copy: buffer too long:\n");
    EXPECT_EQ(refusal([] { tokens(std::string(502, 'q')); }), "stderr: token too long: readstring");
    EXPECT_EQ(refusal([] { tokens(std::string(100000, 'q')); }),
              "stderr: token too long: readstring");
}

TEST(StrlistParse, Shapes) {
    struct Case {
        const char* text;
        const char* printed;
    } cases[] = {
        {"(a(b c)d)", "(a (b c) d)"},
        {"(a;b c)", "(a;b c)"},
        {"; comment (x\n(y)", "(y)"},
        {"(a () b)", "(a nil b)"},
        {"(a) junk (", "(a)"},
        {"((x) (y (z)))", "((x) (y (z)))"},
        {"  (match :pgn f.pgn)  ", "(match :pgn f.pgn)"},
    };
    for (const Case& c : cases) EXPECT_EQ(printed(parse(c.text)), c.printed) << c.text;
}

TEST(StrlistParse, Structure) {
    strlist* tree = parse("(a (b c) () d)");
    ASSERT_NE(tree, nullptr);
    EXPECT_FALSE(tree->isAtom);
    EXPECT_TRUE(tree->car->isAtom);
    EXPECT_TRUE(tree->car->eq("a"));
    EXPECT_FALSE(tree->car->eq("A"));
    EXPECT_FALSE(tree->eq("a"));

    strlist* sub = tree->cdr->car;
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->isAtom);
    EXPECT_TRUE(sub->car->eq("b"));
    EXPECT_TRUE(sub->cdr->car->eq("c"));
    EXPECT_EQ(sub->cdr->cdr, nullptr);

    EXPECT_EQ(tree->cdr->cdr->car, nullptr);
    EXPECT_TRUE(tree->cdr->cdr->cdr->car->eq("d"));
    EXPECT_EQ(tree->cdr->cdr->cdr->cdr, nullptr);
}

TEST(StrlistParse, EmptyTrees) {
    EXPECT_EQ(parse(""), nullptr);
    EXPECT_EQ(parse("; nothing\n  ;more\n"), nullptr);
    EXPECT_EQ(parse("()"), nullptr);
    EXPECT_EQ(printed(nullptr), "nil");
}

TEST(StrlistParse, Errors) {
    EXPECT_EQ(refusal([] { parse(")"); }), "stderr: strlist: expected a '(' but got )\n");
    EXPECT_EQ(refusal([] { parse("match)"); }), "stderr: strlist: expected a '(' but got match\n");
    EXPECT_EQ(refusal([] { parse("(a (b c)"); }), "stderr: parseRestStream: unterminated list\n");
    EXPECT_EQ(refusal([] { parse("("); }), "stderr: parseRestStream: unterminated list\n");
}

TEST(StrlistParse, NestingIsCapped) {
    int depth = strlist::maxDepth;
    std::string deepest = std::string(depth, '(') + "x" + std::string(depth, ')');
    strlist* tree = parse(deepest);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(printed(tree), deepest);

    std::string tooDeep = "(" + deepest + ")";
    EXPECT_EQ(refusal([&] { parse(tooDeep); }),
              "stderr: parseRestStream: lists nested deeper than 10000 levels\n");
    EXPECT_EQ(refusal([] { parse(std::string(100000, '(')); }),
              "stderr: parseRestStream: lists nested deeper than 10000 levels\n");
}

TEST(StrlistParse, LongFlatList) {
    std::string text = "(";
    for (int i = 0; i < 100000; i++) text += "w ";
    text += ")";
    strlist* tree = parse(text);
    int n = 0;
    for (strlist* cell = tree; cell; cell = cell->cdr) n++;
    EXPECT_EQ(n, 100000);
}

TEST(StrlistParse, Files) {
    std::string path = scratchDir() + "/q.hux";
    writeFile(path, "; query\n(match :pgn g.pgn)\n");
    EXPECT_EQ(printed(keep(strlist::parseFile(path.c_str()))), "(match :pgn g.pgn)");
    std::string missing = scratchDir() + "/none.hux";
    EXPECT_EQ(refusal([&] { strlist::parseFile(missing.c_str()); }),
              "stderr: could not open file: " + missing + "\n");
}

TEST(StrlistNodes, ConstructorsAndPrint) {
    strlist* atom = keep(new strlist("knight"));
    EXPECT_TRUE(atom->isAtom);
    EXPECT_STREQ(atom->atomValue, "knight");
    EXPECT_EQ(atom->car, nullptr);
    EXPECT_EQ(atom->cdr, nullptr);

    strlist* cell = keep(new strlist());
    EXPECT_FALSE(cell->isAtom);
    EXPECT_EQ(cell->atomValue, nullptr);
    cell->car = atom;
    testing::internal::CaptureStdout();
    cell->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "(knight)");

    // A chain that holds an atom where a cell belongs is corrupt.
    cell->cdr = keep(new strlist("b"));
    EXPECT_EQ(refusal([&] { strlist::text(cell); }), "stderr: bad string printcdr");
}

TEST(StrlistTokenizer, QuotedWords) {
    struct Case {
        const char* text;
        Tokens expected;
    } cases[] = {
        {"\"Lasker, Em\" x", {"Lasker, Em", "x"}},
        {"(:pgn \"My Games/2024 club.pgn\")", {"(", ":pgn", "My Games/2024 club.pgn", ")"}},
        {"\"a \\\"b\\\" \\\\c\"", {"a \"b\" \\c"}},
        // Brackets and semicolons inside quotes are text; an unknown escape
        // keeps its backslash.
        {"\"(x) ; y\\n\"", {"(x) ; y\\n"}},
        {"\"\" a", {"", "a"}},
        {"\"ab\"cd", {"ab", "cd"}},
        // Only a word that starts with a quote is quoted.
        {"ab\"cd e\"", {"ab\"cd", "e\""}},
    };
    for (const Case& c : cases) EXPECT_EQ(tokens(c.text), c.expected) << c.text;

    EXPECT_EQ(refusal([] { tokens("\"Lasker, Em"); }),
              "stderr: unterminated quoted word: \"Lasker, Em\n");
    EXPECT_EQ(refusal([] { tokens("(\"two\nlines\")"); }),
              "stderr: unterminated quoted word: \"two\n");
    EXPECT_EQ(refusal([] { tokens("\"" + std::string(501, 'q') + "\""); }),
              "stderr: copy: buffer too long:\n");
    EXPECT_EQ(refusal([] { tokens("\"" + std::string(502, 'q') + "\""); }),
              "stderr: token too long: readstring");
}

TEST(StrlistParse, ByteOrderMarkAndTextAfterTheList) {
    EXPECT_EQ(printed(parse("\xEF\xBB\xBF(match :pgn g.pgn)")), "(match :pgn g.pgn)");
    EXPECT_EQ(printed(parse("\xEF\xBB\xBF; note\n(a)")), "(a)");
    // Only at the start, and only the whole mark.
    EXPECT_EQ(refusal([] { parse("\xEF\xBB(a)"); }),
              "stderr: strlist: expected a '(' but got \xEF\xBB\n");
    EXPECT_EQ(refusal([] { parse(" \xEF\xBB\xBF(a)"); }),
              "stderr: strlist: expected a '(' but got \xEF\xBB\xBF\n");

    struct Case {
        std::string text;
        std::string warning;
    } cases[] = {
        {"(a)", ""},
        {"(a)\n ; only a comment\n", ""},
        {"(a)\n\n(match :pgn x)", "from line 3: (match"},
        {"(a))", "from line 1: )"},
        {"(a) \"open", "from line 1: \"open"},
        {"(a)\n" + std::string(100, 'w'), "from line 2: " + std::string(40, 'w')},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(printed(parse(c.text)), "(a)") << c.text;
        std::string err = testing::internal::GetCapturedStderr();
        std::string expected =
            c.warning.empty()
                ? ""
                : "Warning: text after the query's list is ignored, " + c.warning + "\n";
        EXPECT_EQ(err, expected) << c.text;
    }
}

// Each node knows where its text starts; the readers note the words they
// take, and a refusal in the reader names the word it failed on.
TEST(StrlistPlaces, NodesAndTheWordBeingRead) {
    strlist* tree = parse("; c\n(match :pgn\n\t\"a b\" (x)\n  r\xC3\xA9ti \xC3\xA9 )");
    EXPECT_EQ(tree->line, 2);
    EXPECT_EQ(tree->column, 2);
    EXPECT_EQ(strlist::placeLine(), "  at line 2, column 1: (");
    const strlist* pgnCell = tree->cdr;
    EXPECT_EQ(pgnCell->car->line, 2);
    EXPECT_EQ(pgnCell->car->column, 8);
    const strlist* quoted = pgnCell->cdr;
    EXPECT_EQ(quoted->line, 3);
    EXPECT_EQ(quoted->column, 2);
    strlist::taking(quoted);
    EXPECT_EQ(strlist::placeLine(), "  at line 3, column 2: a b");
    strlist::taking(quoted->cdr);
    EXPECT_EQ(strlist::placeLine(), "  at line 3, column 8: (");
    strlist::taking(quoted->cdr->cdr);
    EXPECT_EQ(strlist::placeLine(), "  at line 4, column 3: r\xC3\xA9ti");
    // Columns count bytes: the accent before takes two.
    strlist::taking(quoted->cdr->cdr->cdr);
    EXPECT_EQ(strlist::placeLine(), "  at line 4, column 9: \xC3\xA9");
    strlist::forgetPlace();
    EXPECT_EQ(strlist::placeLine(), "");

    refusal([] { parse("(a\n (b c)\n (d"); });
    EXPECT_EQ(strlist::placeLine(), "  at line 3, column 2: (");
    refusal([] { parse("\n  x"); });
    EXPECT_EQ(strlist::placeLine(), "  at line 2, column 3: x");
    refusal([] { parse("(a \"b"); });
    EXPECT_EQ(strlist::placeLine(), "  at line 1, column 4: \"b");
}

}  // namespace
