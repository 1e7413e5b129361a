// Relations searched in process: what the filter finds and marks against a
// plain reading of the rules (boards compared square by square, the game
// walked move by move), at every position of games with variations; the game
// left where it was; and the relation carried along when its list is copied,
// mirrored and shifted.
#include "filter/pairpositionfilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "filter/piececomputefilter.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "filter/scanstate.h"
#include "game_cursor.h"
#include "owned.h"
#include "position_query.h"
#include "position_state.h"
#include "query/util.h"
#include "refusal.h"
#include "test_paths.h"

namespace {

using Board = std::array<pieceT, 66>;

// The board moved dx files and dy ranks; pieces pushed off it are lost.
Board shifted(const Board& board, int dx, int dy) {
    Board out = board;
    std::fill(out.begin(), out.begin() + 64, EMPTY);
    for (int sq = 0; sq < 64; sq++) {
        int to = util::squareShift(sq, dx, dy);
        if (board[sq] != EMPTY && to >= 0) out[to] = board[sq];
    }
    return out;
}

Board flipped(const Board& board, char code) {
    Board out = board;
    for (int sq = 0; sq < 64; sq++) out[sq] = board[util::makeFlip(sq, code)];
    return out;
}

int occupied(const Board& board) {
    return int(64 - std::count(board.begin(), board.begin() + 64, EMPTY));
}
using Finds = std::set<const moveT*>;

// The relation as its rules state it: every transformed board of the source
// compared with every position of a walk over the whole game.
class Reference {
  public:
    explicit Reference(const PairPositionFilter* f) : f(f) {}

    Finds run(Game* game) {
        initialize(game);
        Finds finds;
        game->SaveState();
        game->MoveToPly(0);
        findMatches(game, true, finds);
        game->RestoreState();
        return finds;
    }

  private:
    void initialize(Game* game) {
        const Position* pos = game->GetCurrentPos();
        saved = game->myCursor();
        tomove = pos->GetToMove();
        Board source, mask;
        std::copy(pos->GetBoard(), pos->GetBoard() + 66, source.begin());
        mask = source;
        for (int sq = 0; sq < 64; sq++) {
            mask[sq] = EMPTY;
            for (const pieceLoc* loc : f->pieces)
                if (loc->matchSquare(source.data(), sq)) mask[sq] = 1;
        }
        boards = {source};
        masks = {mask};
        for (int dy = -7; f->allowshifts && dy <= 7; dy++) {
            for (int dx = -7; dx <= 7; dx++) {
                if (dx == 0 && dy == 0) continue;
                Board b, m;
                b = shifted(source, dx, dy);
                m = shifted(mask, dx, dy);
                boards.push_back(b);
                masks.push_back(m);
            }
        }
        // H; V; V of H; D; H of D; V of D; V of H of D.
        const std::vector<std::string> images = {"H", "V", "HV", "D", "DH", "DV", "DHV"};
        for (size_t i = 0, n = boards.size(); f->allowflips && i < n; i++) {
            for (const std::string& image : images) {
                Board b = boards[i], m = masks[i];
                for (char code : image) {
                    b = flipped(b, code);
                    m = flipped(m, code);
                }
                boards.push_back(b);
                masks.push_back(m);
            }
        }
    }

    bool considered(size_t i, int sq) const { return f->pieces.empty() || masks[i][sq] == 1; }

    bool boardequalcheck(size_t i, const pieceT* candidate) const {
        const pieceComputeFilter* miss = f->missingpiececountfilter;
        const pieceComputeFilter* added = f->newpiececountfilter;
        const Board& pieces0 = f->pieces.empty() ? boards[0] : masks[0];
        const Board& piecesI = f->pieces.empty() ? boards[i] : masks[i];
        int lost = occupied(pieces0) - occupied(piecesI);
        if (lost > 0 && (miss == nullptr || lost > miss->max)) return false;
        int missing = lost, extra = 0;
        for (int sq = 0; sq < 64; sq++) {
            if (!considered(i, sq) || boards[i][sq] == candidate[sq]) continue;
            if (boards[i][sq] == EMPTY) {
                if (added == nullptr || !added->pieceloc->matchSquare(candidate, sq) ||
                    ++extra > added->max)
                    return false;
            } else {
                if (candidate[sq] != EMPTY || miss == nullptr ||
                    !miss->pieceloc->matchSquare(boards[i].data(), sq) || ++missing > miss->max)
                    return false;
            }
        }
        return (miss == nullptr || missing >= miss->min) &&
               (added == nullptr || extra >= added->min);
    }

