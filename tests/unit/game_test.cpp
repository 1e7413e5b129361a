// The game record: building the move tree, the cursor and its navigation,
// tags, comments, NAGs and saved states.
#include "core/game.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "pgn_test_support.h"
#include "test_paths.h"

namespace {

tokenT tokenOf(const char* san) {
    if (strcmp(san, "O-O") == 0) return TOKEN_Move_Castle_King;
    if (strcmp(san, "O-O-O") == 0) return TOKEN_Move_Castle_Queen;
    if (strchr(san, '=') != nullptr) return TOKEN_Move_Promote;
    return san[0] >= 'a' && san[0] <= 'h' ? TOKEN_Move_Pawn : TOKEN_Move_Piece;
}

// Appends the moves (SAN, separated by spaces) at the cursor.
void play(Game& g, const std::string& moves) {
    size_t pos = 0;
    while (pos < moves.size()) {
        size_t end = moves.find(' ', pos);
        if (end == std::string::npos) end = moves.size();
        std::string san = moves.substr(pos, end - pos);
        pos = end + 1;
        simpleMoveT sm;
        ASSERT_EQ(g.GetCurrentPos()->ReadMove(&sm, san.c_str(), tokenOf(san.c_str())), OK) << san;
        ASSERT_EQ(g.AddMove(&sm, san.c_str()), OK);
    }
}

std::string fen(const Game& g) {
    char buf[100];
    g.GetCurrentPos()->PrintFEN(buf, FEN_ALL_FIELDS);
    return buf;
}

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Every position of the game, depth first, the way the match loop walks it.
int countPositions(Game& g) {
    int n = 1;
    for (uint32_t i = 0; i < g.GetNumVariations(); ++i) {
        EXPECT_EQ(g.MoveIntoVariation(i), OK);
        n += countPositions(g) - 1;
        EXPECT_EQ(g.MoveExitVariation(), OK);
    }
    if (g.AtVarEnd()) return n;
    g.MoveForward();
    return n + countPositions(g);
}

// Every field of a position that a move changes, list order included.
std::string fullState(const Position& p) {
    char buf[100];
    p.PrintFEN(buf, FEN_ALL_FIELDS);
    std::string s = buf;
    for (colorT c : {WHITE, BLACK}) {
        s += " |";
        for (uint32_t i = 0; i < p.GetCount(c); ++i) s += " " + std::to_string(p.GetList(c)[i]);
    }
    s += " |";
    for (pieceT code = 0; code < 16; ++code)
        s += " " + std::to_string(p.GetMaterial()[code]) + ":" +
             std::to_string(code == EMPTY ? 0 : p.GetPieceSet(code));
    return s;
}

// Steps forward through every line of the tree and compares each position
// with the one DoSimpleMove makes from the position before; returns the
// number of moves compared.
int compareReplays(Game& g, const std::string& where) {
    int n = 0;
    Position made;
    for (uint32_t i = 0; i < g.GetNumVariations(); ++i) {
        EXPECT_EQ(g.MoveIntoVariation(i), OK);
        n += compareReplays(g, where);
        EXPECT_EQ(g.MoveExitVariation(), OK);
    }
    if (g.AtVarEnd()) return n;
    made.CopyFrom(*g.GetCurrentPos());
    simpleMoveT sm = g.GetCurrentMove()->moveData;
    made.DoSimpleMove(&sm);
    const std::string san = g.GetCurrentMove()->san;
    g.MoveForward();
    EXPECT_EQ(fullState(*g.GetCurrentPos()), fullState(made)) << where << " after " << san;
    EXPECT_TRUE(g.GetCurrentPos()->IsConsistent()) << where << " after " << san;
    return n + 1 + compareReplays(g, where);
}

}  // namespace

