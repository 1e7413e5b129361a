// The PGN tokenizer on its own: characters, lines and the tokens of the three
// parse modes.
#include <gtest/gtest.h>

#include <string>

#include "pgn_test_support.h"

namespace {

const char* tokenName(tokenT t) {
    switch (t) {
        case TOKEN_EndOfInput:
            return "End";
        case TOKEN_Invalid:
            return "Invalid";
        case TOKEN_MoveNum:
            return "Num";
        case TOKEN_Ignore:
            return "Ignore";
        case TOKEN_Move_Pawn:
            return "Pawn";
        case TOKEN_Move_Promote:
            return "Promote";
        case TOKEN_Move_Piece:
            return "Piece";
        case TOKEN_Move_Castle_King:
            return "OO";
        case TOKEN_Move_Castle_Queen:
            return "OOO";
        case TOKEN_Move_Null:
            return "Null";
        case TOKEN_Tag:
            return "Tag";
        case TOKEN_TagEnd:
            return "TagEnd";
        case TOKEN_Result_White:
            return "1-0";
        case TOKEN_Result_Black:
            return "0-1";
        case TOKEN_Result_Draw:
            return "Draw";
        case TOKEN_Result_Star:
            return "Star";
        case TOKEN_Nag:
            return "Nag";
        case TOKEN_Suffix:
            return "Suffix";
        case TOKEN_Check:
            return "Check";
        case TOKEN_Mate:
            return "Mate";
        case TOKEN_Comment:
            return "Comment";
        case TOKEN_LineComment:
            return "Line";
        case TOKEN_VarStart:
            return "(";
        case TOKEN_VarEnd:
            return ")";
        case TOKEN_CommentEnd:
            return "}";
        default:
            return "?";
    }
}

// The tokens of text in the given mode, as "Kind(text) Kind(text) ...".
// After a Tag token in game mode the rest of the line is consumed, as the
// next game would.
std::string tokens(const std::string& text, parseModeT mode = PARSE_Game) {
    PgnReader r(text);
    PgnParser& p = r.parser();
    p.SetParseMode(mode);
    char buf[MAX_COMMENT_SIZE];
    std::string out;
    for (int i = 0; i < 1000; ++i) {
        tokenT t = p.GetNextToken(buf, sizeof buf);
        if (t == TOKEN_EndOfInput) break;
        if (!out.empty()) out += ' ';
        out += tokenName(t);
        out += '(';
        out += buf;
        out += ')';
        if (t == TOKEN_Tag && mode == PARSE_Game) p.GetLine(buf, sizeof buf);
        if (t == TOKEN_TagEnd) p.SetParseMode(PARSE_Game);
    }
    return out;
}

}  // namespace

TEST(PgnChars, PushBackUndoesCountsAndKeepsSixteen) {
    PgnReader r("ab\ncd");
    PgnParser& p = r.parser();
    EXPECT_EQ(p.GetChar(), 'a');
    EXPECT_EQ(p.GetChar(), 'b');
    EXPECT_EQ(p.GetChar(), '\n');
    EXPECT_EQ(p.GetLineNumber(), 1u);
    EXPECT_EQ(p.BytesUsed(), 3u);
    p.UnGetChar('\n');
    EXPECT_EQ(p.GetLineNumber(), 0u);
    EXPECT_EQ(p.BytesUsed(), 2u);
    EXPECT_EQ(p.GetChar(), '\n');

    for (int i = 0; i < 17; ++i) p.UnGetChar('0' + i);  // the 17th is dropped
    for (int i = 15; i >= 0; --i) EXPECT_EQ(p.GetChar(), '0' + i);
    EXPECT_EQ(p.GetChar(), 'c');
    EXPECT_EQ(p.GetChar(), 'd');
    EXPECT_TRUE(p.EndOfInput());
    EXPECT_EQ(p.GetChar(), -1);
    p.UnGetChar(-1);
    EXPECT_EQ(p.GetChar(), -1);
    EXPECT_EQ(p.BytesUsed(), 5u);
}

