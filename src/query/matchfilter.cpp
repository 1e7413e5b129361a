#include "query/matchfilter.h"

#include <cstdlib>
#include <cstring>

#include "query/strlist.h"
#include "query/util.h"

namespace {

// The word in the cell after `cell`, or null when that element is a list or
// there is none: a keyword's argument is only ever the next word.
const char* nextWord(const strlist* cell) {
    const strlist* next = cell->cdr;
    if (next == nullptr || next->car == nullptr || !next->car->isAtom) return nullptr;
    return next->car->atomValue;
}

// Reads "from [to]" after a range keyword at `cell`. The second number is
// taken only when the element after the first reads as a number; `cell` is
// advanced past every consumed argument.
void readRange(strlist*& cell, const char* keyword, int lowest, int& from, int& to) {
    char message[120];
    const char* first = nextWord(cell);
    snprintf(message, sizeof message, "missing %s", keyword + 1);
    util::uassert(first != nullptr, message);
    cell = cell->cdr;
    from = util::intValue(first);
    snprintf(message, sizeof message, "expecting %s argument of at least %d", keyword, lowest);
    util::uassert(from >= lowest, message);
    to = from;
    const char* second = nextWord(cell);
    if (second != nullptr && util::intValue(second) >= 0) {
        to = util::intValue(second);
        cell = cell->cdr;
    }
    snprintf(message, sizeof message, "reversed %s range: %d is greater than %d", keyword, from,
             to);
    util::uassert(from <= to, message);
}

resultT resultFromWord(const char* word) {
    if (strcmp(word, "1-0") == 0) return RESULT_White;
    if (strcmp(word, "0-1") == 0) return RESULT_Black;
    if (strcmp(word, "1/2") == 0 || strcmp(word, "1/2-1/2") == 0) return RESULT_Draw;
    printf("illegal result specifier of: %s\n", word);
    exit(1);
}

}  // namespace

matchFilter* matchFilter::fromStrlist(strlist* rest) {
    matchFilter* filter = new matchFilter();
    for (strlist* cell = rest; cell != nullptr; cell = cell->cdr) {
        strlist* element = cell->car;
        util::uassert(element != nullptr, "empty list in the match form");
        if (!element->isAtom) {
            if (element->car == nullptr || !element->car->eq("position")) {
                printf("Unable to parse match Filter: expected position\n");
                exit(1);
            }
            util::uassert(false, "(position ...) lists are not supported yet");
        }
        const char* keyword = element->atomValue;
        const char* arg = nextWord(cell);
        if (strcmp(keyword, ":pgn") == 0) {
            util::uassert(arg != nullptr, "missing pgn file name after :pgn");
            filter->pgnfile = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":output") == 0) {
            util::uassert(arg != nullptr, "missing output file");
            filter->outputfile = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":year") == 0) {
            readRange(cell, keyword, 0, filter->yearmin, filter->yearmax);
            filter->checkyear = true;
        } else if (strcmp(keyword, ":gamenumber") == 0) {
            readRange(cell, keyword, 1, filter->gamenumbermin, filter->gamenumbermax);
        } else if (strcmp(keyword, ":result") == 0) {
            util::uassert(arg != nullptr, "missing result spec");
            filter->result = resultFromWord(arg);
            cell = cell->cdr;
        } else if (strcmp(keyword, ":player") == 0) {
            util::uassert(arg != nullptr, "missing player name after :player");
            filter->player = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":forany") == 0) {
            util::uassert(arg != nullptr, "missing tag name");
            cell = cell->cdr;
            util::uassert(nextWord(cell) != nullptr, "Missing tag piece filter");
            util::uassert(false, ":forany is not supported yet");
        } else {
            printf("unknown matcher term: %s\n", keyword);
            exit(1);
        }
    }
    filter->sourceStrlist = rest;
    return filter;
}

void matchFilter::addPositionFilter(positionFilter* filter) {
    util::uassert(npositionfilters < positionfiltersmax,
                  "too many position lists: a query may hold at most 100");
    positionFilters[npositionfilters++] = filter;
}

positionFilter* matchFilter::getPositionFilter(int i) {
    ASSERT(i >= 0 && i < positionfiltersmax);
    return positionFilters[i];
}

void matchFilter::match() {
    if (pgnfile == nullptr) {
        printf("no pgn file specified");
        exit(1);
    }
    // The scan over the games of the PGN file is built on the PGN reader.
}

void matchFilter::print() {
    printf("Printing match filter: position filters");
    // Each list describes itself once position lists can be built; until
    // then a query holds none.
    for (int i = 0; i < npositionfilters; i++)
        printf("positionFilter %d of %d...\n", i, npositionfilters);
    printf("Printing match filter: position list filters...\n");
    for (int i = 0; i < npositionlistfilters; i++)
        printf("positionFilterList %d of %d...\n", i, npositionfilters);
    if (pgnfile) printf("pgn file: %s\n", pgnfile);
    if (outputfile) printf("output file: %s\n", outputfile);
    if (gamenumbermin > 0)
        printf("gamenumbermin: %d gamenumbermax: %d\n", gamenumbermin, gamenumbermax);
    if (checkyear) printf("yearmin: %d yearmax: %d\n", yearmin, yearmax);
    printf("number of matches: %d\n", nmatches);
    if (sourceStrlist) {
        printf("Original source list was: \n");
        strlist::print(sourceStrlist);
    }
    if (player) printf("Player: %s\n", player);
    if (result != RESULT_None) printf("Result: %s\n", RESULT_STR[result]);
    printf("\n");
}
