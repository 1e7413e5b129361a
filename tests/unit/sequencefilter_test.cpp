// Sequences of positions searched in process: the search answers as the plain
// recursive definition does and leaves the game where it was, at every
// position a walk tests in games with variations; runs, gaps and variations;
// shifts; and a game far longer than any stack of recursive calls.
#include "filter/sequencefilter.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"
#include "game_cursor.h"
#include "owned.h"
#include "position_state.h"
#include "query/strlist.h"
#include "test_paths.h"

namespace {

// The variants of "(position <words>)"; filters live until the program ends.
positionFilterList* expand(const std::string& words, ScanState& state) {
    static auto* texts = new std::vector<std::string>;
    texts->push_back("(position " + words + ")");
    FILE* in = fmemopen(texts->back().data(), texts->back().size(), "r");
    strlist* tree = owned(strlist::parseStream(in));
    fclose(in);
    return owned(owned(positionFilter::fromStrlist(tree->cdr, state))->expand());
}

// The definition, recursion and all.
bool definition(Game* game, ScanState& state, const SequenceFilter* s, bool variations,
                bool searchthis, int start) {
    if (start >= int(s->positionListFilters.size())) return true;
    if (searchthis) {
        if (s->positionListFilters[start]->matchCurrentPosition(game, state))
            return definition(game, state, s, variations, false, start + 1);
        return s->allowgaps && definition(game, state, s, variations, false, start);
    }
    for (uint32_t i = 0; variations && i < game->GetNumVariations(); i++) {
        game->MoveIntoVariation(i);
        bool found = definition(game, state, s, variations, false, start);
        game->MoveExitVariation();
        if (found) return true;
    }
    if (game->AtVarEnd()) return false;
    game->MoveForward();
    bool found = definition(game, state, s, variations, true, start);
    game->MoveBackup();
    return found;
}

// Visits the positions a position list's walk tests: along the line and,
// with variations, inside each one after its first move.
void walk(Game& game, bool variations, bool testHere, const std::function<void()>& visit) {
    for (;; testHere = true) {
        if (testHere) visit();
        for (uint32_t i = 0; variations && i < game.GetNumVariations(); i++) {
            game.MoveIntoVariation(i);
            walk(game, variations, false, visit);
            game.MoveExitVariation();
        }
        if (game.AtVarEnd()) return;
        game.MoveForward();
    }
}

// Calls `each` at the start of every game of the text, a new walk for each.
void forEachGame(const std::string& text, ScanState& state,
                 const std::function<void(Game&)>& each) {
    MFile file;
    file.OpenMemory(text.data(), text.size(), "games");
    PgnParser parser(&file);
    Game game;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.MoveToPly(0);
        state.walk++;
        each(game);
    }
}

// All older real games with their many variations (their first 200 kB in
// slow builds; the sample games on a machine without the data); the
// definition, slow with gaps, is asked in the first games only.
TEST(SequenceSearch, AnswersAsTheDefinitionAndLeavesTheGameWhereItWas) {
    std::string path = dataPath("dev/classics.pgn");
    std::string text =
        readFile(path.empty() ? std::string(HUX_EXAMPLES_DIR) + "/sample.pgn" : path);
    if (kSlowBuild) text = text.substr(0, 200000);
    const int definitionGames = 2000;
    const char* queries[] = {
        ":sequence ((position :check) (position) (position :check) (position) (position :check))",
        ":sequence ((position Q) (position :check :wtm) (position [Qq])) :variationsonly",
        ":gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5)) :variations",
        ":gappedsequence ((position :varinitial) (position :check) (position :terminal)) "
        ":variations",
        ":gappedsequence ((position :sequence ((position :check) (position) (position :check))) "
        "(position :not :piececount [Pp] 13 16) (position Ke1 :flipcolor))",
        // Accumulations depend on the order of the tests: kept exactly.
        ":gappedsequence ((position :accumulate a :check) (position :check :sumrange a 1 1)) "
        ":variations",
    };
    for (const char* words : queries) {
        SCOPED_TRACE(words);
        ScanState state;
        positionFilter* owner = expand(words, state)->getPositionFilter(0);
        bool variations = owner->searchVariations || owner->searchVariationsOnly;
        int games = 0, found = 0, wrong = 0, misplaced = 0;
        forEachGame(text, state, [&](Game& game) {
            bool compare = games++ < definitionGames;
            walk(game, variations, true, [&] {
                GameCursor before = cursorOf(game);
                state.accumulators.clearAccumulators();
                bool expected =
                    compare && definition(&game, state, owner->sequenceFilter, variations, true, 0);
                state.accumulators.clearAccumulators();
                bool actual =
                    owner->sequenceFilter->matchCurrentPosition(&game, state, variations, true, 0);
                found += expected;
                wrong += compare && actual != expected;
                misplaced += !(cursorOf(game) == before);
            });
        });
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(misplaced, 0);
        EXPECT_GT(found, 0);
    }
}

