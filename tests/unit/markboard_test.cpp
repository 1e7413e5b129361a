// The board of marks: pieces numbered in square order, marks that follow
// captures, castling, en passant and promotion, the piece masks of the whole
// game tree, variations entered and left, and walks over real games in which
// no mark ever parts from its piece; the saved state.
#include "filter/markboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/game.h"
#include "pgn_test_support.h"
#include "position_state.h"
#include "query/util.h"
#include "test_paths.h"

namespace {

int square(const char* name) {
    return (name[1] - '1') * 8 + (name[0] - 'a');
}

const char kPromotionSetup[] = "[SetUp \"1\"]\n[FEN \"8/P6k/8/8/8/8/1p4K1/8 w - - 0 1\"]\n\n";

TEST(MarkBoard, MarksFollowThePieces) {
    struct Case {
        const char* pgn;
        int plies;
        int markers;
        // "square=mark" for each square to check ("-": empty), then the marks
        // that must be nowhere on the board.
        const char* squares;
        std::vector<int> gone;
        const char* setup = "";
    } cases[] = {
        {"1. e4 *", 0, 32, "a1=0 e1=4 h1=7 a2=8 h2=15 a7=16 e8=28 h8=31 e4=-", {}},
        {"1. e4 *", 1, 32, "e4=12 e2=-", {}},
        {"1. e4 d5 2. exd5 *", 3, 32, "d5=12 e4=-", {19}},
        {"1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O *", 7, 32, "g1=4 f1=7 e1=- h1=-", {}},
        {"1. d4 d5 2. Nc3 Nc6 3. Bf4 Bf5 4. Qd2 Qd7 5. O-O-O O-O-O *",
         10,
         32,
         "c1=4 d1=0 a1=- e1=- c8=28 d8=24 a8=-",
         {}},
        {"1. e4 e5 2. Nf3 Nf6 3. Bc4 Be7 4. d3 O-O *", 8, 32, "g8=28 f8=31 h8=-", {}},
        {"1. e4 Nf6 2. e5 d5 3. exd6 *", 5, 32, "d6=12 d5=- e5=-", {19}},
        {"1. Nf3 d5 2. Nc3 d4 3. e4 dxe3 *", 6, 32, "e3=19 d4=- e4=-", {12}},
        // A promoted pawn keeps its mark.
        {"1. a8=Q b1=N *", 2, 4, "a8=2 b1=0 a7=-", {}, kPromotionSetup},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pgn);
        forEachGame(std::string("[Event \"m\"]\n") + c.setup + c.pgn + "\n", [&](Game& game) {
            MarkBoard board;
            board.createNewGame(&game);
            EXPECT_EQ(board.nmarkers, c.markers);
            for (int i = 0; i < c.plies; i++) board.MoveForward();
            EXPECT_TRUE(board.consistent());
            EXPECT_EQ(board.depth(), c.plies);
            std::istringstream checks(c.squares);
            for (std::string check; checks >> check;) {
                int mark = check[3] == '-' ? -1 : std::stoi(check.substr(3));
                EXPECT_EQ(board.squares_to_marks[square(check.c_str())], mark) << check;
            }
            for (int mark : c.gone) EXPECT_EQ(board.squareOf(mark), -1) << mark;
            // And back to the start, every move taken back.
            for (int i = 0; i < c.plies; i++) board.MoveBackup();
            MarkBoard fresh;
            fresh.initialize(&game);
            EXPECT_EQ(board.squares_to_marks, fresh.squares_to_marks);
        });
    }
}

TEST(MarkBoard, PieceMasksCoverEveryLine) {
    const uint32_t pawn = 1u << WP, queen = 1u << WQ, rook = 1u << WR;
    struct Case {
        const char* setup;
        const char* pgn;
        int mark;
        uint32_t mask;
    } cases[] = {
        // The promotion stands in a variation only.
        {kPromotionSetup, "1. Kf3 (1. a8=Q Kg6) Kg6 *", 2, pawn | queen},
        // Promotions of one pawn to different pieces, in three lines.
        {kPromotionSetup, "1. a8=R (1. a8=Q) (1. Kf2 Kg6 2. a8=Q) Kg6 *", 2, pawn | queen | rook},
        {"", "1. e4 *", 28, 1u << BK},
    };
    for (const Case& c : cases) {
        forEachGame(std::string("[Event \"m\"]\n") + c.setup + c.pgn + "\n", [&](Game& game) {
            MarkBoard board;
            board.createNewGame(&game);
            EXPECT_EQ(board.piecemasks[c.mark], c.mask) << c.pgn;
            // The numbering walk ends where it began.
            EXPECT_EQ(game.GetCurrentPly(), 0u);
            EXPECT_EQ(game.GetVarLevel(), 0u);
            EXPECT_EQ(board.depth(), 0);
        });
    }
}

