#include "scan/matchfilter.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/date.h"
#include "core/eco.h"
#include "core/game.h"
#include "filter/markboard.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"
#include "filter/positionfilterlist.h"
#include "query/queryerror.h"
#include "query/strlist.h"
#include "query/util.h"

namespace {

// The word in the cell after `cell`, or null when that element is a list or
// there is none: a keyword's argument is only ever the next word.
const char* nextWord(const strlist* cell) {
    const strlist* next = cell->cdr;
    if (next == nullptr) return nullptr;
    strlist::taking(next);
    if (next->car == nullptr || !next->car->isAtom) return nullptr;
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

// The main opening code of an ECO word "A00" to "E99" (0 to 499), or -1.
int ecoIndex(const char* word) {
    if (strlen(word) != 3) return -1;
    const char letter = word[0];
    if (letter < 'A' || letter > 'E' || word[1] < '0' || word[1] > '9' || word[2] < '0' ||
        word[2] > '9')
        return -1;
    return (letter - 'A') * 100 + (word[1] - '0') * 10 + (word[2] - '0');
}

// Reads "FROM [TO]" after :eco at `cell`, advancing `cell` past them.
void readEcoRange(strlist*& cell, int& from, int& to) {
    const char* first = nextWord(cell);
    util::uassert(first != nullptr, "missing ECO code after :eco");
    from = ecoIndex(first);
    util::uassert(from >= 0, (std::string("invalid ECO code after :eco: ") + first +
                              " (codes run from A00 to E99)")
                                 .c_str());
    cell = cell->cdr;
    to = from;
    const char* second = nextWord(cell);
    if (second != nullptr && ecoIndex(second) >= 0) {
        to = ecoIndex(second);
        cell = cell->cdr;
        util::uassert(
            from <= to,
            (std::string("reversed :eco range: ") + first + " is greater than " + second).c_str());
    } else {
        strlist::taking(cell);
    }
}

resultT resultFromWord(const char* word) {
    if (strcmp(word, "1-0") == 0) return RESULT_White;
    if (strcmp(word, "0-1") == 0) return RESULT_Black;
    if (strcmp(word, "1/2") == 0 || strcmp(word, "1/2-1/2") == 0) return RESULT_Draw;
    throw QueryError(std::string("illegal result specifier of: ") + word + "\n");
}

}  // namespace

matchFilter::~matchFilter() {
    for (int i = 0; i < npositionlistfilters; i++) delete positionListFilters[i];
    for (int i = 0; i < npositionfilters; i++) delete positionFilters[i];
}

matchFilter* matchFilter::fromStrlist(strlist* rest) {
    std::unique_ptr<matchFilter> owned(new matchFilter());
    matchFilter* filter = owned.get();
    // The name conditions are built once the whole form is read: a later
    // :ignoreaccents applies to them all.
    const char* player = nullptr;
    const char* white = nullptr;
    const char* black = nullptr;
    const char* event = nullptr;
    const char* site = nullptr;
    bool ignoreAccents = false;
    for (strlist* cell = rest; cell != nullptr; cell = cell->cdr) {
        strlist* element = cell->car;
        strlist::taking(cell);
        util::uassert(element != nullptr, "empty list in the match form");
        if (!element->isAtom) {
            if (element->car == nullptr || !element->car->eq("position")) {
                throw QueryError("Unable to parse match Filter: expected position\n");
            }
            std::unique_ptr<positionFilter> position(
                positionFilter::fromStrlist(element->cdr, filter->state));
            position->sourceStrlist = element;
            filter->addPositionFilter(position.get());
            position.release();
            continue;
        }
        const char* keyword = element->atomValue;
        const char* arg = nextWord(cell);
        // The keyword is the word being read until one of its arguments is.
        strlist::taking(cell);
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
            cell = cell->cdr;
            strlist::taking(cell);
            filter->result = resultFromWord(arg);
        } else if (strcmp(keyword, ":player") == 0) {
            util::uassert(arg != nullptr, "missing player name after :player");
            player = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":white") == 0 || strcmp(keyword, ":black") == 0) {
            util::uassert(arg != nullptr,
                          (std::string("missing player name after ") + keyword).c_str());
            (keyword[1] == 'w' ? white : black) = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":event") == 0 || strcmp(keyword, ":site") == 0) {
            util::uassert(arg != nullptr, (std::string("missing text after ") + keyword).c_str());
            (keyword[1] == 'e' ? event : site) = arg;
            cell = cell->cdr;
        } else if (strcmp(keyword, ":ignoreaccents") == 0) {
            ignoreAccents = true;
        } else if (strcmp(keyword, ":eco") == 0) {
            readEcoRange(cell, filter->ecomin, filter->ecomax);
            filter->checkeco = true;
        } else if (strcmp(keyword, ":forany") == 0) {
            util::uassert(arg != nullptr, "missing tag name");
            util::uassert(!filter->state.relationsRead, "Tags cannot be used with :relation");
            cell = cell->cdr;
            const char* text = nextWord(cell);
            util::uassert(text != nullptr, "Missing tag piece filter");
            cell = cell->cdr;
            std::unique_ptr<pieceLoc> designator(pieceLoc::fromString(text, &filter->state.tags));
            util::uassert(designator != nullptr, "invalid piece designator after forany");
            filter->state.declareTag(arg, designator.get());
        } else {
            throw QueryError(std::string("unknown matcher term: ") + keyword + "\n");
        }
    }
    auto condition = [ignoreAccents](std::optional<NameMatcher>& slot, const char* text) {
        if (text != nullptr) slot.emplace(text, ignoreAccents);
    };
    condition(filter->player, player);
    condition(filter->white, white);
    condition(filter->black, black);
    condition(filter->event, event);
    condition(filter->site, site);
    filter->sourceStrlist = rest;
    return owned.release();
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

