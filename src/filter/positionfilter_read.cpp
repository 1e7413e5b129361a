// Reading a (position ...) list: the keyword loop and one handler per
// keyword family. Every error ends the run with the message the user sees.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "filter/attackfilter.h"
#include "filter/movefilter.h"
#include "filter/pairpositionfilter.h"
#include "filter/piececomputefilter.h"
#include "filter/piececomputefilterlist.h"
#include "filter/pieceloc.h"
#include "filter/positionfilter.h"
#include "filter/rayfilterlist.h"
#include "filter/scanstate.h"
#include "filter/sequencefilter.h"
#include "filter/tag.h"
#include "filter/tagfilter.h"
#include "query/queryerror.h"
#include "query/querywarning.h"
#include "query/strlist.h"
#include "query/util.h"

namespace {

// The text of the item in `cell`, or null when there is no cell, the cell has
// no item or its item is a list. The item is noted as the word being read.
const char* atomOf(const strlist* cell) {
    if (cell == nullptr) return nullptr;
    strlist::taking(cell);
    if (cell->car == nullptr || !cell->car->isAtom) return nullptr;
    return cell->car->atomValue;
}

// The optional max of a count "min [max]": the item after `minCell` when
// it reads as a number 0 or more (consumed), else min again.
int readOptionalMax(strlist*& minCell, int min) {
    const char* text = atomOf(minCell->cdr);
    if (text == nullptr || util::intValue(text) < 0) return min;
    minCell = minCell->cdr;
    return util::intValue(text);
}

// A count whose min is above its max could never hold: refused, as a
// reversed :year range is.
void checkCountOrder(const std::string& keyword, int min, int max) {
    util::uassert(min <= max, ("reversed " + keyword + " range: " + std::to_string(min) +
                               " is greater than " + std::to_string(max))
                                  .c_str());
}

// A count "min [max]" after `keyword` at `cell`; returns the cell of the
// last number read.
strlist* readCount(strlist* cell, const char* keyword, const char* missing, const char* badMin,
                   int& min, int& max) {
    strlist* minCell = cell->cdr;
    util::uassert(minCell != nullptr, missing);
    const char* text = atomOf(minCell);
    min = text == nullptr ? -1 : util::intValue(text);
    util::uassert(min >= 0, badMin);
    max = readOptionalMax(minCell, min);
    checkCountOrder(keyword, min, max);
    return minCell;
}

resultT resultFromText(const char* text) {
    if (strcmp(text, "1-0") == 0) return RESULT_White;
    if (strcmp(text, "0-1") == 0) return RESULT_Black;
    if (strcmp(text, "1/2") == 0 || strcmp(text, "1/2-1/2") == 0) return RESULT_Draw;
    util::uassert(false, "Invalid result value: must be 1-0, 0-1, 1/2, or 1/2-1/2");
    return RESULT_None;
}

// Flag keywords: each switches one field on (the side to move is set).
bool readFlag(positionFilter* f, const char* k) {
    struct Flag {
        const char* keyword;
        bool positionFilter::*field;
    };
    static const Flag flags[] = {
        {":noannotate", &positionFilter::donotannotate},
        {":mate", &positionFilter::mate},
        {":stalemate", &positionFilter::stalemate},
        {":check", &positionFilter::check},
        {":nocheck", &positionFilter::notincheck},
        {":not", &positionFilter::notposition},
        {":flip", &positionFilter::flipdihedral},
        {":flipdihedral", &positionFilter::flipdihedral},
        {":fliphorizontal", &positionFilter::fliphorizontal},
        {":flipvertical", &positionFilter::flipvertical},
        {":flipdiagonal", &positionFilter::flipdiagonal},
        {":flipcolor", &positionFilter::flipcolor},
        {":shift", &positionFilter::shift},
        {":horizontalshift", &positionFilter::horizontalshift},
        {":shifthorizontal", &positionFilter::horizontalshift},
        {":verticalshift", &positionFilter::verticalshift},
        {":shiftvertical", &positionFilter::verticalshift},
        {":diagonalshift", &positionFilter::diagonalshift},
        {":shiftdiagonal", &positionFilter::diagonalshift},
        {":maindiagonalshift", &positionFilter::maindiagonalshift},
        {":shiftmaindiagonal", &positionFilter::maindiagonalshift},
        {":offdiagonalshift", &positionFilter::offdiagonalshift},
        {":shiftoffdiagonal", &positionFilter::offdiagonalshift},
        {":variations", &positionFilter::searchVariations},
        {":variationsonly", &positionFilter::searchVariationsOnly},
        {":initial", &positionFilter::initial},
        {":terminal", &positionFilter::terminal},
        {":varinitial", &positionFilter::varinitial},
        {":varterminal", &positionFilter::varterminal},
        {":markall", &positionFilter::markAll},
    };
    if (strcmp(k, ":wtm") == 0 || strcmp(k, ":btm") == 0) {
        f->sideToMove = k[1] == 'w' ? WHITE : BLACK;
        return true;
    }
    for (const Flag& flag : flags) {
        if (strcmp(k, flag.keyword) == 0) {
            f->*flag.field = true;
            return true;
        }
    }
    return false;
}

// :piececount, :power and :powerdifference: a designator, min and [max].
strlist* handlePieceCountOrPower(positionFilter* f, strlist* cell, const ScanState& state) {
    const TagTable* tags = &state.tags;
    const char* keyword = cell->car->atomValue;
    if (state.debug) {
        printf("handlepiececount...got str of: ...");
        strlist::print(cell);
        printf("\n");
    }
    bool difference = strcmp(keyword, ":powerdifference") == 0;
    pieceComputeFilterList*& list = difference                       ? f->powerDifferenceFilterList
                                    : strcmp(keyword, ":power") == 0 ? f->materialPowerFilterList
                                                                     : f->pieceCountFilterList;
    if (list == nullptr) list = new pieceComputeFilterList();

    strlist* locCell = cell->cdr;
    util::uassert(locCell != nullptr, "Missing count or power or diff spec");
    if (state.debug) {
        printf("before piecename computeration str is: ...");
        strlist::print(locCell);
        printf("\n");
    }
    const char* text = atomOf(locCell);
    std::unique_ptr<pieceLoc> loc(text == nullptr ? nullptr : pieceLoc::fromString(text, tags));
    util::uassert(loc != nullptr,
                  (std::string("missing or unreadable piece designator after ") + keyword).c_str());

    strlist* minCell = locCell->cdr;
    util::uassert(minCell != nullptr, "malformed input: no min count for power or count spec");
    const char* minText = atomOf(minCell);
    int min = minText == nullptr ? util::notANumber : util::signedIntValue(minText);
    if (difference)
        util::uassert(min != util::notANumber, "malformed input: no min count at difference spec");
    else
        util::uassert(min >= 0, "malformed input: no min count at power or count spec");

    int max = min;
    const char* maxText = atomOf(minCell->cdr);
    if (maxText != nullptr && util::signedIntValue(maxText) != util::notANumber) {
        max = util::signedIntValue(maxText);
        minCell = minCell->cdr;
    }
    if (difference)
        util::uassert(min <= max, "min must be < max to :powerdifference");
    else
        util::uassert(min >= 0 && max >= 0 && min <= max, "invalid min/max to power or count");
    auto filter = std::make_unique<pieceComputeFilter>(loc.release(), min, max);
    list->addFilter(filter.get(), keyword);
    filter.release();
    return minCell->cdr;
}

strlist* handleAccumulate(positionFilter* f, strlist* cell, ScanState& state) {
    strlist* nameCell = cell->cdr;
    util::uassert(nameCell != nullptr, "Missing accname  :accumulate");
    const char* name = atomOf(nameCell);
    util::uassert(name != nullptr, "Missing accname in handleSum");
    int n = state.accumulators.getAccumulator(name);
    f->accumulate = true;
    f->accumulates[n] = true;
    return nameCell->cdr;
}

strlist* handleSum(positionFilter* f, strlist* cell, ScanState& state) {
    strlist* nameCell = cell->cdr;
    util::uassert(nameCell != nullptr, "Missing accname spec for :sumrange");
    const char* name = atomOf(nameCell);
    util::uassert(name != nullptr, "Missing accname in handleSum");
    int min, max;
    strlist* last = readCount(nameCell, ":sumrange", "Missing sum min for :sumrange",
                              "min value missing in count spec for :sumrange", min, max);
    int n = state.accumulators.getAccumulator(name);
    f->checksum = true;
    f->accumulator_checks[n] = true;
    f->accumulator_mins[n] = min;
    f->accumulator_maxes[n] = max;
    return last->cdr;
}

MoveFilter* moveFilterOf(positionFilter* f) {
    if (f->moveFilter == nullptr) f->moveFilter = new MoveFilter();
    return f->moveFilter;
}

bool isMoveKeyword(const char* k) {
    return strcmp(k, ":movefrom") == 0 || strcmp(k, ":moveto") == 0 || strcmp(k, ":promote") == 0;
}

// :movefrom, :moveto and :promote: one designator; a repeated keyword
// replaces the earlier one.
strlist* handleMoveSpec(positionFilter* f, strlist* cell, const char* k, const TagTable* tags) {
    const char* text = atomOf(cell->cdr);
    util::uassert(text != nullptr, "missing piece/square specifier for :move specification");
    std::unique_ptr<pieceLoc> loc(pieceLoc::fromString(text, tags));
    util::uassert(loc != nullptr, "Invalid piece/square specifier in :move specification");
    MoveFilter* move = moveFilterOf(f);
    pieceLoc*& slot = strcmp(k, ":movefrom") == 0 ? move->frompieceloc
                      : strcmp(k, ":moveto") == 0 ? move->topieceloc
                                                  : move->promotedpieceloc;
    delete slot;
    slot = loc.release();
    return cell->cdr->cdr;
}

// :attackcount A B min [max].
strlist* handleAttackCount(positionFilter* f, strlist* cell, const TagTable* tags) {
    strlist* attackingCell = cell->cdr;
    const char* text = atomOf(attackingCell);
    util::uassert(text != nullptr, "Expected piece specifier following :attackcount");
    std::unique_ptr<pieceLoc> attacking(pieceLoc::fromString(text, tags));
    util::uassert(attacking != nullptr, "could not read attacking piece in :attackcount");
    strlist* attackedCell = attackingCell->cdr;
    text = atomOf(attackedCell);
    util::uassert(text != nullptr, "Expected two piece specifiers following :attackcount, got 1");
    std::unique_ptr<pieceLoc> attacked(pieceLoc::fromString(text, tags));
    util::uassert(attacked != nullptr, "could not read attacked piece in :attackcount");
    strlist* minCell = attackedCell->cdr;
    text = atomOf(minCell);
    util::uassert(text != nullptr, "Expected min specifier following :attackcount piece piece");
    int min = util::intValue(text);
    util::uassert(min >= 0,
                  "Expected numeric nonnegative min specifier following :attackcount piece piece");
    int max = readOptionalMax(minCell, min);
    // A range that no count can satisfy is a mistake in the query, not a
    // condition that silently never holds.
    util::uassert(min <= max, "Invalid min/max pair to :attackcount: min is greater than max");
    util::uassert(int(f->attackFilters.size()) < positionFilter::nattackfilters_max,
                  "too many attack specs");
    f->attackFilters.push_back(new AttackFilter(attacking.release(), attacked.release(), min, max));
    return minCell->cdr;
}

// The six ray keywords: a list of designators, then an optional count.
strlist* handleRaySpec(positionFilter* f, strlist* cell, const TagTable* tags) {
    struct RayKind {
        const char* keyword;
        std::initializer_list<directionT> directions;
    };
    static const RayKind kinds[] = {
        {":rayorthogonal", {UP, DOWN, LEFT, RIGHT}},
        {":raydiagonal", {UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT}},
        {":rayhorizontal", {LEFT, RIGHT}},
        {":rayvertical", {UP, DOWN}},
        {":ray", {UP, DOWN, LEFT, RIGHT, UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT}},
        {":rayattack", {UP, DOWN, LEFT, RIGHT, UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT}},
    };
    const char* k = cell->car->atomValue;
    if (f->rayFilterList == nullptr) f->rayFilterList = new RayFilterList();
    strlist* listCell = cell->cdr;
    util::uassert(listCell != nullptr, "missing ray format\n");
    strlist::taking(listCell);
    util::uassert(listCell->car != nullptr && !listCell->car->isAtom,
                  "missing or invalid ray list specification");

    auto owned = std::make_unique<RayFilter>();
    pieceLoc* locs[RayFilter::npiecelocsmax - 1];
    int n = pieceLoc::pieceLocsFromStrlist(listCell->car, locs, RayFilter::npiecelocsmax - 1, tags);
    for (int i = 0; i < n; i++) owned->addPieceLoc(locs[i]);
    for (const RayKind& kind : kinds)
        if (strcmp(k, kind.keyword) == 0)
            for (directionT d : kind.directions) owned->addDirection(d);
    owned->isAttack = strcmp(k, ":rayattack") == 0;
    f->rayFilterList->addFilter(owned.get());
    RayFilter* ray = owned.release();

    const char* text = atomOf(listCell->cdr);
    if (text == nullptr || util::intValue(text) < 0) return listCell->cdr;
    strlist* minCell = listCell->cdr;
    ray->checkcount = true;
    ray->min = util::intValue(text);
    ray->max = readOptionalMax(minCell, ray->min);
    util::uassert(ray->min <= ray->max, "Invalid min/max pair to :ray");
    return minCell->cdr;
}

// :tagmatch T D: the piece bound to the declared tag T satisfies D.
strlist* handleTagMatch(positionFilter* f, strlist* cell, const TagTable* tags) {
    strlist* nameCell = cell->cdr;
    util::uassert(nameCell != nullptr, "Missing tag name in :tagmatch");
    strlist::taking(nameCell);
    util::uassert(nameCell->car != nullptr, "no tag name in :tagmatch");
    util::uassert(nameCell->car->isAtom, "Null tag name in :tagmatch");
    strlist* locCell = nameCell->cdr;
    util::uassert(locCell != nullptr, "Missing piece designator in :tagmatch");
    strlist::taking(locCell);
    util::uassert(locCell->car != nullptr, "no piece designator in :tagmatch");
    util::uassert(locCell->car->isAtom, "null piece designator in :tagmatch");
    std::unique_ptr<pieceLoc> loc(pieceLoc::fromString(locCell->car->atomValue, tags));
    util::uassert(loc != nullptr, "no valid pieceloc in :tagmatch");
    Tag* tag = tags->findTag(nameCell->car->atomValue);
    util::uassert(tag != nullptr, "Cannot find tag for name");
    util::uassert(int(f->tagFilters.size()) < positionFilter::ntagfilters_max,
                  "too many :tagmatch conditions in one position list: at most 10");
    f->tagFilters.push_back(new TagFilter(tag, loc.release()));
    return locCell->cdr;
}

bool isRayKeyword(const char* k) {
    return strcmp(k, ":ray") == 0 || strcmp(k, ":rayattack") == 0 ||
           strcmp(k, ":rayorthogonal") == 0 || strcmp(k, ":raydiagonal") == 0 ||
           strcmp(k, ":rayhorizontal") == 0 || strcmp(k, ":rayvertical") == 0;
}

// :and and :or: a list of nested (position ...) lists, read by the whole grammar.
strlist* handleLogicSpec(positionFilter* f, strlist* cell, ScanState& state, int depth) {
    bool isOr = strcmp(cell->car->atomValue, ":or") == 0;
    strlist* listCell = cell->cdr;
    if (listCell != nullptr) strlist::taking(listCell);
    util::uassert(listCell != nullptr && listCell->car != nullptr && !listCell->car->isAtom,
                  "Expecting list following :and or :or argument");
    std::vector<positionFilter*>& nested = isOr ? f->orFilters : f->andFilters;
    util::uassert(nested.empty(),
                  isOr ? "Multiple :or args not supported" : "Multiple :and args not supported");
    util::uassert(depth + 1 < positionFilter::maxNesting,
                  "position lists nested too deeply: at most 100 levels");
    for (strlist* element = listCell->car; element != nullptr; element = element->cdr) {
        strlist* sub = element->car;
        strlist::taking(element);
        util::uassert(
            sub != nullptr && !sub->isAtom && sub->car != nullptr && sub->car->eq("position"),
            "Expecting list of position specifiers following :and or :or keyword");
        util::uassert(int(nested.size()) < positionFilter::nlogicfilters,
                      isOr ? "too many position lists under :or: at most 99"
                           : "too many position lists under :and: at most 99");
        positionFilter* child = positionFilter::fromStrlist(sub->cdr, state, depth + 1);
        child->sourceStrlist = sub;
        child->donotannotate = true;
        nested.push_back(child);
    }
    return listCell->cdr;
}

// :sequence and :gappedsequence: the elements, each a (position ...) list.
strlist* handleSequenceSpec(positionFilter* f, strlist* cell, ScanState& state, int depth) {
    const char* keyword = cell->car->atomValue;
    strlist* listCell = cell->cdr;
    if (listCell != nullptr) strlist::taking(listCell);
    util::uassert(listCell != nullptr && listCell->car != nullptr && !listCell->car->isAtom,
                  "Expecting list following :sequence argument");
    util::uassert(f->sequenceFilter == nullptr, "Multiple :sequence args not supported");
    util::uassert(depth + 1 < positionFilter::maxNesting,
                  "position lists nested too deeply: at most 100 levels");
    auto sequence = std::make_unique<SequenceFilter>();
    sequence->sourceStrlist = listCell->car;
    for (strlist* element = listCell->car; element != nullptr; element = element->cdr) {
        strlist* sub = element->car;
        strlist::taking(element);
        util::uassert(
            sub != nullptr && !sub->isAtom && sub->car != nullptr && sub->car->eq("position"),
            "Expecting list of position specifiers following :sequence keyword");
        util::uassert(
            int(sequence->positionFilters.size()) < SequenceFilter::npositionsmax,
            (std::string("too many position lists under ") + keyword + ": at most 1000").c_str());
        positionFilter* child = positionFilter::fromStrlist(sub->cdr, state, depth + 1);
        child->sourceStrlist = sub;
        child->donotannotate = true;
        sequence->addPositionFilter(child);
    }
    sequence->allowgaps = strcmp(keyword, ":gappedsequence") == 0;
    f->sequenceFilter = sequence.release();
    return listCell->cdr;
}

// :originalsamecount and :originaldifferentcount in a relation: min [max].
strlist* readOriginalCount(strlist* cell, int& min, int& max) {
    std::string keyword = cell->car->atomValue;
    const char* text = atomOf(cell->cdr);
    util::uassert(text != nullptr, ("Expected integer following " + keyword).c_str());
    strlist* minCell = cell->cdr;
    min = util::intValue(text);
    util::uassert(min >= 0, ("Expected nonnegative integer following " + keyword).c_str());
    max = readOptionalMax(minCell, min);
    checkCountOrder(keyword, min, max);
    return minCell->cdr;
}

// One item of a :relation list; returns the cell after it.
strlist* readRelationItem(positionFilter* f, PairPositionFilter* relation, strlist* cell) {
    const char* k = atomOf(cell);
    auto is = [k](const char* word) { return k != nullptr && strcmp(k, word) == 0; };
    if (is(":matchidentity") || is(":nomatchidentity")) {
        int min = is(":matchidentity") ? 0 : 1;
        querywarning::print(
            ":matchidentity is deprecated. Use :originaldifferentcount %d 64 instead\n", min);
        relation->noriginaldifferencesmin = min;
        relation->noriginaldifferencesmax = 64;
    } else if (is(":pattern")) {
        util::uassert(!f->pieces.empty(),
                      "A pattern is specified, but no pattern pieces precede this :relation "
                      "specification");
        util::uassert(relation->pieces.empty(),
                      "only one :pattern keyword allowed in :relation specification");
        relation->setPattern(f->pieces);
    } else if (is(":originalsamecount")) {
        return readOriginalCount(cell, relation->noriginalsamesmin, relation->noriginalsamesmax);
    } else if (is(":originaldifferentcount")) {
        return readOriginalCount(cell, relation->noriginaldifferencesmin,
                                 relation->noriginaldifferencesmax);
    } else if (is(":missingpiececount") || is(":newpiececount")) {
        return relation->handleCountSpec(cell);
    } else if (is(":shift")) {
        relation->allowshifts = true;
    } else if (is(":flip")) {
        relation->allowflips = true;
    } else if (is(":samesidetomove") || is(":changesidetomove") || is(":ignoresidetomove")) {
        relation->identicalcolor = is(":samesidetomove");
        relation->switchcolor = is(":changesidetomove");
    } else if (is(":variations")) {
        relation->searchVariations = true;
    } else if (is(":variationsonly")) {
        relation->searchVariationsOnly = true;
    } else {
        util::uassert(false, "Unknown keyword found in :relation specification");
    }
    return cell->cdr;
}

// :relation (items): the positions of the game that relate to the one tested.
strlist* handleEchoSpec(positionFilter* f, strlist* cell) {
    strlist* listCell = cell->cdr;
    util::uassert(listCell != nullptr, "Missing or invalid echo spec");
    strlist::taking(listCell);
    auto relation = std::make_unique<PairPositionFilter>();
    relation->sourceStrlist = listCell->car;
    // An empty list leaves the defaults.
    if (listCell->car != nullptr) {
        util::uassert(!listCell->car->isAtom, "Expected list following parameter :relation");
        for (strlist* item = listCell->car; item != nullptr;)
            item = readRelationItem(f, relation.get(), item);
    }
    util::uassert(f->pairFilter == nullptr, "Cannot handle multiple :relation specifications");
    f->pairFilter = relation.release();
    return listCell->cdr;
}

// :movenumber, :matchcount, :pretransformmatchcount and the three Elo keywords.
strlist* handleCountKeyword(positionFilter* f, strlist* cell, const char* k) {
    int min, max;
    strlist* last;
    if (strcmp(k, ":movenumber") == 0) {
        last = readCount(cell, k, "Missing count spec for :movenumber",
                         "min value missing in count spec for :movenumber", min, max);
        f->checkmovenumber = true;
        f->movemin = min;
        f->movemax = max;
    } else if (strcmp(k, ":matchcount") == 0) {
        last = readCount(cell, k, "Missing count spec for :matchcount",
                         "min value missing in count spec for :matchount", min, max);
        f->checknmatches = true;
        f->nmatchesmin = min;
        f->nmatchesmax = max;
        f->markAll = true;
    } else if (strcmp(k, ":pretransformmatchcount") == 0) {
        last = readCount(cell, k, "Missing count spec for :pretransformmatchcount",
                         "min value missing in count spec for :pretransformmatchount", min, max);
        f->checknpretransformmatches = true;
        f->npretransformmatchesmin = min;
        f->npretransformmatchesmax = max;
        f->markAll = true;
    } else {
        last = readCount(cell, k, "Missing count spec for elo",
                         "min value missing in count spec for elo", min, max);
        if (strcmp(k, ":whiteelo") == 0) {
            f->checkwhiteelo = true;
            f->whiteelomin = min;
            f->whiteelomax = max;
        } else if (strcmp(k, ":blackelo") == 0) {
            f->checkblackelo = true;
            f->blackelomin = min;
            f->blackelomax = max;
        } else {
            f->checkelo = true;
            f->elomin = min;
            f->elomax = max;
        }
    }
    return last->cdr;
}

bool isCountKeyword(const char* k) {
    return strcmp(k, ":movenumber") == 0 || strcmp(k, ":matchcount") == 0 ||
           strcmp(k, ":pretransformmatchcount") == 0 || strcmp(k, ":elo") == 0 ||
           strcmp(k, ":whiteelo") == 0 || strcmp(k, ":blackelo") == 0;
}

}  // namespace

