// Reads every game of a PGN file and writes it as the engine's annotated
// record, the way the scan writes matching games ("\n\n" between records), or
// with --read-only writes nothing: the pair times the writer against reading.
#include <cstdio>
#include <cstring>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/textbuf.h"
#include "query/util.h"

int main(int argc, char** argv) {
    bool readOnly = argc == 3 && strcmp(argv[1], "--read-only") == 0;
    if (argc != 3) {
        fprintf(stderr, "usage: pgn_rewrite IN.pgn OUT.pgn | pgn_rewrite --read-only IN.pgn\n");
        return 2;
    }
    const char* input = readOnly ? argv[2] : argv[1];
    MFile file;
    if (file.Open(input, FMODE_ReadOnly) != OK) {
        fprintf(stderr, "pgn_rewrite: cannot open %s\n", input);
        return 1;
    }
    FILE* out = nullptr;
    if (!readOnly) {
        out = fopen(argv[2], "w");
        if (out == nullptr) {
            fprintf(stderr, "pgn_rewrite: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    brel_Init();
    PgnParser parser(&file);
    Game game;
    TextBuffer record;
    uint32_t number = 0;
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.SetNumber(++number);
        game.MoveToPly(0);
        if (out == nullptr) continue;
        if ((number > 1 && fputs("\n\n", out) == EOF) || !util::printgame(out, &game, record)) {
            fprintf(stderr, "pgn_rewrite: writing %s failed\n", argv[2]);
            return 1;
        }
    }
    if (out != nullptr && fclose(out) != 0) {
        fprintf(stderr, "pgn_rewrite: closing %s failed\n", argv[2]);
        return 1;
    }
    fprintf(stderr, "%u games\n", number);
    return 0;
}
