#include "filter/positionfilterlist.h"

#include <bit>
#include <cstdio>

#include "core/game.h"
#include "core/position.h"
#include "filter/attackfilter.h"
#include "filter/markboard.h"
#include "filter/matchmark.h"
#include "filter/positionfilter.h"
#include "filter/rayfilterlist.h"
#include "filter/scanstate.h"
#include "filter/variantindex.h"
#include "query/util.h"

namespace {

// Lists with fewer members than this test them all: selecting costs more
// than it saves.
constexpr int kIndexFrom = 8;

}  // namespace

positionFilterList::positionFilterList() {
    type = "positionFilterList";
}

positionFilterList::~positionFilterList() {
    for (positionFilter* f : filters)
        if (f != borrowed) delete f;
}

void positionFilterList::addFilter(positionFilter* p) {
    ASSERT(p != nullptr && nfilters() < nfiltersmax);
    initial = p->initial;
    varinitial = p->varinitial;
    terminal = p->terminal;
    varterminal = p->varterminal;
    check = p->check;
    notincheck = p->notincheck;
    donotannotate = p->donotannotate;
    notposition = p->notposition;
    if (filters.empty()) {
        name = p->name;
        movemin = p->movemin;
        movemax = p->movemax;
        checkmovenumber = p->checkmovenumber;
        checksum = p->checksum;
        for (int n = 0; n < naccumulators_max; n++) {
            accumulator_checks[n] = p->accumulator_checks[n];
            accumulator_mins[n] = p->accumulator_mins[n];
            accumulator_maxes[n] = p->accumulator_maxes[n];
        }
        searchVariations = p->searchVariations;
        searchVariationsOnly = p->searchVariationsOnly;
        mate = p->mate;
        stalemate = p->stalemate;
        markAll = p->markAll;
        nmatchesmin = p->nmatchesmin;
        nmatchesmax = p->nmatchesmax;
        checknmatches = p->checknmatches;
        npretransformmatchesmin = p->npretransformmatchesmin;
        npretransformmatchesmax = p->npretransformmatchesmax;
        checknpretransformmatches = p->checknpretransformmatches;
    }
    positionConditions = initial || terminal || varinitial || varterminal || checkmovenumber ||
                         check || notincheck || mate || stalemate;
    filters.push_back(p);
    variantIndex.reset();
    lineEndTest = boardTest = false;
}

positionFilter* positionFilterList::getPositionFilter(int i) const {
    ASSERT(i >= 0 && i < nfilters());
    return filters[i];
}

void positionFilterList::index() {
    for (positionFilter* f : filters) f->prepare();
    variantIndex.reset(nfilters() >= kIndexFrom ? new VariantIndex(filters) : nullptr);
    prepareQuickTests();
}

