// Tags end to end: every refusal of :forany, $name and :tagmatch with its
// exact message before any file is touched; the games that one and the same
// piece selects, in the main line and in variations; the marks written for
// two tags; and a game far deeper than the reserved stack of marks.
#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// The PGN file, which does not exist, is never opened: every message comes
// while the query is read.
TEST(TagsRun, ReadingErrors) {
    struct Case {
        std::string words;
        std::string out;
    } cases[] = {
        {":forany", "Error: missing tag name\n"},
        {":forany (t) K", "Error: missing tag name\n"},
        {":forany t", "Error: Missing tag piece filter\n"},
        {":forany t (K)", "Error: Missing tag piece filter\n"},
        {":forany t x", "Error: invalid piece designator x\n"},
        {":forany t $t", "Error: Invalid tag name in piece designator: no such tag\n"},
        {":forany t K :forany t k", "Error: Existing tag by that name\n"},
        // A third tag is refused as it is read.
        {":forany a K :forany b k :forany c Q", "Error: ONly one or two tags supported\n"},
        {":forany a K :forany a k :forany c Q", "Error: Existing tag by that name\n"},
        // A tag is known from its :forany on, and by its exact name.
        {"(position $t)", "Error: Invalid tag name in piece designator: no such tag\n"},
        {"(position $t) :forany t K", "Error: Invalid tag name in piece designator: no such tag\n"},
        {":forany t K (position $T)", "Error: Invalid tag name in piece designator: no such tag\n"},
        {":forany t K (position $)", "Error: invalid tagname\n"},
        {":forany t K (position $" + std::string(200, 't') + ")", "Error: invalid tagname\n"},
        {":forany t K (position $" + std::string(199, 't') + ")",
         "Error: Invalid tag name in piece designator: no such tag\n"},
        {":forany t K (position [$tQ])",
         "Error: Invalid tag name in piece designator: no such tag\n"},
        {":forany t K (position [$t?])", "Error: No multiple pieces with a tag\n"},
        {":forany t K :forany u k (position [$t$u])",
         "Error: Invalid piece designator: at most one tag in a designator\n"},
        {":forany t K (position :ray ($t kz9))", "bad file char z"},
        {":forany t K (position :tagmatch)", "Error: Missing tag name in :tagmatch\n"},
        {":forany t K (position :tagmatch ())", "Error: no tag name in :tagmatch\n"},
        {":forany t K (position :tagmatch (t) K)", "Error: Null tag name in :tagmatch\n"},
        {":forany t K (position :tagmatch t)", "Error: Missing piece designator in :tagmatch\n"},
        {":forany t K (position :tagmatch t ())", "Error: no piece designator in :tagmatch\n"},
        {":forany t K (position :tagmatch t (K))", "Error: null piece designator in :tagmatch\n"},
        {":forany t K (position :tagmatch t x)", "Error: invalid piece designator x\n"},
        {":forany t K (position :tagmatch u K)", "Error: Cannot find tag for name\n"},
        {":forany t K (position :tagmatch T K)", "Error: Cannot find tag for name\n"},
        {"(position :tagmatch t K)", "Error: Cannot find tag for name\n"},
        {":forany t K (position " + repeat(":tagmatch t K", 11) + ")",
         "Error: too many :tagmatch conditions in one position list: at most 10\n"},
        // Ten are allowed: the query is read, and the missing file refused.
        {":forany t K (position " + repeat(":tagmatch t K", 10) + ")",
         "Attempting to open file: absent.pgn.\nmatchFilter::match could not open file: "
         "absent.pgn\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery("(match :pgn absent.pgn :output out.pgn " + c.words + ")");
        EXPECT_EQ(run.out, std::string(kBanner) + c.out) << c.words;
        EXPECT_EQ(run.err, "") << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
}

// A refused third tag leaves an existing output file as it was.
TEST(TagsRun, ThirdTagTouchesNoFile) {
    std::string dir = scratchDir();
    writeFile(dir + "/g.pgn", readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn"));
    writeFile(dir + "/out.pgn", "earlier result\n");
    writeFile(dir + "/q.hux",
              "(match :pgn g.pgn :output out.pgn :forany a K :forany b k :forany c Q (position))");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.out, std::string(kBanner) + "Error: ONly one or two tags supported\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile(dir + "/out.pgn"), "earlier result\n");
}

TEST(TagsRun, OnePieceThroughTheGame) {
    struct Case {
        const char* pgn;
        const char* query;
        const char* games;
    } cases[] = {
        // The knight that starts on b1 reaches the eighth rank: in game 1 it
        // takes on a8; in game 2 the other knight does; in game 3 only in a
        // variation.
        {"knights", ":forany n N (position :initial [$n]b1) (position [$n]?8)", "+<1>"},
        {"knights", ":forany n N (position :initial [$n]b1) (position [$n]?8 :variations)",
         "+<1>+<3>"},
        {"knights", ":forany n N (position :initial [$n]g1) (position [$n]?8)", "+<2>"},
        {"knights", ":forany n N (position :initial $n[b1,g1]) (position :tagmatch n ?a8)", "+<1>"},
        // Eight orientations: the variants are selected by their plain
        // designators, or tested one by one when they have none.
        {"knights", ":forany n N (position :initial [$n]b1) (position [$n]a8 ke7 :flip)", "+<1>"},
        {"knights", ":forany n N (position [$n]a8 :flip)", "+<1>"},
        // The piece's square is enough: the kind is never looked at.
        {"knights", ":forany n U (position :initial [$n]b1) (position [$n]a8)", "+<1>"},
        // Taken on d8 in game 2: the queen's tag holds nowhere after it.
        {"knights", ":forany q q (position :terminal $q)", "+<1>+<3>"},
        // A tag of no piece never binds.
        {"knights", ":forany t . (position)", ""},
        // Two tags: the rook that starts on h1 faces the one that starts on
        // a8 on a file with nothing between them.
        {"sample",
         ":forany a R :forany b r (position :initial [$a]h1 [$b]a8) "
         "(position :rayvertical ([$a] [$b]))",
         "+<5>+<21>+<32>"},
        // The knight that starts on b1 gives check.
        {"sample", ":forany n N (position :initial [$n]b1) (position :attackcount $n k 1 :btm)",
         "+<1>+<3>+<15>"},
        // A pawn that becomes a queen: the tag follows it as a pawn and as
        // a queen (game 18: two black promotions; game 25: one).
        {"sample", ":forany p p (position :tagmatch p p) (position :tagmatch p q)", "+<18>+<25>"},
    };
    for (const Case& c : cases) {
        std::string dir = scratchDir();
        std::string pgn = std::string(c.pgn) == "sample"
                              ? readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn")
                              : readFile(fixturePath("pgn/tags_knight_journeys.pgn"));
        writeFile(dir + "/g.pgn", pgn);
        writeFile(dir + "/q.hux",
                  std::string("(match :pgn g.pgn :output out.pgn ") + c.query + ")");
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.status, 0) << c.query << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.query;
        EXPECT_EQ(selectedGames(run), c.games) << c.query;
    }
}

// Every binding's matches are marked: the start position for the first list,
// the position where the rooks face each other for the second.
TEST(TagsRun, MarksMatchGoldenFile) {
    std::string dir = scratchDir();
    writeFile(dir + "/g.pgn", readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn"));
    writeFile(dir + "/q.hux",
              "(match :pgn g.pgn :output out.pgn :forany a R :forany b r "
              "(position :initial [$a]h1 [$b]a8) (position :rayvertical ([$a] [$b])))");
    HuxRun run = runHux({"q.hux"}, dir);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(readFile(dir + "/out.pgn"), readFile(fixturePath("golden/tags_rooks_face_off.pgn")));
}

// 60,000 plies, far deeper than the marks' reserved stack, with a variation
// at the very end: both knights are followed to their last squares.
TEST(TagsRun, VeryLongGame) {
    std::string dir = scratchDir();
    std::string moves;
    for (int i = 0; i < 15000; i++) moves += "Nf3 Nf6 Ng1 Ng8 ";
    writeFile(dir + "/long.pgn", "[Event \"Long\"]\n\n" + moves + "Nc3 (Nf3) *\n");
    struct Case {
        const char* query;
        const char* games;
    } cases[] = {
        {":forany t N (position :initial [$t]b1) (position :terminal [$t]c3)", "+<1>"},
        {":forany t N (position :initial [$t]g1) (position :terminal [$t]f3 :variations)", "+<1>"},
        {":forany t N (position :initial [$t]g1) "
         "(position :sequence ((position [$t]g1) (position [$t]f3)) :variations :matchcount 15001)",
         "+<1>"},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/q.hux",
                  std::string("(match :pgn long.pgn :output out.pgn ") + c.query + ")");
        HuxRun run = runHux({"q.hux"}, dir);
        EXPECT_EQ(run.status, 0) << c.query << "\n" << run.out;
        EXPECT_EQ(selectedGames(run), c.games) << c.query;
    }
}

}  // namespace