TEST(Game, StepsForwardToExactlyThePositionsTheMovesWereMadeIn) {
    // Castling both ways, rights lost to moves and to captures on the
    // corners, en passant (taken, declined, and a double step with no pawn
    // beside it), promotions with and without capture, a null move, a
    // position from FEN, variations nested and side by side; rooks standing
    // on the other side's corners, whose rights they do not touch.
    const std::string pgn = R"([White "a"]

1. e4 Nf6 2. e5 d5 3. exd6 c5 (3... e5 4. dxc7 (4. d4 exd4 5. c4 dxc3) 4... Bb4)
4. dxe7 Nc6 5. exf8=Q+ Kxf8 6. Nf3 a6 7. Be2 -- 8. O-O Qa5 9. d4 cxd4 10. c4 dxc3 *

[White "b"]
[FEN "r3k2r/1P4P1/8/3pP3/8/8/6p1/R3K2R w KQkq d6 0 20"]

20. exd6 (20. bxa8=N gxh1=Q+ 21. Kd2 Qxa1) (20. O-O-O gxh1=R 21. gxh8=B) 20... Rxa1+
21. Kd2 Raxh1 22. gxh8=Q+ Kd7 23. b8=N+ *

[White "c"]
[FEN "Rn2k2r/8/8/8/8/8/8/rN2K2R w Kkq - 0 1"]

1. Ra7 (1. Rxa1) 1... Rxb1+ (1... O-O 2. Ra8) 2. Kd2 *
)";
    int compared = 0;
    forEachGame(pgn, [&](Game& g) { compared += compareReplays(g, g.GetWhiteStr()); });
    EXPECT_EQ(compared, 41 + 6);

    // Real games, main lines and variations.
    for (const char* name : {"dev/repertoire.pgn", "dev/online-lichess.pgn"}) {
        std::string path = dataPath(name);
        if (path.empty()) continue;
        compared = 0;
        forEachGame(readFile(path), [&](Game& g) { compared += compareReplays(g, name); });
        EXPECT_GT(compared, 1000) << name;
    }
}

TEST(Game, NewGameIsEmpty) {
    Game g;
    EXPECT_TRUE(g.AtStart());
    EXPECT_TRUE(g.AtVarStart());
    EXPECT_TRUE(g.AtVarEnd());
    EXPECT_EQ(g.GetCurrentMove(), nullptr);
    EXPECT_EQ(g.MoveForward(), ERROR_EndOfMoveList);
    EXPECT_EQ(g.MoveBackup(), ERROR_StartOfMoveList);
    EXPECT_EQ(g.MoveExitVariation(), ERROR_NoVariation);
    EXPECT_EQ(g.MoveIntoVariation(0), ERROR_EndOfMoveList);
    EXPECT_EQ(g.AddVariation(), ERROR_StartOfMoveList);
    EXPECT_EQ(g.RestoreState(), ERROR);
    EXPECT_EQ(fen(g), START_FEN);
    EXPECT_STREQ(g.GetWhiteStr(), "?");
    EXPECT_STREQ(g.GetEventStr(), "?");
    EXPECT_EQ(g.GetResult(), RESULT_None);
    EXPECT_EQ(g.GetNumber(), 0u);
    EXPECT_EQ(g.GetPgnStyle(), 7u);
    EXPECT_TRUE(g.IsPlainFormat());
    EXPECT_EQ(g.GetStartPos(), nullptr);
}