void positionFilterList::prepareQuickTests() {
    // A check test records the checks in the position: it must run where the
    // full test would run it, so lists with one are not pre-tested.
    bool effectFree = !notposition && !check && !notincheck;
    lineEndTest = effectFree && (mate || stalemate);
    boardMembers.clear();
    boardLocs.clear();
    boardRays.clear();
    boardAttacks.clear();
    boardTest = effectFree && !mate && !stalemate && !variantIndex;
    for (const positionFilter* member : filters) {
        if (!boardTest) break;
        BoardMember m{member->sideToMove, uint32_t(boardLocs.size()), 0, 0, 0, 0, 0};
        for (const pieceLoc* loc : member->pieces) {
            // Tagged designators and those without pieces are the full test's.
            if (loc->piecemask == 0) boardTest = false;
            boardLocs.push_back({loc->piecemask, loc->squaremask});
        }
        m.end = uint32_t(boardLocs.size());
        // The rays and attack counts are tested after the nested lists, which
        // may mark and count: only a member without them may be refused on
        // those.
        bool linesFirst = member->andlistFilters.empty() && member->orlistFilters.empty();
        m.raysBegin = uint32_t(boardRays.size());
        if (linesFirst && member->rayFilterList != nullptr) {
            for (int i = 0; i < member->rayFilterList->nfilters; i++) {
                const RayFilter* ray = member->rayFilterList->filters[i];
                if (ray->onSets()) boardRays.push_back(ray);
            }
        }
        m.raysEnd = uint32_t(boardRays.size());
        m.attacksBegin = uint32_t(boardAttacks.size());
        if (linesFirst)
            for (const AttackFilter* attack : member->attackFilters)
                if (attack->onSets()) boardAttacks.push_back(attack);
        m.attacksEnd = uint32_t(boardAttacks.size());
        // A member with nothing to test holds on too many boards for the
        // look-ahead to pay.
        if (m.begin == m.end && m.raysBegin == m.raysEnd && m.attacksBegin == m.attacksEnd)
            boardTest = false;
        boardMembers.push_back(m);
    }
    boardSide = boardMembers.empty() ? NOCOLOR : boardMembers.front().sideToMove;
    bool oneSide = true;
    for (const BoardMember& m : boardMembers)
        if (m.sideToMove != boardSide) {
            boardSide = NOCOLOR;
            oneSide = false;
        }
    boardRayCodes.clear();
    for (const RayFilter* ray : boardRays) boardRayCodes.push_back(ray->codes());
    // A member that does not ask for the side to move that others ask for
    // may hold where the test refused them all.
    boardWatchSquares = 0;
    boardWatchCodes = 0;
    for (const BoardLoc& loc : boardLocs) {
        boardWatchSquares |= loc.squares;
        boardWatchCodes |= loc.piecemask;
    }
    for (const AttackFilter* attack : boardAttacks) boardWatchCodes |= attack->codesOnSets();
    if (!oneSide)
        boardWatch = BoardWatch::Nothing;
    else if (!boardRays.empty())
        boardWatch = BoardWatch::Refusals;
    else if (boardAttacks.empty())
        boardWatch = BoardWatch::Squares;
    else if ((boardWatchCodes & 1u << EMPTY) == 0)
        boardWatch = BoardWatch::Codes;
    else
        boardWatch = BoardWatch::Nothing;
    if (!boardTest) {
        boardMembers.clear();
        boardLocs.clear();
        boardRays.clear();
        boardAttacks.clear();
        boardRayCodes.clear();
    }
}

[[gnu::always_inline]] inline bool positionFilterList::boardRejects(const SquareSet* sets,
                                                                    colorT toMove,
                                                                    unsigned* read) const {
    for (const BoardMember& m : boardMembers) {
        if (m.sideToMove != NOCOLOR && m.sideToMove != toMove) continue;
        uint32_t i = m.begin;
        for (; i < m.end; i++) {
            SquareSet on = 0;
            for (unsigned codes = boardLocs[i].piecemask; codes != 0; codes &= codes - 1)
                on |= sets[std::countr_zero(codes)];
            if ((on & boardLocs[i].squares) == 0) break;
        }
        if (i < m.end) {
            if (read != nullptr) *read |= boardLocs[i].piecemask;
            continue;
        }
        for (i = m.attacksBegin; i < m.attacksEnd; i++)
            if (!boardAttacks[i]->matchSets(sets, read)) break;
        if (i < m.attacksEnd) continue;
        bool offLines = false;
        for (i = m.raysBegin; i < m.raysEnd; i++)
            if (!boardRays[i]->matchSets(sets, offLines)) break;
        if (i == m.raysEnd) return false;
        // A ray found off its lines read only its designators; one walked,
        // the empty squares too.
        if (read != nullptr) *read |= offLines ? boardRayCodes[i] : ~0u;
    }
    return true;
}

[[gnu::always_inline]] inline bool positionFilterList::boardRejects(const Position* pos,
                                                                    unsigned* read) const {
    SquareSet sets[16];
    pos->CopyPieceSets(sets);
    return boardRejects(sets, pos->GetToMove(), read);
}

inline bool positionFilterList::quickReject(const Game* game) const {
    if (lineEndTest) {
        const moveT* next = game->GetCurrentMove();
        return next != nullptr && !isNullMove(next->moveData);
    }
    return boardTest && boardRejects(game->GetCurrentPos());
}

MoveObserver* positionFilterList::follower() {
    return boardTest ? &boardFollower : nullptr;
}

bool positionFilterList::BoardFollower::follows(const Game* game) const {
    return following && game->GetObserver() == this;
}

void positionFilterList::BoardFollower::movesCleared(const Position&) {
    following = list.boardTest;
    idleSide = list.boardSide == NOCOLOR ? NOCOLOR : color_Flip(list.boardSide);
    changed = watched = ~0u;
    marks = 0;
    variations = false;
}