    bool originalCheck(const pieceT* candidate) const {
        int min = f->noriginaldifferencesmin, max = f->noriginaldifferencesmax;
        if (!(min == 0 && max >= 64)) {
            int n = 0;
            for (int sq = 0; sq < 64; sq++)
                if (considered(0, sq) && boards[0][sq] != candidate[sq] && ++n > max) return false;
            if (n < min) return false;
        }
        min = f->noriginalsamesmin, max = f->noriginalsamesmax;
        if (!(min == 0 && max >= 64)) {
            int n = 0;
            for (int sq = 0; sq < 64; sq++)
                if (considered(0, sq) && boards[0][sq] != EMPTY && boards[0][sq] == candidate[sq] &&
                    ++n > max)
                    return false;
            if (n < min) return false;
        }
        return true;
    }

    bool matchPosition(const Position* pos) const {
        if (f->identicalcolor && pos->GetToMove() != tomove) return false;
        if (f->switchcolor && pos->GetToMove() == tomove) return false;
        for (size_t i = 0; i < boards.size(); i++)
            if (boardequalcheck(i, pos->GetBoard()) && originalCheck(pos->GetBoard())) return true;
        return false;
    }

    // Along a line, and into its variations; recursion only per variation.
    void findMatches(Game* game, bool testHere, Finds& finds) {
        for (;; testHere = true) {
            if (testHere && game->myCursor() != saved &&
                (game->GetVarLevel() > 0 || !f->searchVariationsOnly) &&
                matchPosition(game->GetCurrentPos()))
                finds.insert(game->myCursor());
            for (uint32_t v = 0;
                 (f->searchVariations || f->searchVariationsOnly) && v < game->GetNumVariations();
                 v++) {
                game->MoveIntoVariation(v);
                findMatches(game, false, finds);
                game->MoveExitVariation();
            }
            if (game->AtVarEnd()) return;
            game->MoveForward();
        }
    }