positionFilter* positionFilter::fromStrlist(strlist* str, ScanState& state, int depth) {
    std::unique_ptr<positionFilter> owned(new positionFilter());
    positionFilter* f = owned.get();
    strlist* cell = str;
    while (cell != nullptr) {
        strlist* item = cell->car;
        // An empty sublist ends the list; what follows it is never read.
        if (item == nullptr) break;
        strlist::taking(cell);
        if (!item->isAtom) {
            throw QueryError("invalid format for positionfilter in list: " + strlist::text(cell));
        }
        const char* k = item->atomValue;
        if (k[0] != ':') {
            std::unique_ptr<pieceLoc> loc(pieceLoc::fromString(k, &state.tags));
            if (loc == nullptr) {
                throw QueryError(std::string("unable to parse piece specifier: ") + k + "\n");
            }
            f->addPieceLoc(loc.get());
            loc.release();
            cell = cell->cdr;
        } else if (readFlag(f, k)) {
            cell = cell->cdr;
        } else if (strcmp(k, ":name") == 0) {
            const char* name = atomOf(cell->cdr);
            util::uassert(name != nullptr, "missing name");
            // The text of the query's tree, which the query owns.
            f->name = name;
            cell = cell->cdr->cdr;
        } else if (strcmp(k, ":result") == 0) {
            const char* text = atomOf(cell->cdr);
            util::uassert(text != nullptr, "missing result value");
            f->result = resultFromText(text);
            f->checkresult = true;
            cell = cell->cdr->cdr;
        } else if (strcmp(k, ":piececount") == 0 || strcmp(k, ":power") == 0 ||
                   strcmp(k, ":powerdifference") == 0) {
            cell = handlePieceCountOrPower(f, cell, state);
        } else if (strcmp(k, ":accumulate") == 0) {
            cell = handleAccumulate(f, cell, state);
        } else if (strcmp(k, ":sumrange") == 0) {
            cell = handleSum(f, cell, state);
        } else if (isCountKeyword(k)) {
            cell = handleCountKeyword(f, cell, k);
        } else if (strcmp(k, ":and") == 0 || strcmp(k, ":or") == 0) {
            cell = handleLogicSpec(f, cell, state, depth);
        } else if (isMoveKeyword(k)) {
            cell = handleMoveSpec(f, cell, k, &state.tags);
        } else if (strcmp(k, ":enpassant") == 0 || strcmp(k, ":noenpassant") == 0) {
            MoveFilter* move = moveFilterOf(f);
            (strcmp(k, ":enpassant") == 0 ? move->enpassant : move->notenpassant) = true;
            cell = cell->cdr;
        } else if (strcmp(k, ":attackcount") == 0) {
            cell = handleAttackCount(f, cell, &state.tags);
        } else if (isRayKeyword(k)) {
            cell = handleRaySpec(f, cell, &state.tags);
        } else if (strcmp(k, ":sequence") == 0 || strcmp(k, ":gappedsequence") == 0) {
            cell = handleSequenceSpec(f, cell, state, depth);
        } else if (strcmp(k, ":tagmatch") == 0) {
            cell = handleTagMatch(f, cell, &state.tags);
        } else if (strcmp(k, ":relation") == 0) {
            // A relation walks the game without the board of marks.
            util::uassert(state.marks() == nullptr, "Tags cannot be used with :relation");
            state.relationsRead = true;
            cell = handleEchoSpec(f, cell);
        } else {
            throw QueryError(std::string("unknown keyword: ") + k + "\n");
        }
    }
    util::uassert(!(f->check && f->notincheck),
                  ":check and :nocheck in one position list: no position can match it");
    if (f->searchVariations || f->searchVariationsOnly)
        f->subsetVariations(f->searchVariations, f->searchVariationsOnly);
    if (f->donotannotate && f->pairFilter) f->pairFilter->donotannotate = true;
    return owned.release();
}