// Walks every position of the game tree through the board of marks and
// checks, at each one, the board against the game: every occupied square
// marked once, each mark on a piece of its own colour and of a kind its mask
// holds, the stack as deep as the line. Leaving a variation must bring back
// the marks it was entered with. Returns the positions visited.
int walkAndCheck(Game& game, MarkBoard& board) {
    board.createNewGame(&game);
    colorT colour[64];
    const pieceT* start = game.GetCurrentPos()->GetBoard();
    for (int sq = 0; sq < 64; sq++)
        if (board.squares_to_marks[sq] >= 0)
            colour[board.squares_to_marks[sq]] = piece_Color(start[sq]);
    int visited = 0;
    auto check = [&] {
        visited++;
        ASSERT_TRUE(board.consistent());
        ASSERT_EQ(board.depth(), int(game.GetCurrentPly()));
        const pieceT* pieces = game.GetCurrentPos()->GetBoard();
        for (int sq = 0; sq < 64; sq++) {
            int mark = board.squares_to_marks[sq];
            if (mark < 0) continue;
            ASSERT_EQ(piece_Color(pieces[sq]), colour[mark]) << sq;
            ASSERT_NE(board.piecemasks[mark] & (1u << pieces[sq]), 0u) << sq;
        }
    };
    std::function<void()> line = [&] {
        for (;;) {
            check();
            for (uint32_t i = 0; i < game.GetNumVariations(); i++) {
                MarkBoard::Marks before = board.squares_to_marks;
                int depth = board.depth();
                board.MoveIntoVariation(i);
                line();
                board.MoveExitVariation();
                ASSERT_EQ(board.squares_to_marks, before);
                ASSERT_EQ(board.depth(), depth);
            }
            if (game.AtVarEnd()) return;
            board.MoveForward();
        }
    };
    line();
    return visited;
}

TEST(MarkBoard, WalksOverRealGamesKeepEveryMarkOnItsPiece) {
    std::string sample = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    std::string nested = readFile(fixturePath("pgn/nested_variations.pgn"));
    std::string classics = dataPath("dev/classics.pgn");
    std::string real = classics.empty() ? "" : readFile(classics);
    if (kSlowBuild) real = real.substr(0, 300000);
    std::string text = sample + "\n" + nested + "\n" + real;
    MarkBoard board;
    int games = 0, positions = 0;
    forEachGame(text, [&](Game& game) {
        games++;
        positions += walkAndCheck(game, board);
    });
    EXPECT_GE(games, 33);
    // The sample games alone have over 1,700 positions, variations included.
    EXPECT_GT(positions, 1700);
}

// SaveState and RestoreState bring back marks, stack and game, whatever was
// walked in between; they print only with the debug flag, since a result
// written to standard output must not be mixed with debugging text.
TEST(MarkBoard, SavedStateComesBackSilently) {
    forEachGame(readFile(fixturePath("pgn/nested_variations.pgn")), [&](Game& game) {
        MarkBoard board;
        board.createNewGame(&game);
        board.MoveForward();
        board.MoveForward();
        MarkBoard::Marks marks = board.squares_to_marks;
        PositionState pos(*game.GetCurrentPos());
        testing::internal::CaptureStdout();
        board.SaveState();
        board.MoveIntoVariation(0);
        board.MoveForward();
        board.MoveForward();
        board.RestoreState();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(board.squares_to_marks, marks);
        EXPECT_EQ(board.depth(), 2);
        EXPECT_EQ(PositionState(*game.GetCurrentPos()), pos);
        // Both moves taken back through the restored stack.
        board.MoveBackup();
        board.MoveBackup();
        MarkBoard fresh;
        fresh.initialize(&game);
        EXPECT_EQ(board.squares_to_marks, fresh.squares_to_marks);

        board.debug = true;
        testing::internal::CaptureStdout();
        board.SaveState();
        board.RestoreState();
        std::string out = testing::internal::GetCapturedStdout();
        board.debug = false;
        EXPECT_EQ(out.rfind("saveState called at markboard: printing marked board: \n", 0), 0u);
    });
}

}  // namespace