// At each position the walk tests, in order: '1' where the sequence is found.
std::string answers(const std::string& moves, const std::string& words) {
    ScanState state;
    positionFilter* owner = expand(words, state)->getPositionFilter(0);
    bool variations = owner->searchVariations || owner->searchVariationsOnly;
    std::string out;
    forEachGame("[Event \"e\"]\n\n" + moves + " *\n", state, [&](Game& game) {
        walk(game, variations, true, [&] {
            out += owner->sequenceFilter->matchCurrentPosition(&game, state, variations, true, 0)
                       ? '1'
                       : '0';
        });
    });
    return out;
}

TEST(SequenceSearch, RunsGapsAndVariations) {
    const std::string line = "1. e4 e5 2. Nf3";
    const std::string branch = "1. e4 (1. d4 d5) e5";
    const std::string late = "1. e4 e5 2. Nf3 (2. Qh5 Nc6) Nc6";
    struct Case {
        const std::string& moves;
        const char* words;
        const char* expected;
    } cases[] = {
        // One element matches where it does; a run needs its next positions.
        {line, ":sequence ((position :btm))", "0101"},
        {line, ":sequence ((position) (position))", "1110"},
        {line, ":sequence ((position Pe4 pe7) (position pe5))", "0100"},
        // A variation's first move is a next move only when variations are
        // searched (walk order: start, the variation's positions, the line's).
        {branch, ":sequence ((position :initial) (position Pd4))", "000"},
        {branch, ":sequence ((position :initial) (position Pd4)) :variations", "10000"},
        // With gaps the first element may come later too, but each needs a
        // position after the one before it, on the same path.
        {late, ":gappedsequence ((position Pe4) (position Nf3))", "11110"},
        {late, ":gappedsequence ((position Pe4) (position Qh5))", "00000"},
        {late, ":gappedsequence ((position Pe4) (position Qh5)) :variations", "1111000"},
        {late, ":gappedsequence ((position Qh5) (position Nf3)) :variations", "0000000"},
        {late, ":sequence ((position :varinitial) (position Qh5)) :variations", "0010000"},
    };
    for (const Case& c : cases) EXPECT_EQ(answers(c.moves, c.words), c.expected) << c.words;
}

TEST(SequenceSearch, ElementsRefusingAShiftDropTheCopy) {
    ScanState state;
    // Rh1 cannot go right: the owner and its 7 shifts to the left remain.
    EXPECT_EQ(expand(":sequence ((position) (position Rh1)) :horizontalshift", state)->nfilters(),
              8);
}

// 40000 plies of knights going out and back, searched on a thread with a
// stack far too small for a search that recursed once per position.
TEST(SequenceSearch, GameOfFortyThousandPlies) {
    std::string pgn = "[Event \"long\"]\n\n";
    for (int i = 1; i <= 20000; i += 2)
        pgn += std::to_string(i) + ". Nf3 Nf6 " + std::to_string(i + 1) + ". Ng1 Ng8 ";
    pgn += "*\n";
    struct Case {
        const char* words;
        int matches;
        int found = -1;
    } cases[] = {
        // No check: searched to the end from the first position.
        {":gappedsequence ((position) (position :check)) :markall", 0},
        // From every position with two after it.
        {":sequence ((position) (position) (position)) :markall", 39999},
        {":gappedsequence ((position ng8) (position nf6) (position Ng1)) :markall", 39998},
    };
    auto run = [](void* arg) -> void* {
        auto* c = static_cast<std::pair<Case*, const std::string*>*>(arg);
        ScanState state;
        positionFilterList* list = expand(c->first->words, state);
        forEachGame(*c->second, state, [&](Game& game) {
            list->match(&game, state);
            c->first->found = list->nmatches;
        });
        return nullptr;
    };
    for (Case& c : cases) {
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, 512 * 1024);
        pthread_t thread;
        std::pair<Case*, const std::string*> arg{&c, &pgn};
        ASSERT_EQ(pthread_create(&thread, &attr, run, &arg), 0);
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attr);
        EXPECT_EQ(c.found, c.matches) << c.words;
    }
}

}  // namespace
