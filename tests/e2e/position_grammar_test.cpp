#include <gtest/gtest.h>

#include <string>

#include "run_hux.h"
#include "test_paths.h"

namespace {

// Every refusal of a position list happens while the query is read: the PGN
// file, which does not exist, is never opened, and nothing is written.
TEST(PositionGrammarRun, Errors) {
    struct Case {
        std::string words;
        std::string out;
    } cases[] = {
        {"Ka1 (x) :check", "invalid format for positionfilter in list: ((x) :check)"},
        {":checkmate", "unknown keyword: :checkmate\n"},
        {":Mate", "unknown keyword: :Mate\n"},
        {":check Ka1 :nocheck",
         "Error: :check and :nocheck in one position list: no position can match it\n"},
        {":name", "Error: missing name\n"},
        {":result", "Error: missing result value\n"},
        {":result draw", "Error: Invalid result value: must be 1-0, 0-1, 1/2, or 1/2-1/2\n"},
        {":piececount", "Error: Missing count or power or diff spec\n"},
        {":piececount Q", "Error: malformed input: no min count for power or count spec\n"},
        {":piececount Q x", "Error: malformed input: no min count at power or count spec\n"},
        {":power Q -1", "Error: malformed input: no min count at power or count spec\n"},
        {":powerdifference Q x", "Error: malformed input: no min count at difference spec\n"},
        {":piececount Q 0 -1", "Error: invalid min/max to power or count\n"},
        {":power A 5 2", "Error: invalid min/max to power or count\n"},
        {":powerdifference ? 3 -3", "Error: min must be < max to :powerdifference\n"},
        {":piececount (Q) 1", "Error: missing or unreadable piece designator after :piececount\n"},
        {":accumulate", "Error: Missing accname  :accumulate\n"},
        {":accumulate (a)", "Error: Missing accname in handleSum\n"},
        {":sumrange", "Error: Missing accname spec for :sumrange\n"},
        {":sumrange (a) 1", "Error: Missing accname in handleSum\n"},
        {":sumrange a", "Error: Missing sum min for :sumrange\n"},
        {":sumrange a x", "Error: min value missing in count spec for :sumrange\n"},
        {":movenumber", "Error: Missing count spec for :movenumber\n"},
        {":movenumber x", "Error: min value missing in count spec for :movenumber\n"},
        {":matchcount", "Error: Missing count spec for :matchcount\n"},
        {":matchcount -2", "Error: min value missing in count spec for :matchount\n"},
        {":pretransformmatchcount", "Error: Missing count spec for :pretransformmatchcount\n"},
        {":pretransformmatchcount :flip",
         "Error: min value missing in count spec for :pretransformmatchount\n"},
        {":elo", "Error: Missing count spec for elo\n"},
        {":whiteelo high", "Error: min value missing in count spec for elo\n"},
        {":blackelo (2000)", "Error: min value missing in count spec for elo\n"},
        {":and", "Error: Expecting list following :and or :or argument\n"},
        {":or ()", "Error: Expecting list following :and or :or argument\n"},
        {":and Ka1", "Error: Expecting list following :and or :or argument\n"},
        {":and ((position)) :and ((position))", "Error: Multiple :and args not supported\n"},
        {":or ((position)) :or ((position))", "Error: Multiple :or args not supported\n"},
        {":or (Ka1)",
         "Error: Expecting list of position specifiers following :and or :or keyword\n"},
        {":and ((match))",
         "Error: Expecting list of position specifiers following :and or :or keyword\n"},
        {":and ((position :check) ())",
         "Error: Expecting list of position specifiers following :and or :or keyword\n"},
        {":and ((position :foo))", "unknown keyword: :foo\n"},
        {":sequence", "Error: Expecting list following :sequence argument\n"},
        {":gappedsequence ()", "Error: Expecting list following :sequence argument\n"},
        {":sequence Ka1", "Error: Expecting list following :sequence argument\n"},
        {":sequence ((position)) :gappedsequence ((position))",
         "Error: Multiple :sequence args not supported\n"},
        {":sequence (Ka1)",
         "Error: Expecting list of position specifiers following :sequence keyword\n"},
        {":gappedsequence ((position :check) ())",
         "Error: Expecting list of position specifiers following :sequence keyword\n"},
        {":sequence ((position :foo))", "unknown keyword: :foo\n"},
        {":sequence (" + repeat("(position)", 1001) + ")",
         "Error: too many position lists under :sequence: at most 1000\n"},
        {":gappedsequence (" + repeat("(position)", 1001) + ")",
         "Error: too many position lists under :gappedsequence: at most 1000\n"},
        {"x", "Error: invalid piece designator x\n"},
        {"e4", "Error: Invalid piece designator\n"},
        {"Kz1", "bad file char z"},
        {"Ka9", "bad rank char 9"},
        {"Ka", "bad rank char (none)"},
        {"K[b2,c]", "bad rank char (none)"},
        {"K[a1", "Missing ] or chars after ] in square spec: a1"},
        {"K[a1,,b2]", "Invalid empty square spec for string: ,b2]\n"},
        {"Ka1b", "Extra characters after piece specifier in specifier: a1b\n"},
        {"$king", "Error: Invalid tag name in piece designator: no such tag\n"},
        {repeat("Ka1", 66), "Error: too many piece designators in one position list: at most 65\n"},
        {":and (" + repeat("(position)", 100) + ")",
         "Error: too many position lists under :and: at most 99\n"},
        {":or (" + repeat("(position)", 100) + ")",
         "Error: too many position lists under :or: at most 99\n"},
        {":accumulate a :accumulate b :accumulate c :accumulate d :accumulate e :accumulate f "
         ":accumulate g :accumulate h :accumulate i :accumulate j :sumrange k 0",
         "Error: bad insert accumulator\n"},
        {":movefrom", "Error: missing piece/square specifier for :move specification\n"},
        {":moveto (Ka1)", "Error: missing piece/square specifier for :move specification\n"},
        {":promote () :check", "Error: missing piece/square specifier for :move specification\n"},
        {":movefrom x", "Error: invalid piece designator x\n"},
        {":attackcount", "Error: Expected piece specifier following :attackcount\n"},
        {":attackcount (R) r 1", "Error: Expected piece specifier following :attackcount\n"},
        {":attackcount R", "Error: Expected two piece specifiers following :attackcount, got 1\n"},
        {":attackcount R ()",
         "Error: Expected two piece specifiers following :attackcount, got 1\n"},
        {":attackcount R e4 1", "Error: Invalid piece designator\n"},
        {":attackcount R r", "Error: Expected min specifier following :attackcount piece piece\n"},
        {":attackcount R r x",
         "Error: Expected numeric nonnegative min specifier following :attackcount piece piece\n"},
        {":attackcount R r -1",
         "Error: Expected numeric nonnegative min specifier following :attackcount piece piece\n"},
        {":attackcount R r 3 1",
         "Error: Invalid min/max pair to :attackcount: min is greater than max\n"},
        {repeat(":attackcount R r 1", 101), "Error: too many attack specs\n"},
        {":ray", "Error: missing ray format\n\n"},
        {":rayattack Ka1", "Error: missing or invalid ray list specification\n"},
        {":rayorthogonal ()", "Error: missing or invalid ray list specification\n"},
        {":raydiagonal (B (k))", "Error: malformed pieceloc 24\n"},
        {":rayhorizontal (R kz1)", "bad file char z"},
        {":rayvertical (R k) 2 1", "Error: Invalid min/max pair to :ray\n"},
        {":ray (" + repeat("?", 100) + ")",
         "Error: Too many piece designators in one list: at most 99\n"},
        {repeat(":ray (R k)", 101),
         "Error: too many ray conditions: at most 100 in one position list\n"},
    };
    for (const Case& c : cases) {
        HuxRun run = runQuery("(match :pgn absent.pgn :output out.pgn (position " + c.words + "))");
        EXPECT_EQ(run.out, std::string(kBanner) + c.out) << c.words;
        EXPECT_EQ(run.err, "") << c.words;
        EXPECT_EQ(run.status, 1) << c.words;
    }
}

// A relation walks the game without the board of marks that tags need: the
// two are refused together in either order, before any file is opened.
TEST(PositionGrammarRun, TagsAndRelationsExcludeEachOther) {
    for (const char* query :
         {"(match :pgn absent.pgn :forany t N (position $t :relation ()))",
          "(match :pgn absent.pgn (position :relation ()) :forany t N (position $t))",
          "(match :pgn absent.pgn (position :and ((position :relation (:flip)))) :forany t N)"}) {
        HuxRun run = runQuery(query);
        EXPECT_EQ(run.out, std::string(kBanner) + "Error: Tags cannot be used with :relation\n")
            << query;
        EXPECT_EQ(run.status, 1) << query;
    }
}

// Lists nested without end are refused before they can exhaust the stack.
TEST(PositionGrammarRun, DeepNesting) {
    std::string query = "(match :pgn absent.pgn ";
    for (int i = 0; i < 150; i++) query += "(position :and (";
    for (int i = 0; i < 150; i++) query += ")))";
    query += ")";
    HuxRun run = runQuery(query);
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Error: position lists nested too deeply: at most 100 levels\n");
    EXPECT_EQ(run.status, 1);

    std::string sequences = "(match :pgn absent.pgn ";
    for (int i = 0; i < 150; i++) sequences += "(position :gappedsequence (";
    for (int i = 0; i < 150; i++) sequences += ")))";
    sequences += ")";
    run = runQuery(sequences);
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Error: position lists nested too deeply: at most 100 levels\n");
    EXPECT_EQ(run.status, 1);
}

// A sequence of the greatest length is read; the run goes on to the PGN file.
TEST(PositionGrammarRun, ThousandSequenceElements) {
    HuxRun run = runQuery("(match :pgn absent.pgn (position :sequence (" +
                          repeat("(position :check)", 1000) + ")))");
    EXPECT_EQ(run.out, std::string(kBanner) +
                           "Attempting to open file: absent.pgn.\n"
                           "matchFilter::match could not open file: absent.pgn\n");
    EXPECT_EQ(run.status, 1);
}

}  // namespace
