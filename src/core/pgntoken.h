// The kinds of token the PGN tokenizer produces. Move reading needs them too:
// the token kind tells it how to interpret the move text.
#pragma once

#include <cstdint>

using tokenT = uint32_t;

constexpr tokenT TOKEN_EndOfInput = 0;
constexpr tokenT TOKEN_Invalid = 1;
constexpr tokenT TOKEN_MoveNum = 3;
constexpr tokenT TOKEN_Ignore = 4;
constexpr tokenT TOKEN_Move_Pawn = 5;
constexpr tokenT TOKEN_Move_Promote = 6;
constexpr tokenT TOKEN_Move_Piece = 7;
constexpr tokenT TOKEN_Move_Castle_King = 8;
constexpr tokenT TOKEN_Move_Castle_Queen = 9;
constexpr tokenT TOKEN_Move_Null = 10;
constexpr tokenT TOKEN_Tag = 20;
constexpr tokenT TOKEN_TagEnd = 21;
constexpr tokenT TOKEN_Result_White = 41;
constexpr tokenT TOKEN_Result_Black = 42;
constexpr tokenT TOKEN_Result_Draw = 43;
constexpr tokenT TOKEN_Result_Star = 44;
constexpr tokenT TOKEN_Nag = 51;
constexpr tokenT TOKEN_Suffix = 52;
constexpr tokenT TOKEN_Check = 53;
constexpr tokenT TOKEN_Mate = 54;
constexpr tokenT TOKEN_Comment = 55;
constexpr tokenT TOKEN_LineComment = 56;
constexpr tokenT TOKEN_VarStart = 57;
constexpr tokenT TOKEN_VarEnd = 58;
constexpr tokenT TOKEN_CommentEnd = 59;

inline bool token_IsMove(tokenT t) {
    return t >= TOKEN_Move_Pawn && t <= TOKEN_Move_Null;
}