TEST(PgnChars, LinesEndAtLfCrOrCrLfAndLongLinesStayInTheInput) {
    PgnReader r("one\r\ntwo\rthree\nfour");
    PgnParser& p = r.parser();
    char buf[MAX_COMMENT_SIZE];
    EXPECT_EQ(p.GetLine(buf, sizeof buf), 3u);
    EXPECT_STREQ(buf, "one");
    p.GetLine(buf, sizeof buf);
    EXPECT_STREQ(buf, "two");
    p.GetLine(buf, sizeof buf);
    EXPECT_STREQ(buf, "three");
    p.GetLine(buf, sizeof buf);
    EXPECT_STREQ(buf, "four");
    EXPECT_TRUE(p.EndOfInput());

    PgnReader longLine(std::string(MAX_COMMENT_SIZE + 10, 'x') + "\n");
    EXPECT_EQ(longLine.parser().GetLine(buf, sizeof buf), MAX_COMMENT_SIZE - 1);
    EXPECT_EQ(longLine.parser().GetLine(buf, sizeof buf), 11u);
}

TEST(PgnTokens, SearchingModeReadsWholeLines) {
    EXPECT_EQ(tokens("  [Event \"x\"]\nsome text\n\n", PARSE_Searching),
              "Tag(  [Event \"x\"]) Line(some text) Line()");
    // A byte-order mark does not hide the tag after it.
    EXPECT_EQ(tokens("\xEF\xBB\xBF[Event \"x\"]\n", PARSE_Searching), "Tag([Event \"x\"])");
}

TEST(PgnTokens, HeaderModeEndsAtTheFirstOtherCharacter) {
    EXPECT_EQ(tokens(" [Event \"x\"]\n. % note\n; more\n[Site \"y\"]\n\n1.e4", PARSE_Header),
              "Tag([Event \"x\"]) Line( note) Line( more) Tag([Site \"y\"]) TagEnd() Num(1) "
              "Pawn(e4)");
}

TEST(PgnTokens, MoveNumbersAndResults) {
    EXPECT_EQ(tokens("1. 12... 1-0 1:0 0-1 0:1 1/2 1/2-1/2 1/2:1/2 *"),
              "Num(1) Num(12) 1-0(1-0) 1-0(1:0) 0-1(0-1) 0-1(0:1) Draw(1/2) Draw(1/2-1/2) "
              "Draw(1/2:1/2) Star(*)");
    EXPECT_EQ(tokens("1-00 2-0 0-2 12a *x"),
              "Invalid(1-00) Invalid(2-0) Invalid(0-2) Invalid(12a) Invalid(*x)");
    EXPECT_EQ(tokens("1-0)"), "1-0(1-0) )())");
}

TEST(PgnTokens, Castling) {
    EXPECT_EQ(tokens("O-O O-O-O o-o 0-0 0-0-0 00 000"),
              "OO(O-O) OOO(O-O-O) OO(o-o) OO(0-0) OOO(0-0-0) OO(00) OOO(000)");
    EXPECT_EQ(tokens("O-O-O+ O-O#! 0-0+"),
              "OOO(O-O-O) Check(+) OO(O-O) Mate(#) Suffix(!) OO(0-0+)");
    EXPECT_EQ(tokens("O-O-O-O O-Ox O O-+"),
              "Invalid(O-O-O-O) Invalid(O-Ox) Invalid(O) Invalid(O-+)");
}

TEST(PgnTokens, PawnMoves) {
    EXPECT_EQ(tokens("e4 exd5 e2-e4 e8=Q exd8N+ e7e8q"),
              "Pawn(e4) Pawn(ed5) Pawn(e2e4) Promote(e8=Q) Promote(ed8=N) Check(+) "
              "Invalid(e7e8q)");
    EXPECT_EQ(tokens("exd6 e.p. exd6ep e5-+ e5=x Pe4"),
              "Pawn(ed6) Ignore(e.p.) Pawn(ed6) Pawn(e5) Suffix(-+) Pawn(e5) Suffix(=x) Pawn(e4)");
    EXPECT_EQ(tokens("e4!? d5) e4,"), "Pawn(e4) Suffix(!?) Pawn(d5) )()) Invalid(e4,)");
}

TEST(PgnTokens, PieceMoves) {
    EXPECT_EQ(tokens("Nf3 Nbd7 R1d2 Qxe7# Rd1-d8 Ng1:f3"),
              "Piece(Nf3) Piece(Nbd7) Piece(R1d2) Piece(Qe7) Mate(#) Piece(Rd1d8) Piece(Ng1f3)");
    // A lone letter is an annotation; "-" before "+" or "/" ends the move badly.
    EXPECT_EQ(tokens("N K Nf3-+ Nf3="),
              "Suffix(N) Suffix(K) Invalid(Nf3) Suffix(-+) Piece(Nf3) "
              "Suffix(=)");
    EXPECT_EQ(tokens("Nf3, Kz"), "Invalid(Nf3,) Invalid(Kz)");
}