byte positionFilterList::BoardFollower::moveAdded(Position& before, const simpleMoveT&) {
    watched = 0;
    changed = 0;
    if (list.boardRejects(&before, &watched)) {
        // When any move may change the answer, the test is made at every
        // position.
        if (list.boardWatch == BoardWatch::Nothing) watched = ~0u;
        return 0;
    }
    // Let through, the test is made again at the next position.
    watched = ~0u;
    marks++;
    return kPasses;
}

// A variation starts again from an earlier position, and the line it leaves
// goes on from a later one: the next position is tested.
void positionFilterList::BoardFollower::variationEntered() {
    changed = ~0u;
    variations = true;
}

void positionFilterList::BoardFollower::variationLeft(Position&) {
    changed = ~0u;
}

void positionFilterList::BoardFollower::followingLost() {
    following = false;
}

namespace {

// The square sets of the pieces, EMPTY's being the empty squares, and the
// side to move, carried forward by the moves' records: all the walk's look
// ahead needs of a position. The moves' changes are gathered too, as the
// squares or the piece codes (a bit each) whose sets they change, as asked.
template <bool watchSquares, bool watchCodes>
struct SetsAhead {
    SquareSet sets[16];
    colorT toMove;
    SquareSet changedSquares = ~SquareSet(0);
    unsigned changedCodes = ~0u;

    void load(const Position* pos) {
        toMove = pos->GetToMove();
        for (pieceT p = 0; p < 16; p++) sets[p] = pos->GetPieceSet(p);
    }

    void changed(pieceT p, SquareSet squares) {
        if constexpr (watchSquares) changedSquares |= squares;
        // The empty squares change with every move: no watch reads them.
        if constexpr (watchCodes) changedCodes |= 1u << p;
    }

    void move(pieceT p, squareT from, squareT to) {
        const SquareSet both = square_Bit(from) | square_Bit(to);
        sets[p] ^= both;
        sets[EMPTY] ^= both;
        changed(p, both);
    }

    // What the move does to the board, as the replay does it.
    void play(const simpleMoveT& sm) {
        const colorT c = toMove;
        toMove = color_Flip(c);
        if (sm.from == sm.to) return;  // a pass
        if (sm.capturedPiece != EMPTY) {
            sets[sm.capturedPiece] ^= square_Bit(sm.capturedSquare);
            sets[EMPTY] ^= square_Bit(sm.capturedSquare);
            changed(sm.capturedPiece, square_Bit(sm.capturedSquare));
        }
        pieceT p = sm.movingPiece;
        if (sm.promote != EMPTY) {
            sets[p] ^= square_Bit(sm.from);
            changed(p, square_Bit(sm.from));
            p = piece_Make(c, sm.promote);
            sets[p] ^= square_Bit(sm.from);
        }
        move(p, sm.from, sm.to);
        if (piece_Type(p) == KING && square_Fyle(sm.from) == E_FYLE) {
            const pieceT rook = piece_Make(c, ROOK);
            if (square_Fyle(sm.to) == G_FYLE) {
                move(rook, squareT(sm.to + 1), squareT(sm.to - 1));
            } else if (square_Fyle(sm.to) == C_FYLE) {
                move(rook, squareT(sm.to - 2), squareT(sm.to + 1));
            }
        }
    }

    // Whether the moves played since the last call changed any of `codes`
    // or `squares`, whichever is watched.
    bool changedSinceLast(unsigned codes, SquareSet squares) {
        bool any = true;
        if constexpr (watchSquares) {
            any = (changedSquares & squares) != 0;
            changedSquares = 0;
        }
        if constexpr (watchCodes) {
            any = (changedCodes & codes) != 0;
            changedCodes = 0;
        }
        return any;
    }
};

// Whether a look-ahead goes on past `node`: a line goes on up to its end, or
// to a move with variations to walk when they are searched.
bool goesOn(const moveT* node, bool searchVars) {
    return node->marker != END_MARKER && !(searchVars && node->numVariations > 0);
}

}  // namespace