void matchFilter::expand() {
    ASSERT(npositionlistfilters == 0);
    for (int i = 0; i < npositionfilters; i++)
        positionListFilters[npositionlistfilters++] = positionFilters[i]->expand();
    ASSERT(npositionlistfilters == npositionfilters);
}

MoveObserver* matchFilter::follower() {
    if (state.marks() != nullptr) return nullptr;
    for (int i = 0; i < npositionlistfilters; i++)
        if (MoveObserver* f = positionListFilters[i]->follower()) return f;
    return nullptr;
}

bool matchFilter::match(Game* game) {
    ASSERT(game != nullptr);
    if (!matchGameTags({game->GetWhiteStr(), game->GetBlackStr(), game->GetEventStr(),
                        game->GetSiteStr(), game->GetEco(), int(date_GetYear(game->GetDate())),
                        game->GetResult()}))
        return false;
    return matchPositions(game);
}

bool matchFilter::matchPositions(Game* game) {
    return state.marks() ? matchBindings(game) : matchLists(game);
}

bool matchFilter::matchYearResultEco(int year, resultT gameResult, ecoT eco) const {
    if (checkyear && (year < yearmin || year > yearmax)) return false;
    if (result != RESULT_None && gameResult != result) return false;
    if (checkeco) {
        if (eco == ECO_None) return false;
        // The extended codes of a main code ("B12c3") follow it, 131 in all.
        const int main = int((eco - 1) / 131);
        if (main < ecomin || main > ecomax) return false;
    }
    return true;
}

bool matchFilter::matchGameTags(const GameTags& tags) const {
    if (!matchYearResultEco(tags.year, tags.result, tags.eco)) return false;
    if (!player && !white && !black && !event && !site) return true;
    // A game is UTF-8 when all its texts are; otherwise it is Latin-1.
    const bool utf8 = NameMatcher::isUtf8(tags.white) && NameMatcher::isUtf8(tags.black) &&
                      NameMatcher::isUtf8(tags.event) && NameMatcher::isUtf8(tags.site);
    if (player && !player->matches(tags.white, utf8) && !player->matches(tags.black, utf8))
        return false;
    if (white && !white->matches(tags.white, utf8)) return false;
    if (black && !black->matches(tags.black, utf8)) return false;
    if (event && !event->matches(tags.event, utf8)) return false;
    if (site && !site->matches(tags.site, utf8)) return false;
    return true;
}

bool matchFilter::matchLists(Game* game) {
    for (int i = 0; i < npositionlistfilters; i++)
        if (!matchList(game, positionListFilters[i])) return false;
    return true;
}

bool matchFilter::matchBindings(Game* game) {
    MarkBoard* marks = state.marks();
    TagTable& tags = state.tags;
    ASSERT(tags.ntags() == 1 || tags.ntags() == 2);
    // Numbered only for games that pass the game-level conditions: the
    // numbering walks the whole game.
    marks->createNewGame(game);
    // Every binding is tried, also after one is accepted, so that the
    // positions every binding matches are marked.
    bool accepted = false;
    tags.initializeTags();
    do {
        // A binding whose piece is never of a kind its tag allows is skipped.
        if (tags.bindingPossible(marks->piecemasks) && matchLists(game)) accepted = true;
    } while (tags.nextTagMarkers(marks->nmarkers));
    return accepted;
}

bool matchFilter::matchList(Game* game, positionFilterList* list) {
    game->MoveToPly(0);
    if (MarkBoard* marks = state.marks()) marks->initialize(game);
    list->match(game, state);
    if (list->checknmatches &&
        (list->nmatches < list->nmatchesmin || list->nmatches > list->nmatchesmax))
        return false;
    return list->checkPretransformMatchCount() && list->nmatches > 0;
}

void matchFilter::print() {
    printf("Printing match filter: position filters");
    for (int i = 0; i < npositionfilters; i++) {
        printf("positionFilter %d of %d...\n", i, npositionfilters);
        positionFilters[i]->print();
    }
    printf("Printing match filter: position list filters...\n");
    for (int i = 0; i < npositionlistfilters; i++) {
        printf("positionFilterList %d of %d...\n", i, npositionfilters);
        positionListFilters[i]->print();
    }
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
    if (player) printf("Player: %s\n", player->fragment().c_str());
    if (result != RESULT_None) printf("Result: %s\n", RESULT_STR[result]);
    printf("\n");
}