    const PairPositionFilter* f;
    moveT* saved = nullptr;
    colorT tomove = WHITE;
    std::vector<Board> boards, masks;
};

// Calls `visit` at every position a walk tests, variations included.
void walk(Game& game, bool testHere, const std::function<void()>& visit) {
    for (;; testHere = true) {
        if (testHere) visit();
        for (uint32_t i = 0; i < game.GetNumVariations(); i++) {
            game.MoveIntoVariation(i);
            walk(game, false, visit);
            game.MoveExitVariation();
        }
        if (game.AtVarEnd()) return;
        game.MoveForward();
    }
}

// Every position a walk tests; the game is back at its start afterwards.
std::vector<moveT*> positionsOf(Game& game) {
    std::vector<moveT*> all;
    walk(game, true, [&] { all.push_back(game.myCursor()); });
    game.MoveToPly(0);
    return all;
}

// The positions whose move carries the relation's mark; every comment is
// removed first by `clear`, so any comment is a mark.
Finds marked(Game& game, const std::vector<moveT*>& all) {
    Finds out;
    for (moveT* at : all) {
        const char* comment = game.myGetMoveComment(at);
        if (comment == nullptr) continue;
        EXPECT_STREQ(comment, "MATCH2");
        out.insert(at);
    }
    return out;
}

void clear(Game& game, const std::vector<moveT*>& all) {
    for (moveT* at : all) game.mySetMoveComment(at, nullptr);
}

struct Query {
    const char* words;
    // Games compared and the positions taken as sources: every one, or every
    // stride-th, where the plain reading is slow.
    int games;
    int stride;
};

// The relation of every query tested at every position of the games, as the
// only test of each walk (so that its marks show what this one test found),
// and then at every position within one walk, where the marks add up.
// Every query finds something in the real games; the sample games alone may
// hold nothing for some.
void compare(const std::string& text, const Query& q, bool expectFinds) {
    SCOPED_TRACE(q.words);
    ScanState state;
    PairPositionFilter* relation = parsePosition(q.words, state)->pairFilter;
    ASSERT_NE(relation, nullptr);
    MFile file;
    file.OpenMemory(text.data(), text.size(), "games");
    PgnParser parser(&file);
    Game game;
    int n = 0, tested = 0, found = 0;
    while (parser.ParseGame(&game) != ERROR_NotFound && n++ < q.games) {
        game.MoveToPly(0);
        std::vector<moveT*> all = positionsOf(game);
        Finds everything;
        int at = 0;
        clear(game, all);
        walk(game, true, [&] {
            if (at++ % q.stride != 0) return;
            GameCursor before = cursorOf(game);
            Finds expected = Reference(relation).run(&game);
            state.walk++;
            clear(game, all);
            bool result = relation->matchCurrentPosition(&game, state);
            EXPECT_TRUE(cursorOf(game) == before) << "game " << n;
            EXPECT_EQ(result, !expected.empty()) << "game " << n << ", position " << at;
            EXPECT_EQ(marked(game, all), expected) << "game " << n << ", position " << at;
            everything.insert(expected.begin(), expected.end());
            tested++;
            found += result;
        });
        clear(game, all);
        state.walk++;
        at = 0;
        game.MoveToPly(0);
        walk(game, true, [&] {
            if (at++ % q.stride == 0) relation->matchCurrentPosition(&game, state);
        });
        EXPECT_EQ(marked(game, all), everything) << "game " << n;
    }
    EXPECT_GT(tested, 0);
    if (expectFinds) {
        EXPECT_GT(found, 0);
    }
}

// The sample games (two with variations, one from a set-up position), and
// the first of the older real games (fewer in slow builds): comments, nested
// variations, studies.
TEST(RelationSearch, FindsAndMarksWhatThePlainRulesFind) {
    std::string path = dataPath("dev/classics.pgn");
    std::string text = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    if (!path.empty()) text += "\n" + readFile(path).substr(0, kSlowBuild ? 60000 : 1000000);
    const int all = 1 << 30;
    const int some = kSlowBuild ? 12 : 150;
    const Query queries[] = {
        {":relation ()", all, 1},
        {":relation (:variations)", all, 1},
        {":relation (:variationsonly :changesidetomove)", all, 1},
        {":relation (:ignoresidetomove :flip :variations)", some, 1},
        {":relation (:shift)", some, 1},
        {":relation (:shift :flip :variations)", some, 11},
        {":relation (:newpiececount ? 1 1)", some, 1},
        {":relation (:missingpiececount [Pp] 1 2 :newpiececount [Nn] 0 1 :ignoresidetomove "
         ":variations)",
         some, 1},
        {":relation (:shift :missingpiececount ? 0 2 :newpiececount ? 0 1)", some / 5, 7},
        {"K k :relation (:pattern :flip :variations)", some, 3},
        {"[Pp] :relation (:pattern :shift :originaldifferentcount 1 64)", some / 5, 7},
        {"[Rr] :relation (:pattern :missingpiececount r 0 1 :shift)", some / 5, 7},
        // As many missing as the pattern has squares: only pushed off.
        {"K k :relation (:pattern :shift :flip :missingpiececount ? 2 52)", some / 5, 7},
        {":relation (:flip :ignoresidetomove :originalsamecount 0 31)", some, 1},
        {":relation (:originaldifferentcount 2 5 :originalsamecount 10 30 :newpiececount ? 0 3 "
         ":missingpiececount ? 0 3)",
         some, 1},
        {":relation (:originaldifferentcount 0 4 :newpiececount ? 0 2 :missingpiececount ? 0 2 "
         ":ignoresidetomove)",
         some, 1},
    };
    // The short slice of slow builds need not give every query a find.
    for (const Query& q : queries) compare(text, q, !path.empty() && !kSlowBuild);
}

// Copies of a list carry copies of its relation, mirrored and shifted with it:
// the pattern keeps standing on the list's own designators.
TEST(RelationSearch, TransformsOfTheListReachTheRelation) {
    ScanState state;
    positionFilter* f = parsePosition(
        "Kb2 pc3 :relation (:pattern :newpiececount Qd-e4-5 1 :missingpiececount "
        "Rh? 0 1) :shift :flip :flipcolor",
        state);
    positionFilterList* list = owned(f->expand());
    ASSERT_GT(list->nfilters(), 100);
    for (int i = 0; i < list->nfilters(); i++) {
        const positionFilter* v = list->getPositionFilter(i);
        const PairPositionFilter* r = v->pairFilter;
        ASSERT_NE(r, nullptr);
        ASSERT_TRUE(i == 0 || r != f->pairFilter);
        ASSERT_EQ(r->pieces.size(), 2u);
        for (int k = 0; k < 2; k++) {
            EXPECT_NE(r->pieces[k], v->pieces[k]);
            EXPECT_EQ(r->pieces[k]->squaremask, v->pieces[k]->squaremask) << i;
            EXPECT_EQ(r->pieces[k]->piecemask, v->pieces[k]->piecemask) << i;
        }
        EXPECT_EQ(r->newpiececountfilter->min, 1);
        EXPECT_EQ(r->missingpiececountfilter->max, 1);
    }
    // The last copy is the colour-swapped one of the last mirror.
    const PairPositionFilter* last = list->getPositionFilter(list->nfilters() - 1)->pairFilter;
    EXPECT_EQ(last->newpiececountfilter->pieceloc->piecemask, 1u << BQ);
}

// A list whose every part covers the whole board is its own shift and mirror
// image: only the colour swap makes a copy. Parts bound to squares, and
// counts per copy, keep every copy.
TEST(RelationSearch, CopiesThatCannotDifferAreNotMade) {
    struct Case {
        const char* words;
        int variants;
    };
    const Case cases[] = {
        {"K :relation (:pattern :shift :flip :missingpiececount ? 5 52) :flip :shift :markall", 1},
        {"K :relation (:pattern :shift :flip :missingpiececount ? 5 52) :flip :shift :flipcolor",
         2},
        {"K :relation (:pattern :missingpiececount Pa? 1 2) :shift", 225},
        {"K :relation (:pattern :newpiececount Kb1 1 2) :shift", 225},
        {"K :relation () :shift :pretransformmatchcount 0 2", 225},
        {"Ka1 :relation () :flip", 8},
        {"K :piececount ? 2 4 :flip", 8},
        {"K :relation () :shift :flip :accumulate cnt", 1800},
    };
    for (const Case& c : cases) {
        ScanState state;
        positionFilter* f = parsePosition(c.words, state);
        positionFilterList* list = owned(f->expand());
        EXPECT_EQ(list->nfilters(), c.variants) << c.words;
    }
}

TEST(RelationSearch, MoreThanAHundredPatternDesignatorsAreRefused) {
    std::vector<pieceLoc*> designators;
    for (int i = 0; i < 101; i++) designators.push_back(pieceLoc::fromString("Ka1"));
    PairPositionFilter relation;
    relation.setPattern(std::vector<pieceLoc*>(designators.begin(), designators.begin() + 100));
    EXPECT_EQ(relation.pieces.size(), 100u);
    PairPositionFilter more;
    EXPECT_EQ(refusal([&] { more.setPattern(designators); }),
              "Error: too many pattern designators for :relation: at most 100\n");
    for (pieceLoc* loc : designators) delete loc;
}

}  // namespace