TEST(PgnTokens, NullMovesCommentsAndBrackets) {
    EXPECT_EQ(tokens("null -- nul { } ( )"),
              "Null(null) Null(--) Invalid(nul) Comment({) }(}) ((() )())");
    EXPECT_EQ(tokens("; the rest\ne4 % also\nd5"), "Line( the rest) Pawn(e4) Line( also) Pawn(d5)");
    EXPECT_EQ(tokens("[Event \"x\"]"), "Tag([)");
}

TEST(PgnTokens, AnnotationsChecksAndNags) {
    EXPECT_EQ(tokens("! ?? !? $14 D +- +/= =+ = ~ ~~ ++ + #"),
              "Suffix(!) Suffix(?\?) Suffix(!?) Nag($14) Nag(D) Suffix(+-) Suffix(+/=) Suffix(=+) "
              "Suffix(=) Suffix(~) Suffix(~~) Check(++) Check(+) Mate(#)");
    EXPECT_EQ(tokens("+! +$1 +)"), "Check(+) Suffix(!) Check(+) Nag($1) Check(+) )())");
    EXPECT_EQ(tokens("\" @x"), "Invalid(\") Invalid(@x)");
}

TEST(PgnTokens, CommentsAndVariationsDelimitMoves) {
    EXPECT_EQ(tokens("a6{c} Nf3(Nc3) O-O{c} e4$1 Qh5+{c} 1-0{c}"),
              "Pawn(a6) Comment({) Invalid(c}) Piece(Nf3) ((() Piece(Nc3) )()) OO(O-O) Comment({) "
              "Invalid(c}) Pawn(e4) Nag($1) Piece(Qh5) Check(+) Comment({) Invalid(c}) 1-0(1-0) "
              "Comment({) Invalid(c})");
}

TEST(PgnTokens, CommentTextAndOpenCommentAtTheEnd) {
    PgnReader r("first line\nsecond}rest");
    PgnParser& p = r.parser();
    EXPECT_STREQ(p.GetComment(), "first line second");
    EXPECT_EQ(p.GetLineNumber(), 1u);
    EXPECT_EQ(p.BytesUsed(), 18u);
    EXPECT_EQ(p.GetChar(), 'r');

    // Pushed-back characters come first, then the rest from the input.
    PgnReader pushed("b}c");
    pushed.parser().UnGetChar('a');
    EXPECT_STREQ(pushed.parser().GetComment(), "ab");
    EXPECT_EQ(pushed.parser().GetChar(), 'c');

    PgnReader kept("a\nb}");
    kept.parser().SetNewlinesToSpaces(false);
    EXPECT_STREQ(kept.parser().GetComment(), "a\nb");

    PgnReader open("\n\n{never closed\n");
    char line[MAX_COMMENT_SIZE];
    open.parser().GetLine(line, sizeof line);
    open.parser().GetLine(line, sizeof line);
    open.parser().GetChar();
    EXPECT_STREQ(open.parser().GetComment(), "never closed ");
    EXPECT_EQ(open.log(), "test.pgn:3: Error: Open Comment at end of input started on line 2\n");
}

TEST(PgnTokens, LongTokensAreCutNotOverrun) {
    std::string longMove = "e" + std::string(3 * MAX_COMMENT_SIZE, '4');
    PgnReader r(longMove + " d5");
    char buf[MAX_COMMENT_SIZE];
    r.parser().SetParseMode(PARSE_Game);
    EXPECT_EQ(r.parser().GetGameToken(buf, sizeof buf), TOKEN_Move_Pawn);
    EXPECT_EQ(std::string(buf).size(), MAX_COMMENT_SIZE - 1);
    EXPECT_EQ(r.parser().GetGameToken(buf, sizeof buf), TOKEN_Move_Pawn);
    EXPECT_STREQ(buf, "d5");

    char small[4];
    PgnReader s("Nbd7xyz {" + std::string(100, 'c') + "}");
    s.parser().SetParseMode(PARSE_Game);
    EXPECT_EQ(s.parser().GetGameToken(small, sizeof small), TOKEN_Invalid);
    EXPECT_STREQ(small, "Nbd");
}
