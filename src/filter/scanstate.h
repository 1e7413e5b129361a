// What one scan of the games shares between all its position lists, kept in
// one object the scan owns rather than in globals, so that concurrent scans
// can each have their own.
#pragma once

#include <memory>

#include "filter/accumulators.h"
#include "filter/gamepositions.h"
#include "filter/markboard.h"
#include "filter/tag.h"

class ScanState {
  public:
    // Traces of the reading and the scan on standard output, for debugging.
    bool debug = false;
    Accumulators accumulators;
    // Numbers the walks over a game: what a filter learns about the game's
    // positions during one walk it keeps no longer.
    unsigned walk = 0;
    // The query's tags; their bindings are to the marks of markBoard.
    TagTable tags;
    // The board of marks, created by the first tag: every walk over a game
    // then moves through it, so that the marks follow the pieces.
    std::unique_ptr<MarkBoard> markBoard;

    // Null while no tag is declared.
    MarkBoard* marks() const { return markBoard.get(); }

    // Declares a tag, creating the board of marks on the first one.
    Tag* declareTag(const char* name, const pieceLoc* designator) {
        if (!markBoard) {
            markBoard = std::make_unique<MarkBoard>();
            markBoard->debug = debug;
        }
        return tags.makeTag(name, designator, markBoard.get());
    }

    // Set by the first :relation read. A relation walks the whole game
    // without the board of marks, so tags and relations exclude each other.
    bool relationsRead = false;

    // The positions of the game that the relations of a walk compare with.
    GamePositions gamePositions;
};
