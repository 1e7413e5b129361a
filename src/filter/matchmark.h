// The marks that tell the reader of a written game why it was selected: MATCH
// on the move that led to a position a list matched, MATCH2 on the move that
// led to a position a relation found. A mark goes before the move's comment.
#pragma once

class Game;
struct moveT;

inline constexpr const char* kListMark = "MATCH";
inline constexpr const char* kRelationMark = "MATCH2";

// Puts `mark` at the head of the comment of the move that led to the position
// at `cursor` (Game::myCursor), keeping the annotator's words after it; a
// comment whose leading marks include this one already is left alone.
void addMatchMark(Game* game, moveT* cursor, const char* mark);
