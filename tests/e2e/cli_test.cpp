#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;

const std::string kUsage = std::string(kBanner) + "Error: Usage: hux filter.hux\n";
// What a readable query without :pgn ends with: proof that the file was read.
const std::string kRead = std::string(kBanner) + "no pgn file specified";

TEST(Cli, WrongArgumentCount) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"a.hux", "b.hux"}}) {
        HuxRun run = runHux(args);
        EXPECT_EQ(run.out, kUsage);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 1);
    }
}

TEST(Cli, ExtensionCompletion) {
    struct Case {
        const char* arg;
        const char* fileRead;  // relative to the run directory
    } cases[] = {
        {"query", "query.HUX"},
        {"query.txt", "query.txt"},
        {"../old.dir/query", "../old.dir/query"},
        {"sub.d/query", "sub.d/query"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir() + "/run";
        fs::create_directories(dir + "/sub.d");
        fs::create_directories(dir + "/../old.dir");

        HuxRun missing = runHux({c.arg}, dir);
        EXPECT_EQ(missing.out, kBanner) << c.arg;
        EXPECT_EQ(missing.err, std::string("could not open file: ") + c.fileRead + "\n") << c.arg;
        EXPECT_EQ(missing.status, 1) << c.arg;

        writeFile(dir + "/" + c.fileRead, "(match)");
        HuxRun present = runHux({c.arg}, dir);
        EXPECT_EQ(present.out, kRead) << c.arg;
        EXPECT_EQ(present.err, "") << c.arg;
        EXPECT_EQ(present.status, 1) << c.arg;
    }
}

// A relative name of `length` characters without a dot, made of directories
// of 200 characters, with its directories created under `dir`.
std::string longName(const std::string& dir, size_t length) {
    std::string name;
    while (length - name.size() > 201) {
        name += std::string(200, 'd') + "/";
        fs::create_directories(dir + "/" + name);
    }
    name += std::string(length - name.size(), 'q');
    return name;
}

TEST(Cli, NameLengthLimit) {
    std::string dir = scratchDir();
    std::string name899 = longName(dir, 899);
    ASSERT_EQ(name899.size(), 899u);
    writeFile(dir + "/" + name899 + ".HUX", "(match)");
    HuxRun accepted = runHux({name899}, dir);
    EXPECT_EQ(accepted.out, kRead);
    EXPECT_EQ(accepted.err, "");
    EXPECT_EQ(accepted.status, 1);

    std::string name900 = longName(dir, 900);
    writeFile(dir + "/" + name900, "(match)");
    writeFile(dir + "/" + name900 + ".HUX", "(match)");
    for (const std::string& name : {name900, name900.substr(0, 896) + ".hux"}) {
        HuxRun refused = runHux({name}, dir);
        EXPECT_EQ(refused.out, std::string(kBanner) +
                                   "Error: query file name too long: at most 899 characters\n");
        EXPECT_EQ(refused.err, "");
        EXPECT_EQ(refused.status, 1);
    }
}

TEST(Cli, QueriesThatAreNoMatchForm) {
    struct Case {
        const char* text;
        const char* out;
    } cases[] = {
        {"", "Error: the query file holds no list: expected (match ...)\n"},
        {"; just a comment\n\n", "Error: the query file holds no list: expected (match ...)\n"},
        {"()", "Error: the query file holds no list: expected (match ...)\n"},
        {"(position Ka1)",
         "Error: the query's top list must be (match ...): position lists go inside it\n"},
        {"(() match)", "Error: the query's top list starts with an empty list\n"},
        {"((match) x)", "unknown filter type: "},
        {"(Match)", "unknown filter type: Match"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        writeFile(dir + "/q.hux", c.text);
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.out, std::string(kBanner) + c.out) << c.text;
        EXPECT_EQ(run.err, "") << c.text;
        EXPECT_EQ(run.status, 1) << c.text;
    }
}

}  // namespace
