// Prints, for every game of a PGN file, its number and the number of main-line
// plies the reader replayed: the input of tests/pgn_agreement.sh, which
// compares the counts with another PGN reader's. With --keys each line also
// gets, after a tab, the Event and Round tags and the first moves as origin
// and destination squares, by which the script pairs the games of the two
// readers.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"

namespace {

constexpr uint32_t KEY_PLIES = 8;

std::string key(Game& game) {
    std::string k = std::string(game.GetEventStr()) + "|" + game.GetRoundStr() + "|";
    game.MoveToPly(0);
    for (uint32_t i = 0; i < KEY_PLIES; ++i) {
        const moveT* m = game.GetCurrentMove();
        if (m == nullptr) break;
        const char sq[5] = {square_FyleChar(m->moveData.from), square_RankChar(m->moveData.from),
                            square_FyleChar(m->moveData.to), square_RankChar(m->moveData.to), 0};
        if (i > 0) k += ' ';
        k += sq;
        game.MoveForward();
    }
    return k;
}

}  // namespace

int main(int argc, char** argv) {
    bool keys = argc == 3 && strcmp(argv[1], "--keys") == 0;
    if (argc != 2 && !keys) {
        fprintf(stderr, "usage: pgn_plies [--keys] FILE.pgn\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    MFile file;
    if (file.Open(path, FMODE_ReadOnly) != OK) {
        fprintf(stderr, "pgn_plies: cannot open %s\n", path);
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
        if (keys) {
            printf("%u %u\t%s\n", number, plies, key(game).c_str());
        } else {
            printf("%u %u\n", number, plies);
        }
    }
    return 0;
}
