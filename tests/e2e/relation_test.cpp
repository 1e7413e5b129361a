// Relations on the real binary: which positions they find, from the source
// and from each other, the MATCH2 marks in the written games (golden files),
// every message of :relation, and a game far longer than any call stack.
#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// Runs "(match :pgn games.pgn :output out.pgn LIST)" from `dir` over the
// relation fixture: one small game for each kind of relation.
HuxRun runRelation(const std::string& dir, const std::string& list) {
    writeFile(dir + "/games.pgn", readFile(fixturePath("pgn/relation_games.pgn")));
    writeFile(dir + "/q.hux", "(match :pgn games.pgn :output out.pgn " + list + ")");
    return runHux({"q.hux"}, dir);
}

// The fixture's games: 1 knights out and home again, then out once more;
// 2 king and pawn moved a rank up; 3 rook and kings moved a file right; 4 the
// same pieces mirrored; 5 like 2, with a black rook that is captured; 6 bare
// kings, back where they started with the other side to move; 7 a rook
// captured on the first move; 8 the knights home again in a variation only.
TEST(RelationRun, FindsWhatEachItemAllows) {
    struct Case {
        const char* list;
        const char* games;
    } cases[] = {
        // A repetition is found from either occurrence: the later one finds
        // the start, which lies before it.
        {"(position :initial :relation ())", "+<1>"},
        {"(position :movenumber 3 :wtm :relation ())", "+<1>"},
        // The start itself never counts, so the kings alone in game 6 find
        // nothing: they stand there again with Black to move.
        {"(position :initial :relation (:changesidetomove))", "+<6>"},
        {"(position :initial :relation (:ignoresidetomove))", "+<1>+<6>"},
        // Shifted anywhere: the endings of games 2, 3 and 6. In game 5 the
        // rook on h8 leaves the board, which only a missing rook allows; in
        // game 7 a missing rook finds the position after the capture.
        {"(position :initial :relation (:shift))", "+<1>+<2>+<3>+<6>"},
        {"(position :initial :relation (:shift :missingpiececount r 0 1))",
         "+<1>+<2>+<3>+<5>+<6>+<7>"},
        {"(position :initial :relation (:shift :missingpiececount r 1))", "+<5>+<7>"},
        {"(position :initial :relation (:missingpiececount R 0 1))", "+<1>"},
        // Mirrored: game 4 (files reversed) and game 6.
        {"(position :initial :relation (:flip))", "+<1>+<4>+<6>"},
        // The last position of game 7 is its first without the rook.
        {"(position :terminal :relation (:newpiececount ? 1 1))", "+<7>"},
        {"(position :terminal :relation (:newpiececount R 1 1))", ""},
        // Only the pattern's square counts: the white king on e1.
        {"(position :initial Ke1 :relation (:pattern))", "+<1>+<2>+<3>+<4>+<5>+<7>+<8>"},
        {"(position :initial Ke1 :relation ())", "+<1>"},
        // Game 8 repeats its start only in a variation.
        {"(position :initial :relation (:variations))", "+<1>+<8>"},
        {"(position :initial :relation (:variationsonly))", "+<8>"},
        // Bounds against the source: a repetition differs nowhere.
        {"(position :initial :relation (:originaldifferentcount 1 64))", ""},
        {"(position :initial :relation (:originalsamecount 32))", "+<1>"},
        // :noannotate selects without marks; it reaches the relation too.
        {"(position :initial :relation () :noannotate)", "+<1>"},
    };
    for (const Case& c : cases) {
        HuxRun run = runRelation(scratchDir(), c.list);
        EXPECT_EQ(run.status, 0) << c.list << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.list;
        EXPECT_EQ(selectedGames(run), c.games) << c.list;
    }
}