bool positionFilterList::skipAhead(Game* game, bool testFirst, bool testLine, bool searchVars) {
    if (boardTest && testLine && boardFollower.follows(game))
        return skipMarked(game, testFirst, searchVars);
    switch (boardWatch) {
        case BoardWatch::Squares:
            return skipAhead<BoardWatch::Squares>(game, testFirst, testLine, searchVars);
        case BoardWatch::Codes:
            return skipAhead<BoardWatch::Codes>(game, testFirst, testLine, searchVars);
        case BoardWatch::Refusals:
            return skipAhead<BoardWatch::Refusals>(game, testFirst, testLine, searchVars);
        case BoardWatch::Nothing:
            break;
    }
    return skipAhead<BoardWatch::Nothing>(game, testFirst, testLine, searchVars);
}

template <positionFilterList::BoardWatch watch>
bool positionFilterList::skipAhead(Game* game, bool testFirst, bool testLine, bool searchVars) {
    if (testLine && !lineEndTest && !boardTest) return false;
    // The current position's sets are those the look-ahead starts from.
    SetsAhead<watch == BoardWatch::Squares,
              watch == BoardWatch::Codes || watch == BoardWatch::Refusals>
        ahead;
    if (boardTest) ahead.load(game->GetCurrentPos());
    if (testFirst && testLine &&
        !(boardTest ? boardRejects(ahead.sets, ahead.toMove) : quickReject(game)))
        return true;
    const moveT* node = game->myCursor();
    uint32_t steps = 0;
    // Whether the full test may hold where the look-ahead stops; `node`
    // holds the move played from there, if any.
    bool passes = false;
    if (!testLine) {
        for (; goesOn(node, searchVars); node = node->next) steps++;
    } else if (lineEndTest) {
        while (goesOn(node, searchVars) && !passes) {
            node = node->next;
            steps++;
            passes = node->marker == END_MARKER || isNullMove(node->moveData);
        }
    } else {
        // Never a side to move when the members ask for none or differ.
        const colorT refused = boardSide == NOCOLOR ? NOCOLOR : color_Flip(boardSide);
        // The piece codes that the last refusal read.
        unsigned read = watch == BoardWatch::Refusals ? ~0u : boardWatchCodes;
        while (goesOn(node, searchVars)) {
            ahead.play(node->moveData);
            node = node->next;
            steps++;
            // Refused once, the board test stays refused until a move
            // changes something the refusal read.
            if (ahead.toMove == refused || !ahead.changedSinceLast(read, boardWatchSquares))
                continue;
            bool rejects;
            if constexpr (watch == BoardWatch::Refusals) {
                read = 0;
                rejects = boardRejects(ahead.sets, ahead.toMove, &read);
                // Every move changes the empty squares: a refusal that read
                // them is tested again after any move but a pass.
                if ((read & 1u << EMPTY) != 0) read = ~0u;
            } else {
                rejects = boardRejects(ahead.sets, ahead.toMove);
            }
            if (!rejects) {
                passes = true;
                break;
            }
        }
    }
    if (steps == 0) return false;
    goForward(game, node, steps);
    return passes;
}

bool positionFilterList::skipMarked(Game* game, bool testFirst, bool searchVars) {
    const moveT* node = game->myCursor();
    // A line's end is no move's position: it is tested on the board.
    if (testFirst &&
        (node->marker == END_MARKER ? !boardRejects(game->GetCurrentPos()) : node->observed != 0))
        return true;
    // Most games have no position the test lets through: along the main
    // line, with no variation to stop at, the walk goes to its end at once.
    if (!boardFollower.anyMarks() && !(searchVars && boardFollower.anyVariations()) &&
        game->GetVarLevel() == 0 && node->marker != END_MARKER && game->ToMainLineEnd())
        return false;
    uint32_t steps = 0;
    bool passes = false;
    while (goesOn(node, searchVars)) {
        node = node->next;
        steps++;
        if (node->observed != 0) {
            passes = true;
            break;
        }
    }
    if (steps == 0) return false;
    goForward(game, node, steps);
    return passes;
}

void positionFilterList::goForward(Game* game, const moveT* node, uint32_t steps) {
    if (node != game->MainLineEnd() || !game->ToMainLineEnd())
        for (; steps > 0; steps--) game->MoveForward();
}

bool positionFilterList::match(Game* game, ScanState& state) {
    // From the next game on, the walk can jump to the main line's end.
    game->KeepMainLineEnd();
    state.walk++;
    nmatches = 0;
    for (positionFilter* f : filters) f->nmatches = 0;
    return state.marks() ? walk<true>(game, state) : walk<false>(game, state);
}

