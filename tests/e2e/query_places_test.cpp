// Where an error in the query is: after its message, which keeps its words
// and stream, hux says on a line of standard error which word of the query it
// was reading ("  at line L, column C: WORD"); a file that cannot be opened
// gets the system's reason on a line of its own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

std::string place(int line, int column, const std::string& text) {
    return "  at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
           text + "\n";
}

// Each refusal of a position list, on the second line of the query after two
// blanks and "(position ": the word named is the one the reader failed on,
// `nth` telling which of its occurrences (0 the first).
TEST(QueryPlaces, PositionListGrammar) {
    struct Case {
        std::string words;
        std::string word;
        int nth = 0;
    } cases[] = {
        {"Ka1 (x) :check", "("},
        {":checkmate", ":checkmate"},
        {":name", ":name"},
        {":result draw", "draw"},
        {":piececount", ":piececount"},
        {":piececount Q", "Q"},
        {":piececount Q x", "x"},
        {":power A 5 2", "2"},
        {":powerdifference ? 3 -3", "-3"},
        {":piececount (Q) 1", "("},
        {":accumulate (a)", "("},
        {":sumrange a 3 1", "1"},
        {":movenumber x", "x"},
        {":movenumber 40 10", "10"},
        {":matchcount -2", "-2"},
        {":elo 2500 2000", "2000"},
        {":blackelo (2000)", "("},
        {":and", ":and"},
        {":or ()", "("},
        {":and Ka1", "Ka1"},
        {":and ((position)) :and ((position))", "(", 2},
        {":or (Ka1)", "Ka1"},
        {":and ((position :check) ())", "(", 2},
        {":and ((position :foo))", ":foo"},
        {":sequence ((position :foo))", ":foo"},
        {"x", "x"},
        {"e4", "e4"},
        {"Kz1", "Kz1"},
        {"K[a1,,b2]", "K[a1,,b2]"},
        {"$king", "$king"},
        {":moveto (Ka1)", "("},
        {":movefrom x", "x"},
        {":attackcount R", "R"},
        {":attackcount R e4 1", "e4"},
        {":attackcount R r 3 1", "1"},
        {":ray", ":ray"},
        {":rayattack Ka1", "Ka1"},
        {":raydiagonal (B (k))", "(", 1},
        {":rayhorizontal (R kz1)", "kz1"},
        {":tagmatch z", "z"},
        {":relation :shift", ":shift"},
        {":relation (:bogus)", ":bogus"},
        {":relation (:originalsamecount 5 3)", "3"},
        {":relation (:newpiececount e4 1)", "e4"},
    };
    for (const Case& c : cases) {
        const std::string query = "(match :pgn absent.pgn\n  (position " + c.words + "))\n";
        size_t at = c.words.find(c.word);
        for (int i = 0; i < c.nth; i++) at = c.words.find(c.word, at + 1);
        ASSERT_NE(at, std::string::npos) << c.words;
        HuxRun run = runQuery(query);
        EXPECT_EQ(run.status, 1) << c.words;
        EXPECT_EQ(run.where, place(2, 13 + int(at), c.word)) << c.words;
        // The message itself is all there is on standard output.
        EXPECT_EQ(run.out.find("at line"), std::string::npos) << c.words;
    }
}

// The reader's own refusals and those of the match form; columns count
// bytes, and comments and blank lines count as lines.
TEST(QueryPlaces, ReaderAndMatchForm) {
    struct Case {
        std::string query;
        std::string where;
    } cases[] = {
        {")", place(1, 1, ")")},
        {"; note\n\n  match :pgn x", place(3, 3, "match")},
        {"(match\n  (position Ka1)", place(1, 1, "(")},
        {"(match\n  (position (Ka1)", place(2, 3, "(")},
        {"(match :output " + std::string(502, 'o') + ")", place(1, 16, std::string(501, 'o'))},
        {"(match :pgn \"a b.pgn\n)", place(1, 13, "\"a b.pgn")},
        {"(match :player \"R\xc3\xa9ti\" :bogus)", place(1, 24, ":bogus")},
        {"(match :pgn)", place(1, 8, ":pgn")},
        {"(match :pgn x.pgn\n :result 2-0)", place(2, 10, "2-0")},
        {"(match :year 1990 1980)", place(1, 19, "1980")},
        {"(match :eco A00 Z99)", place(1, 17, "Z99")},
        {"(match :eco X10)", place(1, 13, "X10")},
        {"(match () x)", place(1, 8, "(")},
        {"(() match)", place(1, 2, "(")},
        {"(Match)", place(1, 2, "Match")},
        {"(match (pos))", place(1, 8, "(")},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery(c.query);
        EXPECT_EQ(run.status, 1) << c.query;
        EXPECT_EQ(run.where, c.where) << c.query;
    }
}

// A message on standard error that leaves its line open is ended before the
// location, which always stands on a line of its own.
TEST(QueryPlaces, OwnLineAfterAnOpenMessage) {
    HuxRun run = runQuery("(match :output " + std::string(600, 'o') + ")");
    EXPECT_EQ(run.err, "token too long: readstring\n");
    EXPECT_EQ(run.where, place(1, 16, std::string(501, 'o')));
}

// Refusals while the games are read are no longer about a word of the query:
// they carry no location, and the file's problem gets its reason.
TEST(QueryPlaces, FilesThatCannotBeOpened) {
    const std::string dir = scratchDir();
    writeFile(dir + "/games.pgn", "[Event \"E\"]\n\n1. e4 *\n");
    std::filesystem::create_directory(dir + "/folder.pgn");
    struct Case {
        std::string query;
        std::string out;  // after the banner and the opening line
        std::string cause;
    } cases[] = {
        {"(match :pgn none.pgn)", "matchFilter::match could not open file: none.pgn\n",
         "  cause: No such file or directory\n"},
        {"(match :pgn folder.pgn)", "matchFilter::match could not open file: folder.pgn\n",
         "  cause: Is a directory\n"},
        {"(match :pgn games.pgn :output folder.pgn)",
         "could not open the file: folder.pgn for writing\n", "  cause: Is a directory\n"},
        {"(match :pgn games.pgn :output no/such/dir.pgn)",
         "could not open the file: no/such/dir.pgn for writing\n",
         "  cause: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/q.hux", c.query);
        HuxRun run = runHux({"q.hux"}, dir);
        const std::string pgn = c.query.substr(12, c.query.find_first_of(" )", 12) - 12);
        EXPECT_EQ(run.out, kBanner + ("Attempting to open file: " + pgn + ".\n") + c.out)
            << c.query;
        EXPECT_EQ(run.err, "") << c.query;
        EXPECT_EQ(run.where, "") << c.query;
        EXPECT_EQ(run.cause, c.cause) << c.query;
        EXPECT_EQ(run.status, 1) << c.query;
    }
    HuxRun missingQuery = runHux({"nothing.hux"}, dir);
    EXPECT_EQ(missingQuery.err, "could not open file: nothing.hux\n");
    EXPECT_EQ(missingQuery.cause, "  cause: No such file or directory\n");

    if (geteuid() != 0) {
        writeFile(dir + "/locked.pgn", "");
        std::filesystem::permissions(dir + "/locked.pgn", std::filesystem::perms::none);
        writeFile(dir + "/q.hux", "(match :pgn locked.pgn)");
        EXPECT_EQ(runHux({"q.hux"}, dir).cause, "  cause: Permission denied\n");
    }
}

}  // namespace
