// Sequences of positions searched in process: at every position a walk tests,
// the search answers as the plain recursive definition does and leaves the
// game exactly where it was; the edge cases of runs, gaps and variations; the
// transforms; and games far longer than any stack of recursive calls.
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
#include "position_state.h"
#include "query/strlist.h"
#include "test_paths.h"

namespace {

// The variants of "(position <words>)"; trees and filters live until the
// process ends, as in the engine.
positionFilterList* expand(const std::string& words, ScanState& state) {
    static auto* texts = new std::vector<std::string>;
    texts->push_back("(position " + words + ")");
    std::string& text = texts->back();
    FILE* in = fmemopen(text.data(), text.size(), "r");
    strlist* tree = strlist::parseStream(in);
    fclose(in);
    return positionFilter::fromStrlist(tree->cdr, state)->expand();
}

// The filter as read, with its sequence expanded.
positionFilter* parse(const std::string& words, ScanState& state) {
    return expand(words, state)->getPositionFilter(0);
}

bool searchesVariations(const positionFilter* f) {
    return f->searchVariations || f->searchVariationsOnly;
}

// The definition, recursion and all: element `start` at this position (when
// searchthis) or at a position one move further, along the line or, with
// variations, along the first move of any variation that branches here.
bool definition(Game* game, ScanState& state, const SequenceFilter* s, bool variations,
                bool searchthis, int start) {
    if (start >= int(s->positionListFilters.size())) return true;
    if (searchthis) {
        if (s->positionListFilters[start]->matchCurrentPosition(game, state))
            return definition(game, state, s, variations, false, start + 1);
        return s->allowgaps && definition(game, state, s, variations, false, start);
    }
    if (variations) {
        for (uint32_t i = 0; i < game->GetNumVariations(); i++) {
            game->MoveIntoVariation(i);
            bool found = definition(game, state, s, variations, false, start);
            game->MoveExitVariation();
            if (found) return true;
        }
    }
    if (game->AtVarEnd()) return false;
    game->MoveForward();
    bool found = definition(game, state, s, variations, true, start);
    game->MoveBackup();
    return found;
}

// Everything that says where the game stands.
struct Cursor {
    PositionState pos;
    const moveT* move;
    uint32_t ply;
    uint32_t level;
    bool atEnd;
    bool operator==(const Cursor&) const = default;
};

Cursor cursorOf(Game& game) {
    return {PositionState(*game.GetCurrentPos()), game.GetCurrentMove(), game.GetCurrentPly(),
            game.GetVarLevel(), game.AtVarEnd()};
}

// Visits the positions that the walk of a position list tests: along the
// line and, with variations, inside each variation after its first move.
void walk(Game& game, bool variations, bool testHere, const std::function<void()>& visit) {
    for (;;) {
        if (testHere) visit();
        testHere = true;
        if (variations) {
            for (uint32_t i = 0; i < game.GetNumVariations(); i++) {
                game.MoveIntoVariation(i);
                walk(game, variations, false, visit);
                game.MoveExitVariation();
            }
        }
        if (game.AtVarEnd()) return;
        game.MoveForward();
    }
}

// Calls `each` for every game of the text, at its start, at most `limit`
// games; `state` starts a new walk for each, as the scan does.
void forEachGame(const std::string& text, int limit, ScanState& state,
                 const std::function<void(Game&)>& each) {
    MFile file;
    file.OpenMemory(text.data(), text.size(), "games");
    PgnParser parser(&file);
    Game game;
    for (int n = 0; n < limit && parser.ParseGame(&game) != ERROR_NotFound; n++) {
        game.MoveToPly(0);
        state.walk++;
        each(game);
    }
}

// The sample games, and the older games of the shared data with their many
// variations (fewer of them in slow builds).
std::vector<std::pair<std::string, int>> gameFiles() {
    std::vector<std::pair<std::string, int>> files = {
        {readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn"), 1000}};
    std::string classics = dataPath("dev/classics.pgn");
    if (!classics.empty()) files.push_back({readFile(classics), kSlowBuild ? 300 : 3000});
    return files;
}

TEST(SequenceSearch, AnswersAsTheDefinitionAndLeavesTheGameWhereItWas) {
    const char* queries[] = {
        ":sequence ((position :check) (position) (position :check))",
        ":sequence ((position :check) (position) (position :check) (position) (position :check)) "
        ":variations",
        ":sequence ((position Q) (position :check :wtm) (position [Qq])) :variationsonly",
        ":gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5))",
        ":gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
        "(position :piececount [Qq] 1 5)) :variations",
        ":gappedsequence ((position :check) (position :check) (position :check) (position :mate)) "
        ":variations",
        ":gappedsequence ((position :varinitial) (position :check) (position :terminal)) "
        ":variations",
        ":gappedsequence ((position :sequence ((position :check) (position) (position :check))) "
        "(position :piececount [Qq] 0 1)) :variations",
        ":gappedsequence ((position :not :piececount [Pp] 13 16) (position Ke1 :flipcolor) "
        "(position :movenumber 30 200)) :variationsonly",
        // Accumulations depend on the order of the tests: kept exactly.
        ":gappedsequence ((position :accumulate a :check) (position :check :sumrange a 1 1)) "
        ":variations",
    };
    for (const auto& [text, limit] : gameFiles()) {
        SCOPED_TRACE(text.substr(0, 60));
        for (const char* words : queries) {
            SCOPED_TRACE(words);
            ScanState state;
            positionFilter* owner = parse(words, state);
            SequenceFilter* sequence = owner->sequenceFilter;
            bool variations = searchesVariations(owner);
            int found = 0, notFound = 0, wrong = 0, misplaced = 0;
            forEachGame(text, limit, state, [&](Game& game) {
                walk(game, variations, true, [&] {
                    Cursor before = cursorOf(game);
                    state.accumulators.clearAccumulators();
                    bool expected = definition(&game, state, sequence, variations, true, 0);
                    ASSERT_TRUE(cursorOf(game) == before);
                    state.accumulators.clearAccumulators();
                    bool actual = sequence->matchCurrentPosition(&game, state, variations, true, 0);
                    (expected ? found : notFound)++;
                    if (actual != expected) wrong++;
                    if (!(cursorOf(game) == before)) misplaced++;
                });
            });
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(misplaced, 0);
            EXPECT_GT(found, 0);
            EXPECT_GT(notFound, 0);
        }
    }
}

// Every game of the older games (or the sample games without them), with
// every search that goes into variations: after each test the game stands
// where it stood, at the same variation level.
TEST(SequenceSearch, ReturnsToTheSamePositionInEveryGame) {
    std::string path = dataPath("dev/classics.pgn");
    std::string text =
        readFile(path.empty() ? std::string(HUX_EXAMPLES_DIR) + "/sample.pgn" : path);
    ScanState state;
    std::vector<positionFilter*> owners = {
        parse(":sequence ((position :check) (position) (position :check)) :variations", state),
        parse(":gappedsequence ((position :piececount [Qq] 2) (position :piececount [Qq] 0) "
              "(position :piececount [Qq] 1 5)) :variations",
              state),
        parse(":gappedsequence ((position) (position :terminal)) :variations", state),
    };
    int tested = 0, misplaced = 0;
    forEachGame(text, kSlowBuild ? 2000 : 1 << 30, state, [&](Game& game) {
        walk(game, true, true, [&] {
            Cursor before = cursorOf(game);
            for (positionFilter* owner : owners) {
                owner->sequenceFilter->matchCurrentPosition(&game, state, true, true, 0);
                tested++;
                if (!(cursorOf(game) == before)) misplaced++;
            }
        });
    });
    EXPECT_GT(tested, 0);
    EXPECT_EQ(misplaced, 0);
}

// For each position the walk tests, in order, '1' where the sequence is
// found from it and '0' where not.
std::string answers(const std::string& pgn, const std::string& words) {
    ScanState state;
    positionFilter* owner = parse(words, state);
    bool variations = searchesVariations(owner);
    std::string out;
    forEachGame(pgn, 1, state, [&](Game& game) {
        walk(game, variations, true, [&] {
            bool found =
                owner->sequenceFilter->matchCurrentPosition(&game, state, variations, true, 0);
            out += found ? '1' : '0';
        });
    });
    return out;
}

TEST(SequenceSearch, RunsGapsAndVariations) {
    const std::string line = "[Event \"line\"]\n\n1. e4 e5 2. Nf3 *\n";
    const std::string branch = "[Event \"branch\"]\n\n1. e4 (1. d4 d5) e5 *\n";
    const std::string late = "[Event \"late\"]\n\n1. e4 e5 2. Nf3 (2. Qh5 Nc6) Nc6 *\n";
    struct Case {
        const std::string& pgn;
        const char* words;
        const char* expected;
    } cases[] = {
        // One element matches where the element does, to the last position.
        {line, ":sequence ((position :btm))", "0101"},
        // Two elements need a next position.
        {line, ":sequence ((position) (position))", "1110"},
        {line, ":sequence ((position) (position) (position) (position))", "1000"},
        {line, ":sequence ((position Pe4 pe7) (position pe5))", "0100"},
        // The first move of a variation counts as a next move only when
        // variations are searched (the walk's order: start, the variation's
        // two positions, then the main line's).
        {branch, ":sequence ((position :initial) (position Pd4))", "000"},
        {branch, ":sequence ((position :initial) (position Pd4)) :variations", "10000"},
        {branch, ":sequence ((position :initial) (position Pe4 pe5)) :variations", "00000"},
        // With gaps the first element may come later too, but every element
        // needs a position after the one before it.
        {late, ":gappedsequence ((position Pe4) (position Nf3))", "11110"},
        {late, ":gappedsequence ((position Pe4) (position Qh5))", "00000"},
        {late, ":gappedsequence ((position Pe4) (position Qh5)) :variations", "1111000"},
        {late, ":gappedsequence ((position Qh5) (position Pe4)) :variations", "1111000"},
        {late, ":gappedsequence ((position nc6) (position Qh5)) :variations", "0000000"},
        // A run must stay on one path: Qh5 and then Nf3 are on two.
        {late, ":gappedsequence ((position Qh5) (position Nf3)) :variations", "0000000"},
        // The game's own conditions hold in every element.
        {late, ":gappedsequence ((position :terminal) (position :check))", "00000"},
        {late, ":sequence ((position :varinitial) (position Qh5)) :variations", "0010000"},
    };
    for (const Case& c : cases) EXPECT_EQ(answers(c.pgn, c.words), c.expected) << c.words;
}

TEST(SequenceTransforms, ElementsAreShiftedAndFlippedWithTheirOwner) {
    ScanState state;
    // Rh1 cannot go right: of the horizontal shifts only the 7 to the left
    // remain besides the owner itself.
    EXPECT_EQ(
        expand(":sequence ((position :check) (position Rh1)) :horizontalshift", state)->nfilters(),
        8);

    positionFilterList* variants =
        expand(":sequence ((position Ka1 :wtm :flip)) :flipcolor", state);
    ASSERT_EQ(variants->nfilters(), 2);
    for (int i = 0; i < 2; i++) {
        const SequenceFilter* s = variants->getPositionFilter(i)->sequenceFilter;
        ASSERT_EQ(s->positionListFilters.size(), 1u);
        positionFilterList* element = s->positionListFilters[0];
        EXPECT_EQ(element->nfilters(), 8);
        EXPECT_TRUE(element->donotannotate);
        EXPECT_EQ(element->getPositionFilter(0)->sideToMove, i == 0 ? WHITE : BLACK);
    }
    // The copy is a copy: flipping it left the original's elements alone.
    EXPECT_NE(variants->getPositionFilter(0)->sequenceFilter,
              variants->getPositionFilter(1)->sequenceFilter);
}

// Runs `f` on a thread with a small stack, where a search that recursed once
// per position of a long game would overflow.
void onSmallStack(const std::function<void()>& f) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    auto body = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&f)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

TEST(SequenceSearch, GamesOfTensOfThousandsOfPlies) {
    // The knights go out and back: 40000 plies, no check, no capture.
    const int cycles = 10000;
    std::string pgn = "[Event \"long\"]\n\n";
    for (int i = 0; i < cycles; i++)
        pgn += std::to_string(2 * i + 1) + ". Nf3 Nf6 " + std::to_string(2 * i + 2) + ". Ng1 Ng8 ";
    pgn += "*\n";
    ScanState state;
    struct Case {
        const char* words;
        int matches;
    } cases[] = {
        // Searched to the end from the first position, then known at every
        // later one: the walk visits every position.
        {":gappedsequence ((position) (position :check)) :markall", 0},
        {":gappedsequence ((position Ng1) (position Nf3) (position :initial)) :markall", 0},
        // Found wherever two positions follow; with knights, where the black
        // one still goes out and back with the white one returning after it.
        {":gappedsequence ((position) (position) (position)) :markall", 4 * cycles - 1},
        {":sequence ((position) (position) (position)) :markall", 4 * cycles - 1},
        {":gappedsequence ((position ng8) (position nf6) (position Ng1)) :markall", 4 * cycles - 2},
    };
    for (const Case& c : cases) {
        positionFilterList* list = expand(c.words, state);
        int matches = -1;
        bool restored = false;
        onSmallStack([&] {
            forEachGame(pgn, 1, state, [&](Game& game) {
                ASSERT_EQ(game.GetCurrentPly(), 0u);
                game.MoveToPly(2 * cycles);
                Cursor middle = cursorOf(game);
                positionFilter* owner = list->getPositionFilter(0);
                owner->sequenceFilter->matchCurrentPosition(&game, state, false, true, 0);
                restored = cursorOf(game) == middle;
                game.MoveToPly(0);
                list->match(&game, state);
                matches = list->nmatches;
            });
        });
        EXPECT_TRUE(restored) << c.words;
        EXPECT_EQ(matches, c.matches) << c.words;
    }
}

}  // namespace
