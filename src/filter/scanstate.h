// What one scan of the games shares between all its position lists, kept in
// one object the scan owns rather than in globals, so that concurrent scans
// can each have their own.
#pragma once

#include "filter/accumulators.h"
#include "filter/gamepositions.h"

class ScanState {
  public:
    Accumulators accumulators;
    // Numbers the walks over a game: what a filter learns about the game's
    // positions during one walk it keeps no longer.
    unsigned walk = 0;
    // The positions of the game that the relations of a walk compare with.
    GamePositions gamePositions;
};
