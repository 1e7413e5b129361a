// Prints, for every game of a PGN file, its number and the number of main-line
// plies the reader replayed: the input of tests/pgn_agreement.sh, which
// compares the counts with another PGN reader's.
#include <cstdio>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pgn_plies FILE.pgn\n");
        return 2;
    }
    MFile file;
    if (file.Open(argv[1], FMODE_ReadOnly) != OK) {
        fprintf(stderr, "pgn_plies: cannot open %s\n", argv[1]);
        return 1;
    }
    PgnParser parser(&file);
    Game game;
    uint32_t number = 0;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        ++number;
        game.MoveToPly(0);
        uint32_t plies = 0;
        while (game.MoveForward() == OK) ++plies;
        printf("%u %u\n", number, plies);
    }
    return 0;
}