TEST(RelationRun, MarksMatchGoldenFiles) {
    struct Case {
        const char* list;
        const char* golden;
    } cases[] = {
        // Every position of a repetition is a source and a find: MATCH and
        // MATCH2 both, before the annotator's comment, in variations too.
        {"(position :relation (:variations) :variations :markall)", "relation_repetitions_marked"},
        // The find lies before the source: here the start of the game.
        {"(position :terminal :relation (:newpiececount ? 1 1))", "relation_one_piece_more"},
        {"(position :initial :relation (:shift :flip))", "relation_shifted_and_mirrored"},
        {"(position :initial :relation (:flip) :noannotate)", "relation_unmarked"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        HuxRun run = runRelation(dir, c.list);
        EXPECT_EQ(run.status, 0) << c.list << "\n" << run.out;
        EXPECT_EQ(readFile(dir + "/out.pgn"),
                  readFile(fixturePath(std::string("golden/") + c.golden + ".pgn")))
            << c.list;
    }
}

// Every refusal happens while the query is read: the PGN file, which does not
// exist, is never opened.
TEST(RelationRun, Errors) {
    std::string tooMany;
    for (int i = 0; i < 66; i++) tooMany += "Ka1 ";
    struct Case {
        std::string words;
        std::string out;
    } cases[] = {
        {":relation", "Error: Missing or invalid echo spec\n"},
        {":relation :shift", "Error: Expected list following parameter :relation\n"},
        {":relation (:bogus)", "Error: Unknown keyword found in :relation specification\n"},
        {":relation (:shift (:flip))", "Error: Unknown keyword found in :relation specification\n"},
        {":relation (:flip :shift ())",
         "Error: Unknown keyword found in :relation specification\n"},
        {":relation (:pattern)",
         "Error: A pattern is specified, but no pattern pieces precede this :relation "
         "specification\n"},
        {":relation (:pattern) Ka1",
         "Error: A pattern is specified, but no pattern pieces precede this :relation "
         "specification\n"},
        {"Ka1 :relation (:pattern :shift :pattern)",
         "Error: only one :pattern keyword allowed in :relation specification\n"},
        {":relation (:originalsamecount)",
         "Error: Expected integer following :originalsamecount\n"},
        {":relation (:originalsamecount (2))",
         "Error: Expected integer following :originalsamecount\n"},
        {":relation (:originalsamecount x)",
         "Error: Expected nonnegative integer following :originalsamecount\n"},
        {":relation (:originaldifferentcount)",
         "Error: Expected integer following :originaldifferentcount\n"},
        {":relation (:originaldifferentcount -1 3)",
         "Error: Expected nonnegative integer following :originaldifferentcount\n"},
        {":relation (:missingpiececount)", "Error: handleCountSpec: missing piece specifier\n"},
        {":relation (:newpiececount (Q) 1)", "Error: handleCountSpec: null piece specifier\n"},
        {":relation (:newpiececount e4 1)", "Error: Invalid piece designator\n"},
        {":relation (:newpiececount Q)",
         "Error: handle count spec: no min spec in count specification\n"},
        {":relation (:missingpiececount Q :shift)", "Error: malformed input: no min count given\n"},
        {":relation (:missingpiececount Q -1)", "Error: malformed input: no min count given\n"},
        {":relation (:newpiececount ? 2 1)", "Error: max must be >= min in count spec\n"},
        // A count that could never be met.
        {":relation (:originalsamecount 5 3)",
         "Error: reversed :originalsamecount range: 5 is greater than 3\n"},
        {":relation () :relation (:shift)",
         "Error: Cannot handle multiple :relation specifications\n"},
        // Errors inside the second list come before the refusal of a second one.
        {":relation () :relation (:bogus)",
         "Error: Unknown keyword found in :relation specification\n"},
        // The 66th designator is refused before a pattern could take 101.
        {tooMany + ":relation (:pattern)",
         "Error: too many piece designators in one position list: at most 65\n"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        writeFile(dir + "/q.hux",
                  "(match :pgn absent.pgn :output out.pgn (position " + c.words + "))");
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.out, std::string(kBanner) + c.out) << c.words;
        EXPECT_EQ(run.err, "") << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
}

// The deprecated items warn on standard error and the run goes on; a count
// that is followed by another item takes the item as the next keyword.
TEST(RelationRun, WarningsAndAcceptedForms) {
    const std::string opened =
        "Attempting to open file: absent.pgn.\nmatchFilter::match could not open file: "
        "absent.pgn\n";
    struct Case {
        const char* words;
        const char* err;
    } cases[] = {
        {":relation (:matchidentity)",
         "Warning: :matchidentity is deprecated. Use :originaldifferentcount 0 64 instead\n"},
        {":relation (:nomatchidentity :shift)",
         "Warning: :matchidentity is deprecated. Use :originaldifferentcount 1 64 instead\n"},
        {"Ka1 [Pp]?2 :relation (:pattern :shift :flip :variations :variationsonly)", ""},
        {":relation (:missingpiececount ? 1 :newpiececount [Nn] 0 2 :missingpiececount P 0)", ""},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        writeFile(dir + "/q.hux",
                  std::string("(match :pgn absent.pgn (position ") + c.words + "))");
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.out, std::string(kBanner) + opened) << c.words;
        EXPECT_EQ(run.err, c.err) << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
}

// The relation gathers a game's positions without recursion: a game of
// 60,000 plies whose start recurs 15,000 times is searched and marked whole,
// from its first position and from every other.
TEST(RelationRun, VeryLongGame) {
    std::string dir = scratchDir();
    std::string moves;
    for (int i = 0; i < 15000; i++) moves += "Nf3 Nf6 Ng1 Ng8 ";
    writeFile(dir + "/long.pgn", "[Event \"Long\"]\n\n" + moves + "Nc3 (Nf3) *\n");
    struct Case {
        const char* list;
        size_t marks;
    } cases[] = {
        {"(position :initial :relation (:variations))", 15000},
        // Every position, and the one in the variation.
        {"(position :relation (:variations) :variations :markall)", 60002},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/q.hux",
                  std::string("(match :pgn long.pgn :output out.pgn ") + c.list + ")");
        HuxRun run = runHux({"q.hux"}, dir, 120);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(selectedGames(run), "+<1>") << c.list;
        std::string out = readFile(dir + "/out.pgn");
        size_t marks = 0;
        for (size_t at = out.find("MATCH2"); at != std::string::npos;
             at = out.find("MATCH2", at + 1))
            marks++;
        EXPECT_EQ(marks, c.marks) << c.list;
    }
}

}  // namespace
