// The notes hux writes into the games it finds: the number of the game in the
// searched file ("Original game: N") and the marks MATCH and MATCH2 on the
// moves that led to matching positions.
#pragma once

class Game;

namespace resultmarks {

constexpr int kMatch = 1;   // MATCH: a position the query's lists matched
constexpr int kMatch2 = 2;  // MATCH2: the second position of a relation

// The marks a comment carries, as a set of the bits above. Marks are whole
// words, so that MATCH2 is not MATCH and a comment may carry both.
int marksOf(const char* comment);

// The N of "Original game: N" in a comment; 0 when it has none.
unsigned originalNumber(const char* comment);

struct Counts {
    unsigned match = 0;
    unsigned match2 = 0;
    unsigned original = 0;  // the game's original number, 0 when not noted
};

// Counts the marked positions of a game, variations included, and finds its
// original number in the comment before its first move.
Counts count(Game& game);

}  // namespace resultmarks