TEST(RelationSearch, DebugDump) {
    ScanState state;
    PairPositionFilter* r =
        parsePosition(
            "Ke1 :relation (:pattern :changesidetomove :variations :newpiececount Q 1) "
            ":noannotate",
            state)
            ->pairFilter;
    testing::internal::CaptureStdout();
    r->print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "pairposition filter: switchcolor color to move is: 2\n"
              "searchVariations  donotannotate \n pieces:  Ke1 noriginaldifferencesmin: 0 "
              "noriginaldifferencesmax: 64 noriginalsamesmin: 0 noriginalsamesmax: 64 "
              "pairpositionfilter: printing boards: ..pairpositionfilter: printing okboards: ..");

    // After a test, the boards of the last source: here the start of a game.
    Game game;
    state.walk++;
    r->matchCurrentPosition(&game, state);
    testing::internal::CaptureStdout();
    r->print();
    std::string dump = testing::internal::GetCapturedStdout();
    EXPECT_NE(dump.find("color to move is: 0\n"), std::string::npos);
    EXPECT_NE(dump.find("board 0 of 1 in pairpositionfilter: \nSide To move is: \a\n"
                        "   r n b q k b n r \n   p p p p p p p p \n"),
              std::string::npos);
    EXPECT_NE(dump.find("okboard 0 of 1 in pairpositionfilter: \nSide To move is: \a\n"
                        "   - + - + - + - + \n"),
              std::string::npos);
    EXPECT_NE(dump.find("   + - + - K - + - \n"), std::string::npos);
    EXPECT_NE(dump.find("newpiececountfiler 0 of 1 in pairpositionfilter: \n"
                        "pieceComputeFilter: min: 1 max: 1 count: 0 pieceloc:Q<all squares>\n"),
              std::string::npos);
}