TEST(Game, VariationNavigation) {
    // 1.e4 (1.d4 d5) e5
    Game g;
    play(g, "e4");
    ASSERT_EQ(g.AddVariation(), OK);
    EXPECT_EQ(g.GetVarLevel(), 1u);
    EXPECT_EQ(g.GetCurrentPly(), 0u);
    play(g, "d4 d5");
    ASSERT_EQ(g.MoveExitVariation(), OK);
    ASSERT_EQ(g.MoveForward(), OK);
    play(g, "e5");

    g.MoveToPly(0);
    ASSERT_NE(g.GetCurrentMove(), nullptr);
    EXPECT_STREQ(g.GetCurrentMove()->san, "e4");
    EXPECT_EQ(g.GetNumVariations(), 1u);
    EXPECT_EQ(g.MoveIntoVariation(1), ERROR_NoVariation);
    ASSERT_EQ(g.MoveIntoVariation(0), OK);
    EXPECT_EQ(fen(g), START_FEN);
    EXPECT_STREQ(g.GetCurrentMove()->san, "d4");
    EXPECT_TRUE(g.AtVarStart());
    EXPECT_FALSE(g.AtStart());
    EXPECT_EQ(g.MoveForward(), OK);
    EXPECT_EQ(g.MoveForward(), OK);
    EXPECT_TRUE(g.AtVarEnd());
    EXPECT_EQ(g.MoveForward(), ERROR_EndOfMoveList);
    EXPECT_EQ(g.GetCurrentPly(), 2u);
    ASSERT_EQ(g.MoveExitVariation(), OK);
    EXPECT_EQ(g.GetVarLevel(), 0u);
    EXPECT_EQ(g.GetCurrentPly(), 0u);
    EXPECT_STREQ(g.GetCurrentMove()->san, "e4");
    EXPECT_EQ(fen(g), START_FEN);
    EXPECT_TRUE(g.AtStart());

    g.MoveToPly(0);
    EXPECT_EQ(countPositions(g), 5);  // start, e4, e5, d4, d5
}

TEST(Game, MoveToPlyStopsAtTheEnd) {
    Game g;
    play(g, "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7");
    const std::string end = fen(g);
    g.MoveToPly(100);
    EXPECT_EQ(g.GetCurrentPly(), 10u);
    EXPECT_EQ(fen(g), end);
    g.MoveToPly(3);
    EXPECT_EQ(g.GetCurrentPly(), 3u);
    EXPECT_STREQ(g.GetCurrentMove()->san, "Nc6");
    EXPECT_EQ(g.MoveBackup(), OK);
    EXPECT_STREQ(g.GetCurrentMove()->san, "Nf3");
    EXPECT_EQ(g.GetCurrentPly(), 2u);
}

TEST(Game, SaveAndRestoreTheCursor) {
    Game g;
    play(g, "e4 e5 Nf3");
    g.MoveToPly(1);
    g.SaveState();
    const std::string saved = fen(g);
    g.MoveToPly(3);
    ASSERT_EQ(g.RestoreState(), OK);
    EXPECT_EQ(fen(g), saved);
    EXPECT_EQ(g.GetCurrentPly(), 1u);
    EXPECT_STREQ(g.GetCurrentMove()->san, "e5");
    g.MoveForward();
    ASSERT_EQ(g.RestoreState(), OK);  // may be repeated
    EXPECT_EQ(fen(g), saved);
    g.Clear();
    EXPECT_EQ(g.RestoreState(), ERROR);
}

TEST(Game, StartFromFen) {
    Game g;
    play(g, "e4");
    EXPECT_EQ(g.SetStartFen("not a position"), ERROR_InvalidFEN);
    EXPECT_FALSE(g.HasNonStandardStart());
    EXPECT_EQ(g.GetCurrentPly(), 1u);  // unchanged, moves kept

    const char* fenText = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    ASSERT_EQ(g.SetStartFen(fenText), OK);
    EXPECT_TRUE(g.HasNonStandardStart());
    EXPECT_TRUE(g.AtVarEnd());
    EXPECT_TRUE(g.AtStart());
    EXPECT_EQ(fen(g), fenText);
    play(g, "e4 Kd7");
    g.MoveToPly(0);
    EXPECT_EQ(fen(g), fenText);
    ASSERT_NE(g.GetStartPos(), nullptr);
    EXPECT_EQ(g.SetStartFen("8/8/8/8/8/8/8/8 w - - 0 1"), ERROR_InvalidFEN);
    g.MoveToPly(0);
    EXPECT_EQ(fen(g), fenText);

    g.ClearMoves();
    EXPECT_FALSE(g.HasNonStandardStart());
    EXPECT_EQ(fen(g), START_FEN);
}