// Compiled twice, so that a walk without tags does not even test for them.
template <bool tagged>
bool positionFilterList::walk(Game* game, ScanState& state) {
    bool searchVars = searchVariations || searchVariationsOnly;
    MarkBoard* marks = tagged ? state.marks() : nullptr;

    // The walk goes forward along a line; a variation is walked from the
    // move it replaces and left again afterwards. Lines are kept on a stack
    // rather than in recursion, so no game is too long to walk.
    walkStack.clear();
    walkStack.push_back({true, false, false, 0});
    bool found = false;
    for (;;) {
        WalkFrame& line = walkStack.back();
        if (!line.testedHere) {
            // Along the line, testing each position, up to its end or to a
            // move with variations to walk.
            bool testLine = game->GetVarLevel() > 0 || !searchVariationsOnly;
            bool allow = line.allowcurrent;
            bool stop = false;
            for (;;) {
                // Whether the look-ahead has pre-tested this position already.
                bool passes = false;
                if (!tagged) {
                    const moveT* before = game->myCursor();
                    passes = skipAhead(game, allow, testLine, searchVars);
                    if (game->myCursor() != before) allow = true;
                }
                state.accumulators.clearAccumulators();
                if (allow && testLine && (passes || !quickReject(game)) &&
                    matchCurrentPosition(game, state)) {
                    line.matched = true;
                    if (!markAll) {
                        stop = true;
                        break;
                    }
                }
                if (game->AtVarEnd() || (searchVars && game->GetNumVariations() > 0)) break;
                gamewalk::forward(game, marks);
                allow = true;
            }
            line.allowcurrent = allow;
            line.testedHere = true;
            line.nextVariation = 0;
            if (stop) {
                found = true;
                break;
            }
        }
        if (searchVars && line.nextVariation < game->GetNumVariations()) {
            gamewalk::intoVariation(game, marks, line.nextVariation++);
            // The variation's first position is this one, already tested.
            walkStack.push_back({false, false, false, 0});
            continue;
        }
        if (!game->AtVarEnd()) {
            gamewalk::forward(game, marks);
            line.allowcurrent = true;
            line.testedHere = false;
            continue;
        }
        // The end of a line: hand its result to the line it branched from.
        bool matched = line.matched;
        walkStack.pop_back();
        if (walkStack.empty()) {
            found = matched;
            break;
        }
        gamewalk::exitVariation(game, marks);
        if (matched) {
            walkStack.back().matched = true;
            if (!markAll) {
                found = true;
                break;
            }
        }
    }
    // A match without :markall ends the walk at once, wherever it is.
    for (size_t depth = walkStack.size(); depth > 1; depth--) gamewalk::exitVariation(game, marks);
    return found;
}

bool positionFilterList::matchCurrentPosition(Game* game, ScanState& state) {
    bool matched;
    if (notposition) {
        // The members still count and accumulate what they match inside.
        matched = !testPosition(game, state);
    } else {
        matched = testPosition(game, state);
    }
    if (!matched) return false;
    nmatches++;
    if (!donotannotate) markMatch(game);
    return true;
}

bool positionFilterList::testPosition(Game* game, ScanState& state) {
    if (positionConditions && !testConditions(game)) return false;
    // The members' board conditions, which have no effect, rule out most
    // positions before any member is tested in full.
    const Position* pos = game->GetCurrentPos();
    const std::vector<uint16_t>* selected = nullptr;
    if (variantIndex) {
        selected = &variantIndex->candidates(pos);
        if (selected->empty()) return false;
    } else if (!anyMemberOnBoard(pos)) {
        return false;
    }
    if (!testMembers(game, state, selected)) return false;
    return !checksum || checkSums(state);
}

bool positionFilterList::anyMemberOnBoard(const Position* pos) const {
    for (const positionFilter* member : filters)
        if (member->matchBoard(pos)) return true;
    return false;
}

