// Tags: the bindings of one and two tags in order, the piece masks that skip
// bindings, tagged designators and :tagmatch in every filter that reads a
// designator, their transforms, and walks, sequences and move searches that
// move the board of marks along with the game.
#include "filter/tag.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/game.h"
#include "filter/markboard.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"
#include "filter/tagfilter.h"
#include "game_cursor.h"
#include "owned.h"
#include "pgn_test_support.h"
#include "position_query.h"
#include "position_state.h"
#include "query/strlist.h"
#include "scan/matchfilter.h"
#include "scan/queryreader.h"
#include "test_paths.h"

namespace {

// The scan state of a query that declares these tags, each for its
// designator; it lives, as a query's does, until the process ends.
ScanState& stateWith(const std::vector<std::pair<const char*, const char*>>& tags) {
    ScanState* state = new ScanState();
    static auto* held = new std::vector<ScanState*>;
    held->push_back(state);
    for (auto [name, designator] : tags) {
        pieceLoc* loc = pieceLoc::fromString(designator, &state->tags);
        state->declareTag(name, loc);
        delete loc;
    }
    return *state;
}

// Marks 8/P6k/8/8/8/8/1p4K1/8: the black pawn b2 0, the white king 1, the
// white pawn a7 2, the black king 3. The white pawn becomes a queen, the
// black pawn a knight, which the queen takes at ply 5.
const char kPromotions[] =
    "[Event \"p\"]\n[SetUp \"1\"]\n[FEN \"8/P6k/8/8/8/8/1p4K1/8 w - - 0 1\"]\n\n"
    "1. a8=Q b1=N 2. Qb7+ Kg6 3. Qxb1+ Kg5 *\n";

// The bindings tried among n marks, in order.
std::vector<std::string> bindings(int ntags, int n) {
    ScanState& state = ntags == 1 ? stateWith({{"a", "U"}}) : stateWith({{"a", "U"}, {"b", "U"}});
    std::vector<std::string> seen;
    state.tags.initializeTags();
    do {
        std::string binding = std::to_string(state.tags.getTag(0)->mark);
        if (ntags == 2) binding += "," + std::to_string(state.tags.getTag(1)->mark);
        seen.push_back(binding);
    } while (state.tags.nextTagMarkers(n));
    return seen;
}

TEST(TagBindings, EveryBindingInOrder) {
    using Seen = std::vector<std::string>;
    EXPECT_EQ(bindings(2, 3), (Seen{"0,1", "0,2", "1,0", "1,2", "2,0", "2,1"}));
    Seen two = bindings(2, 32);
    ASSERT_EQ(two.size(), 992u);
    EXPECT_EQ(two.front(), "0,1");
    EXPECT_EQ(two.back(), "31,30");
    Seen one = bindings(1, 32);
    ASSERT_EQ(one.size(), 32u);
    EXPECT_EQ(one.back(), "31");
    // Too few pieces: only the first binding, whose marks no piece has, so
    // that the piece masks refuse it.
    EXPECT_EQ(bindings(2, 1), Seen{"0,1"});
}

// The marks that a one-tag binding can take in the game: those whose piece
// is, somewhere in the game, of a kind the declaration names.
TEST(TagBindings, PieceMasksSkipImpossibleBindings) {
    struct Case {
        const char* pgn;
        const char* designator;
        std::string marks;
    } cases[] = {
        {"[Event \"s\"]\n\n1. e4 *\n", "K", " 4"},
        {"[Event \"s\"]\n\n1. e4 *\n", "[Kk]", " 4 28"},
        // The square part of the declaration does not count.
        {"[Event \"s\"]\n\n1. e4 *\n", "Kh8", " 4"},
        {"[Event \"s\"]\n\n1. e4 *\n", ".", ""},
        // Pawns that promote count as pawns and as what they become.
        {kPromotions, "P", " 2"},
        {kPromotions, "Q", " 2"},
        {kPromotions, "N", ""},
        {kPromotions, "n", " 0"},
    };
    for (const Case& c : cases) {
        ScanState& state = stateWith({{"t", c.designator}});
        forEachGame(c.pgn, [&](Game& game) {
            state.marks()->createNewGame(&game);
            std::string marks;
            state.tags.initializeTags();
            do {
                if (state.tags.bindingPossible(state.marks()->piecemasks))
                    marks += " " + std::to_string(state.tags.getTag(0)->mark);
            } while (state.tags.nextTagMarkers(state.marks()->nmarkers));
            EXPECT_EQ(marks, c.marks) << c.designator;
        });
    }
}

// Every walk of a list is one binding that the game-level match tried.
TEST(TagBindings, GameLevelTriesEveryPossibleBinding) {
    struct Case {
        const char* query;
        int walks;
        bool accepted;
    } cases[] = {
        {"(match :forany a U :forany b U (position))", 992, true},
        {"(match :forany a K :forany b k (position))", 1, true},
        {"(match :forany a R :forany b r (position))", 4, true},
        // Both lists are walked for every binding that passes the first.
        {"(match :forany a R (position :initial [$a]a1) (position [$a]a1))", 3, true},
        // No position list: a binding that the piece masks allow is enough.
        {"(match :forany a q)", 0, true},
        {"(match :forany a .)", 0, false},
    };
    for (const Case& c : cases) {
        std::string text = c.query;
        FILE* in = fmemopen(text.data(), text.size(), "r");
        strlist* tree = strlist::parseStream(in);
        fclose(in);
        auto* m = dynamic_cast<matchFilter*>(readQueryList(tree));
        ASSERT_NE(m, nullptr);
        static auto* held = new std::vector<matchFilter*>;
        held->push_back(m);
        m->expand();
        forEachGame("[Event \"s\"]\n\n1. e4 e5 *\n", [&](Game& game) {
            unsigned before = m->state.walk;
            EXPECT_EQ(m->match(&game), c.accepted) << c.query;
            EXPECT_EQ(int(m->state.walk - before), c.walks) << c.query;
        });
    }
}

// At every ply of kPromotions, with t bound to the white pawn and u to the
// black one: whether each position list holds.
TEST(TaggedDesignators, FollowTheBoundPiece) {
    struct Case {
        const char* words;
        const char* plies;
    } cases[] = {
        {"[$t]a7", "1000000"},
        {"$t", "1111111"},
        {"$t[a8,b7]", "0111100"},
        // Whatever the piece has become.
        {"[$t]a-h8 [$u]b1", "0010000"},
        {":tagmatch t Qa8", "0110000"},
        {":tagmatch t P", "1000000"},
        // Captured at ply 5: never again.
        {":tagmatch u ?", "1111100"},
        {":tagmatch u n", "0011100"},
        {":attackcount $t $u 1", "0001100"},
        {":attackcount $u K 1", "0000000"},
        {":piececount $u 1", "1111100"},
        {":power $u 3", "0011100"},
        {":powerdifference $t 9", "0111111"},
        {":rayvertical ([$t] [$u])", "0001100"},
        // The queen on the long diagonal, the white king on g2.
        {":ray ([$t] K)", "0111100"},
        {":movefrom $t", "1010100"},
        {":moveto $u", "0000100"},
    };
    ScanState& state = stateWith({{"t", "P"}, {"u", "p"}});
    for (const Case& c : cases) {
        positionFilter* f = parsePosition(c.words, state);
        f->prepare();
        forEachGame(kPromotions, [&](Game& game) {
            MarkBoard* marks = state.marks();
            marks->createNewGame(&game);
            state.tags.findTag("t")->mark = 2;
            state.tags.findTag("u")->mark = 0;
            std::string got;
            for (;;) {
                got += f->matchCurrentPosition(&game, state) ? '1' : '0';
                if (game.AtVarEnd()) break;
                marks->MoveForward();
            }
            EXPECT_EQ(got, c.plies) << c.words;
        });
    }
}

// The designator of :tagmatch is transformed with its list, the tag never.
TEST(TaggedDesignators, Transforms) {
    ScanState& state = stateWith({{"t", "U"}});
    struct Case {
        const char* words;
        int variants;
        // The squares of the last variant's :tagmatch designator.
        SquareSet last;
    } cases[] = {
        // Nh1 cannot go right: its seven shifts to the left remain.
        {":tagmatch t Nh1 :horizontalshift", 8, square_Bit(G1) | square_Bit(H1)},
        {":tagmatch t Qa8 :flipcolor", 2, square_Bit(A1)},
        {":tagmatch t Kd4 :flip", 8, square_Bit(E5)},
    };
    for (const Case& c : cases) {
        positionFilterList* list = owned(parsePosition(c.words, state)->expand());
        ASSERT_EQ(list->nfilters(), c.variants) << c.words;
        for (int i = 0; i < list->nfilters(); i++) {
            positionFilter* member = list->getPositionFilter(i);
            ASSERT_EQ(member->tagFilters.size(), 1u);
            EXPECT_EQ(member->tagFilters[0]->tag, state.tags.findTag("t"));
        }
        const positionFilter* last = list->getPositionFilter(c.variants - 1);
        EXPECT_EQ(last->tagFilters[0]->pieceloc->squaremask, c.last) << c.words;
    }
    // The colour swap turns the piece kinds, and a tagged designator has none.
    positionFilterList* list = owned(parsePosition("$t[a1,b2] :flipcolor", state)->expand());
    const pieceLoc* swapped = list->getPositionFilter(1)->pieces[0];
    EXPECT_EQ(swapped->tag, state.tags.findTag("t"));
    EXPECT_EQ(swapped->npieces, 0);
    EXPECT_EQ(swapped->squaremask, square_Bit(A8) | square_Bit(B7));
}

struct Cursor {
    GameCursor game;
    MarkBoard::Marks marks;
    int depth;
    bool operator==(const Cursor&) const = default;
};

Cursor cursorOf(Game& game, const MarkBoard& marks) {
    return {cursorOf(game), marks.squares_to_marks, marks.depth()};
}

// Sequences and move searches at every position of real games with
// variations leave game and marks where they were; every list walk ends with
// the marks at the game's position.
TEST(TaggedWalks, LeaveGameAndMarksTogether) {
    ScanState& state = stateWith({{"a", "A"}, {"b", "a"}});
    const char* lists[] = {
        ":sequence ((position $a) (position :check) (position $b)) :variations",
        ":gappedsequence ((position :tagmatch a ??4) (position :tagmatch b ??5)) :variations",
        ":movefrom $a :moveto $b :variations",
        ":gappedsequence ((position :check) (position :moveto $a)) :variationsonly :markall",
    };
    std::string text = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn") +
                       readFile(fixturePath("pgn/nested_variations.pgn"));
    int tested = 0, matched = 0;
    for (const char* words : lists) {
        positionFilterList* list = owned(parsePosition(words, state)->expand());
        positionFilter* owner = list->getPositionFilter(0);
        MarkBoard* marks = state.marks();
        forEachGame(text, [&](Game& game) {
            marks->createNewGame(&game);
            // The king's mark for a, whatever black piece stands first for b.
            state.tags.getTag(0)->mark = 4;
            state.tags.getTag(1)->mark = marks->nmarkers - 1;
            std::function<void()> line = [&] {
                for (;;) {
                    Cursor before = cursorOf(game, *marks);
                    tested++;
                    matched += owner->matchCurrentPosition(&game, state);
                    ASSERT_EQ(cursorOf(game, *marks), before) << words;
                    for (uint32_t i = 0; i < game.GetNumVariations(); i++) {
                        marks->MoveIntoVariation(i);
                        line();
                        marks->MoveExitVariation();
                    }
                    if (game.AtVarEnd()) return;
                    marks->MoveForward();
                }
            };
            line();
            game.MoveToPly(0);
            marks->initialize(&game);
            list->match(&game, state);
            EXPECT_TRUE(marks->consistent());
            EXPECT_EQ(marks->depth(), int(game.GetCurrentPly()));
            EXPECT_EQ(game.GetVarLevel(), 0u);
        });
    }
    EXPECT_GT(tested, 5000);
    EXPECT_GT(matched, 0);
}

}  // namespace