TEST(Game, NagsAndComments) {
    Game g;
    g.SetMoveComment("before the game");
    play(g, "e4");
    for (byte nag = 1; nag <= 8; ++nag) {
        EXPECT_EQ(g.AddNag(nag), nag <= 7 ? OK : ERROR_GameFull);
    }
    EXPECT_EQ(g.AddNag(0), OK);
    g.SetMoveComment("first");
    g.SetMoveComment("second");
    EXPECT_STREQ(g.GetMoveComment(), "second");
    g.MoveToPly(0);
    EXPECT_STREQ(g.GetMoveComment(), "before the game");
    moveT* m = g.GetCurrentMove();
    ASSERT_EQ(m->nagCount, 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(m->nags[i], i + 1);
    EXPECT_EQ(m->nags[7], 0);
    EXPECT_STREQ(m->comment, "second");
    g.MoveForward();
    g.SetMoveComment(nullptr);
    EXPECT_EQ(g.GetMoveComment(), nullptr);
}

TEST(Game, AddingInTheMiddleCutsTheLine) {
    Game g;
    play(g, "e4 e5 Nf3");
    g.MoveToPly(1);
    ASSERT_EQ(g.MoveForward(), OK);  // after e5
    ASSERT_EQ(g.AddVariation(), OK);
    play(g, "c5 Nf3 d6");
    g.MoveExitVariation();
    // The cursor is on e5; adding here replaces e5, its variation and Nf3.
    play(g, "e6 d4");
    g.MoveToPly(0);
    EXPECT_EQ(countPositions(g), 4);
    g.MoveToPly(1);
    EXPECT_STREQ(g.GetCurrentMove()->san, "e6");
    EXPECT_EQ(g.GetNumVariations(), 0u);
    // The dropped nodes are reused for the next moves.
    g.MoveToPly(3);
    play(g, "Nf6 e5 Nd5 c4 Nb6");
    EXPECT_EQ(g.GetCurrentPly(), 8u);
    g.MoveToPly(0);
    EXPECT_EQ(countPositions(g), 9);
}

TEST(Game, TagsAndClear) {
    Game g;
    g.SetWhiteStr("White player");
    g.SetWhiteStr("Other");
    g.SetEventStr("Event");
    g.SetResult(RESULT_Draw);
    g.SetWhiteElo(2400);
    g.SetBrelFlags("0123456789abcdefXYZ");
    EXPECT_STREQ(g.GetBrelFlags(), "0123456789abcde");
    EXPECT_STREQ(g.GetWhiteStr(), "Other");
    EXPECT_EQ(g.AddPgnTag("Annotator", "me"), OK);
    EXPECT_EQ(g.AddPgnTag("Annotator", "you"), OK);
    EXPECT_EQ(g.GetNumExtraTags(), 1u);
    EXPECT_STREQ(g.GetExtraTags()[0].value, "you");
    for (uint32_t i = 1; i < MAX_TAGS; ++i) {
        char name[16];
        snprintf(name, sizeof name, "T%u", i);
        EXPECT_EQ(g.AddPgnTag(name, "v"), OK);
    }
    EXPECT_EQ(g.AddPgnTag("OneTooMany", "v"), ERROR_GameFull);
    EXPECT_EQ(g.AddPgnTag("T5", "replaced"), OK);
    EXPECT_EQ(g.GetNumExtraTags(), MAX_TAGS);
    EXPECT_EQ(g.AddPgnTag(std::string(300, 'L').c_str(), "v"), ERROR_GameFull);
    play(g, "d4 d5");
    g.SetNumber(12);

    g.Clear();
    EXPECT_EQ(g.GetNumber(), 0u);
    EXPECT_STREQ(g.GetWhiteStr(), "?");
    EXPECT_STREQ(g.GetEventStr(), "?");
    EXPECT_EQ(g.GetResult(), RESULT_None);
    EXPECT_EQ(g.GetWhiteElo(), 0);
    EXPECT_STREQ(g.GetBrelFlags(), "");
    EXPECT_EQ(g.GetNumExtraTags(), 0u);
    EXPECT_TRUE(g.AtVarEnd());
    EXPECT_EQ(fen(g), START_FEN);

    g.AddPgnTag(std::string(300, 'L').c_str(), "v");
    EXPECT_EQ(strlen(g.GetExtraTags()[0].tag), MAX_TAG_LEN);
}

// Header texts keep their storage from game to game: every text reads as
// last set, whether it grew or shrank, and a cleared game shows none of the
// previous one's.
TEST(Game, HeaderTextsReusedFromGameToGame) {
    Game g;
    const std::string longValue(500, 'v');
    for (int round = 0; round < 3; ++round) {
        g.Clear();
        EXPECT_STREQ(g.GetWhiteStr(), "?");
        EXPECT_EQ(g.GetNumExtraTags(), 0u);
        const std::string n = std::to_string(round);
        g.SetWhiteStr(round == 1 ? longValue.c_str() : n.c_str());
        g.SetEventStr(g.GetWhiteStr());
        EXPECT_EQ(g.AddPgnTag("Annotator", "x"), OK);
        EXPECT_EQ(g.AddPgnTag(("Tag" + n).c_str(), "short"), OK);
        EXPECT_EQ(g.AddPgnTag(("Tag" + n).c_str(), longValue.c_str()), OK);
        EXPECT_EQ(g.AddPgnTag("Annotator", n.c_str()), OK);
        ASSERT_EQ(g.GetNumExtraTags(), 2u);
        EXPECT_STREQ(g.GetExtraTags()[0].tag, "Annotator");
        EXPECT_STREQ(g.GetExtraTags()[0].value, n.c_str());
        EXPECT_STREQ(g.GetExtraTags()[1].tag, ("Tag" + n).c_str());
        EXPECT_EQ(g.GetExtraTags()[1].value, longValue);
        EXPECT_STREQ(g.GetEventStr(), g.GetWhiteStr());
        EXPECT_EQ(g.GetWhiteStr(), round == 1 ? longValue : n);
    }
}

TEST(Game, LongGamesAndManyGamesReuseTheRecord) {
    Game g;
    for (int round = 0; round < 3; ++round) {
        g.Clear();
        // Knights back and forth: 1000 plies, ten move chunks.
        for (int i = 0; i < 250; ++i) play(g, "Nf3 Nf6 Ng1 Ng8");
        EXPECT_EQ(g.GetCurrentPly(), 1000u);
        EXPECT_EQ(fen(g), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 1000 501");
        g.MoveToPly(999);
        EXPECT_STREQ(g.GetCurrentMove()->san, "Ng8");
    }
}

TEST(GameNags, ParseTextsAndNumbers) {
    const std::pair<const char*, byte> cases[] = {
        {"$14", 14}, {"$300", 44}, {"$", 0},    {"7", 7},   {"!", 1},    {"?", 2},
        {"!!", 3},   {"??", 4},    {"!?", 5},   {"?!", 6},  {"=", 10},   {"~", 13},
        {"~=", 13},  {"+=", 14},   {"+/=", 14}, {"=+", 15}, {"=/+", 15}, {"+/-", 16},
        {"-/+", 17}, {"+-", 18},   {"-+", 19},  {"N", 146}, {"D", 201},  {"!!!", 0},
        {"==", 0},   {"-", 0},     {"+", 0},    {"x", 0},   {"+-+", 18}, {"", 0}};
    for (const auto& [text, nag] : cases) EXPECT_EQ(game_parseNag(text), nag) << text;
    EXPECT_STREQ(ratingTypeNames[RATING_USCF], "USCF");
}