void positionFilter::addPieceLoc(pieceLoc* loc) {
    util::uassert(int(pieces.size()) < npiecesmax,
                  "too many piece designators in one position list: at most 65");
    pieces.push_back(loc);
}

pieceLoc* positionFilter::getPieceLoc(int i) {
    ASSERT(i >= 0 && i < int(pieces.size()));
    if (pieces[i] == nullptr) {
        printf("unexpected NULL pieces[i] in getPieceLoc\n");
        printf("i is: %d\n", i);
        printf("this positionfilter is: \n");
        print();
        _MyAssert(__FILE__, __LINE__);
    }
    return pieces[i];
}

void positionFilter::subsetVariations(bool vars, bool varsonly) {
    if (!vars && !varsonly) return;
    // :variations wins over :variationsonly, also against a parent's.
    if (vars) {
        searchVariations = true;
        searchVariationsOnly = false;
    } else if (!searchVariations) {
        searchVariationsOnly = true;
    }
    if (sequenceFilter) {
        // A search into variations tests the elements inside them, and the
        // elements' own searches go into variations as well.
        for (positionFilter* f : sequenceFilter->positionFilters) {
            f->searchVariations = true;
            f->subsetVariations(true, true);
        }
    }
    for (positionFilter* f : andFilters) f->subsetVariations(vars, varsonly);
    for (positionFilter* f : orFilters) f->subsetVariations(vars, varsonly);
}
