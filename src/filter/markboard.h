// The board of marks: every piece of a game's first position gets a number,
// its mark, that follows the piece from square to square through the moves
// and variations of the game, so that tags can name one and the same piece.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/game.h"
#include "core/myassert.h"

class MarkBoard {
  public:
    // Lines of play up to this many moves deep never allocate; deeper ones
    // grow the stack once.
    static constexpr int stackreserve = 2000;
    // A mark per square, -1 on an empty one.
    using Marks = std::array<int8_t, 64>;

    // Marks handed out for the current game: its first position's pieces.
    int nmarkers = 0;
    Marks squares_to_marks;
    // Per mark, bit p set when its piece has code p in some position of the
    // game, main line or variation: a promoted pawn has both codes.
    uint32_t piecemasks[64] = {};

    // Traces of saving and restoring on standard output.
    bool debug = false;

    MarkBoard();

    // Rewinds the game, numbers its pieces and computes the piece masks.
    void createNewGame(Game* game);
    // Numbers the pieces of the game's current position and empties the stack.
    void initialize(Game* game);

    // The game's moves, with the marks following.
    void MoveForward();
    void MoveBackup();
    void MoveIntoVariation(uint32_t variation);
    void MoveExitVariation();

    // Keeps and brings back the whole state, marks and stack, along with the
    // game's own.
    void SaveState();
    void RestoreState();

    void setMasks();
    // Stops the run when the marks disagree with the game's position.
    void verify() const;
    bool consistent() const;
    void print() const;

    // The square the piece with this mark stands on, or -1 once captured.
    int squareOf(int mark) const;
    const Game* currentGame() const { return game; }
    // Moves made forward since the last initialize and not taken back.
    int depth() const { return top + 1; }

  private:
    void push();
    void pop();
    void moveMarks(const simpleMoveT& move);

    int top = -1;
    int saved_top = -1;
    bool saved = false;
    std::vector<Marks> squares_to_marks_stack;
    std::vector<Marks> saved_squares_to_marks_stack;
    Marks saved_squares_to_marks;
    Game* game = nullptr;
    // The variation being tried at each level of the masks' walk.
    std::vector<uint32_t> nextVariation;
};

// The moves of a walk over a game: through the board of marks when tags are
// in use, so that the marks follow the game; on the game alone otherwise.
namespace gamewalk {

inline void forward(Game* game, MarkBoard* marks) {
    if (marks) {
        ASSERT(marks->currentGame() == game);
        marks->MoveForward();
    } else {
        game->MoveForward();
    }
}

inline void backup(Game* game, MarkBoard* marks) {
    if (marks) {
        ASSERT(marks->currentGame() == game);
        marks->MoveBackup();
    } else {
        game->MoveBackup();
    }
}

inline void intoVariation(Game* game, MarkBoard* marks, uint32_t variation) {
    if (marks) {
        ASSERT(marks->currentGame() == game);
        marks->MoveIntoVariation(variation);
    } else {
        game->MoveIntoVariation(variation);
    }
}

inline void exitVariation(Game* game, MarkBoard* marks) {
    if (marks) {
        ASSERT(marks->currentGame() == game);
        marks->MoveExitVariation();
    } else {
        game->MoveExitVariation();
    }
}

}  // namespace gamewalk
