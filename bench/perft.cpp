// perft: counts the leaf nodes of the legal move tree below a position, per
// root move, to check the move generator against published counts and to
// measure its speed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/position.h"
#include "perft_count.h"

namespace {

void printCoordinates(const simpleMoveT& m) {
    static const char promoChar[8] = {0, 0, 'q', 'r', 'b', 'n', 0, 0};
    printf("%c%c%c%c", square_FyleChar(m.from), square_RankChar(m.from), square_FyleChar(m.to),
           square_RankChar(m.to));
    if (m.promote != EMPTY) putchar(promoChar[m.promote]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: perft \"<FEN>\" <depth>\n");
        return 1;
    }
    char* end = nullptr;
    long depth = strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || depth < 1 || depth > 64) {
        fprintf(stderr, "perft: invalid depth \"%s\": expected a number from 1 to 64\n", argv[2]);
        return 1;
    }
    Position pos;
    if (pos.ReadFromFEN(argv[1]) != OK) {
        fprintf(stderr, "perft: invalid FEN \"%s\"\n", argv[1]);
        return 1;
    }
    MoveList moves;
    pos.GenerateMoves(&moves);
    uint64_t total = 0;
    for (simpleMoveT& m : moves) {
        uint64_t nodes = 1;
        if (depth > 1) {
            pos.DoSimpleMove(&m);
            nodes = perftBulk(pos, int(depth) - 1);
            pos.UndoSimpleMove(&m);
        }
        printCoordinates(m);
        printf(": %llu\n", static_cast<unsigned long long>(nodes));
        total += nodes;
    }
    printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    return 0;
}