bool positionFilterList::testConditions(Game* game) {
    if (initial && game->GetCurrentPly() != 0) return false;
    if (terminal && !game->AtVarEnd()) return false;
    if (varinitial && !game->AtVarStart() && game->GetNumVariations() == 0) return false;
    // The last position of a variation: the end of a line that is not the main line.
    if (varterminal && (!game->AtVarEnd() || game->GetVarLevel() == 0)) return false;
    if (checkmovenumber) {
        int move = int(game->GetCurrentPly()) / 2 + 1;
        if (move < movemin || move > movemax) return false;
    }
    Position* pos = game->GetCurrentPos();
    if ((check || notincheck) && pos->myIsKingInCheck() != check) return false;
    if (!mate && !stalemate) return true;
    // A move the game goes on with is a legal move, which neither a mate nor
    // a stalemate leaves: only where a line ends or a pass follows are they
    // tested.
    const moveT* next = game->GetCurrentMove();
    if (next != nullptr && !isNullMove(next->moveData)) return false;
    if (mate && !pos->myIsKingInMate()) return false;
    return !stalemate || pos->myIsKingInStalemate();
}

bool positionFilterList::testMembers(Game* game, ScanState& state,
                                     const std::vector<uint16_t>* selected) {
    bool matched = false;
    auto test = [&](positionFilter* member) {
        if (!member->matchCurrentPosition(game, state)) return false;
        matched = true;
        // Every matching variant must reach the accumulators.
        return !checksum && !member->accumulate;
    };
    if (selected) {
        for (uint16_t i : *selected)
            if (test(filters[i])) break;
    } else {
        for (positionFilter* member : filters)
            if (test(member)) break;
    }
    return matched;
}

bool positionFilterList::checkSums(const ScanState& state) const {
    for (int n = 0; n < naccumulators_max; n++) {
        if (!accumulator_checks[n]) continue;
        int value = state.accumulators.getAccumulatorValue(n);
        if (value < accumulator_mins[n] || value > accumulator_maxes[n]) return false;
    }
    return true;
}

void positionFilterList::markMatch(Game* game) {
    // The move's own comment is kept after the mark: the written game must
    // not lose the annotator's words.
    addMatchMark(game, game->myCursor(), kListMark);
}

bool positionFilterList::checkPretransformMatchCount() const {
    if (!checknpretransformmatches) return true;
    for (const positionFilter* f : filters)
        if (f->nmatches >= npretransformmatchesmin && f->nmatches <= npretransformmatchesmax)
            return true;
    return false;
}

positionFilterList* positionFilterList::clone() const {
    positionFilterList* copy = new positionFilterList();
    for (const positionFilter* f : filters) copy->addFilter(f->clone());
    copy->nmatches = nmatches;
    copy->index();
    return copy;
}

void positionFilterList::makeFlip(char code) {
    for (positionFilter* f : filters) f->makeFlip(code);
    index();
}

bool positionFilterList::makeshift(int filei, int ranki) {
    std::vector<positionFilter*> kept;
    for (positionFilter* f : filters) {
        if (f->makeshift(filei, ranki))
            kept.push_back(f);
        else if (f != borrowed)
            delete f;
    }
    filters = std::move(kept);
    index();
    return !filters.empty();
}

void positionFilterList::print() {
    printf("\npositionFilterList print: ");
    if (name) printf(" Name: %s ", name);
    if (initial) printf("initial ");
    if (varinitial) printf("varinitial ");
    if (terminal) printf("terminal ");
    if (varterminal) printf("varterminal ");
    if (checkmovenumber) printf("movemin: %d movemax: %d ", movemin, movemax);
    if (donotannotate) printf("donotannotate ");
    if (searchVariations) printf("searchVariations ");
    if (searchVariationsOnly) printf("searchVariationsOnly ");
    if (check) printf(" check ");
    if (notincheck) printf(" notincheck ");
    if (markAll) printf("markall ");
    if (notposition) printf("notposition  ");
    if (checksum) {
        printf(" checksum ");
        for (int n = 0; n < naccumulators_max; n++)
            if (accumulator_checks[n])
                printf("\nAccumulator check [%d]: %d, min: %d, max: %d\n", n, accumulator_checks[n],
                       accumulator_mins[n], accumulator_maxes[n]);
    }
    printf("\nThe position filters of this positionFilterList are: \n");
    for (int i = 0; i < nfilters(); i++) {
        printf("Printing filter %d of %d\n", i, nfilters());
        filters[i]->print();
        printf("\n");
    }
    if (name) printf(" End of print of positionFilterList: Name: %s ", name);
}
