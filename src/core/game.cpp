#include "core/game.h"

#include <cstdlib>
#include <cstring>

#include "core/misc.h"
#include "core/stralloc.h"

const char* const ratingTypeNames[7] = {"Elo", "Rating", "Rapid", "ICCF", "USCF", "DWZ", "BCF"};

namespace {

constexpr uint32_t COMMENT_BUCKET_SIZE = 8000;
constexpr byte MAX_VARIATIONS = 255;  // numVariations is one byte

// What a standard tag that was not given reads.
constexpr char unknownTag[] = "?";

void setTag(std::string& field, const char* s) {
    ASSERT(s != nullptr);
    field.assign(s);
}

}  // namespace

Game::Game()
    : MoveChunk(nullptr),
      SpareChunks(nullptr),
      FreeList(nullptr),
      EventStr(unknownTag),
      SiteStr(unknownTag),
      WhiteStr(unknownTag),
      BlackStr(unknownTag),
      RoundStr(unknownTag),
      StartPos(nullptr),
      CurrentPos(nullptr),
      FirstMove(nullptr),
      SavedPos(nullptr),
      SavedMove(nullptr),
      StrAlloc(nullptr),
      NumTags(0),
      CurrentMove(nullptr) {
    Init();
}

Game::~Game() {
    for (moveChunkT* list : {MoveChunk, SpareChunks}) {
        while (list != nullptr) {
            moveChunkT* older = list->next;
            delete list;
            list = older;
        }
    }
    delete StartPos;
    delete CurrentPos;
    delete SavedPos;
    delete EndPos;
    delete StrAlloc;
}

void Game::Init() {
    if (MoveChunk == nullptr) {
        MoveChunk = new moveChunkT;
        MoveChunk->numFree = MOVE_CHUNKSIZE;
        MoveChunk->next = nullptr;
    }
    if (CurrentPos == nullptr) CurrentPos = new Position;
    if (StrAlloc == nullptr) StrAlloc = new StrAllocator(COMMENT_BUCKET_SIZE);
    PgnStyle = PGN_STYLE_TAGS | PGN_STYLE_COMMENTS | PGN_STYLE_VARS;
    PgnFormat = PGN_FORMAT_Plain;
    HtmlStyle = 0;
    NumMovesPrinted = 0;
    StopLocation = 0;
    PgnLastMovePos = 0;
    PgnNextMovePos = 0;
    Clear();
}

void Game::Clear() {
    GameNumber = 0;
    SavedMove = nullptr;
    StrAlloc->DeleteAll();
    ClearStandardTags();
    ClearExtraTags();
    ClearMoves();
}

void Game::ClearStandardTags() {
    EventStr.assign(unknownTag);
    SiteStr.assign(unknownTag);
    WhiteStr.assign(unknownTag);
    BlackStr.assign(unknownTag);
    RoundStr.assign(unknownTag);
    Date = 0;
    EventDate = 0;
    Result = RESULT_None;
    EcoCode = 0;
    WhiteElo = BlackElo = 0;
    WhiteRatingType = BlackRatingType = 0;
    BrelFlags[0] = 0;
}

void Game::ClearExtraTags() {
    NumTags = 0;
}

void Game::ClearMoves() {
    EndMove = nullptr;
    NonStandardStart = false;
    CurrentPlyCount = 0;
    VarDepth = 0;
    SavedMove = nullptr;  // it would point into the nodes handed out again
    // The oldest chunk stays in use and the others wait for a longer game:
    // a scan allocates nodes only for a game longer than any before it.
    while (MoveChunk->next != nullptr) {
        moveChunkT* older = MoveChunk->next;
        MoveChunk->next = SpareChunks;
        SpareChunks = MoveChunk;
        MoveChunk = older;
    }
    MoveChunk->numFree = MOVE_CHUNKSIZE;
    FreeList = nullptr;
    StrAlloc->DeleteAll();

    FirstMove = NewMove();
    moveT* end = NewMove();
    FirstMove->marker = START_MARKER;
    end->marker = END_MARKER;
    FirstMove->next = end;
    end->prev = FirstMove;
    CurrentMove = end;
    CurrentPos->StdStart();
    if (Observer != nullptr) Observer->movesCleared(*CurrentPos);
}

moveT* Game::NewMove() {
    moveT* m;
    if (FreeList != nullptr) {
        m = FreeList;
        FreeList = m->next;
    } else {
        if (MoveChunk->numFree == 0) {
            moveChunkT* chunk = SpareChunks;
            if (chunk != nullptr) {
                SpareChunks = chunk->next;
            } else {
                chunk = new moveChunkT;
            }
            chunk->numFree = MOVE_CHUNKSIZE;
            chunk->next = MoveChunk;
            MoveChunk = chunk;
        }
        m = &MoveChunk->moves[--MoveChunk->numFree];
    }
    memset(m, 0, sizeof *m);
    m->marker = NO_MARKER;
    return m;
}

void Game::FreeMove(moveT* m) {
    m->next = FreeList;
    FreeList = m;
}

char* Game::CopyComment(const char* text) {
    return StrAlloc->Duplicate(text);
}

void Game::SetEventStr(const char* s) {
    setTag(EventStr, s);
}
void Game::SetSiteStr(const char* s) {
    setTag(SiteStr, s);
}
void Game::SetWhiteStr(const char* s) {
    setTag(WhiteStr, s);
}
void Game::SetBlackStr(const char* s) {
    setTag(BlackStr, s);
}
void Game::SetRoundStr(const char* s) {
    setTag(RoundStr, s);
}

void Game::SetBrelFlags(const char* s) {
    strncpy(BrelFlags, s, sizeof BrelFlags - 1);
    BrelFlags[sizeof BrelFlags - 1] = 0;
}

errorT Game::AddPgnTag(const char* tag, const char* value) {
    for (uint32_t i = 0; i < NumTags; ++i) {
        if (strEqual(TagList[i].tag, tag)) {
            TagValues[i].assign(value);
            TagList[i].value = TagValues[i].data();
            return OK;
        }
    }
    if (NumTags == MAX_TAGS) return ERROR_GameFull;
    size_t len = strlen(tag);
    if (len > MAX_TAG_LEN) len = MAX_TAG_LEN;
    TagNames[NumTags].assign(tag, len);
    TagValues[NumTags].assign(value);
    TagList[NumTags].tag = TagNames[NumTags].data();
    TagList[NumTags].value = TagValues[NumTags].data();
    ++NumTags;
    return OK;
}

errorT Game::SetStartFen(const char* fen) {
    Position* pos = new Position;
    errorT err = pos->ReadFromFEN(fen);
    if (err != OK) {
        delete pos;
        return err;
    }
    if (FirstMove->next->marker != END_MARKER || !AtStart()) ClearMoves();
    VarDepth = 0;
    delete StartPos;
    StartPos = pos;
    EndMove = nullptr;
    CurrentPos->CopyFrom(*StartPos);
    NonStandardStart = true;
    if (Observer != nullptr) Observer->movesCleared(*CurrentPos);
    return OK;
}

// Unlinks the nodes from m to the end of its line, with every variation
// hanging from them, and gives them back for reuse. Iterative: a line may
// hold variations nested to any depth.
void Game::FreeLineFrom(moveT* m) {
    // Pending variation start markers, linked through their unused prev field.
    moveT* pending = nullptr;
    while (true) {
        while (m != nullptr) {
            moveT* next = m->next;
            for (moveT* v = m->varChild; m->marker == NO_MARKER && v != nullptr;) {
                moveT* sibling = v->varChild;
                v->prev = pending;
                pending = v;
                v = sibling;
            }
            FreeMove(m);
            m = next;
        }
        if (pending == nullptr) return;
        m = pending;
        pending = pending->prev;
        m->prev = nullptr;
        m->varChild = nullptr;
    }
}

errorT Game::AddMove(const simpleMoveT* sm, const char* san) {
    ASSERT(CurrentMove->marker != START_MARKER);
    if (CurrentMove->marker != END_MARKER) [[unlikely]] {
        // Cut the line here: the current node becomes its end marker.
        if (Observer != nullptr) Observer->followingLost();
        moveT* cut = CurrentMove;
        if (cut->next != nullptr) FreeLineFrom(cut->next);
        moveT* pending = cut->varChild;
        cut->varChild = nullptr;
        cut->numVariations = 0;
        cut->comment = nullptr;
        cut->nagCount = 0;
        cut->nags[0] = 0;
        cut->san[0] = 0;
        cut->observed = 0;
        cut->next = nullptr;
        cut->marker = END_MARKER;
        for (moveT* v = pending; v != nullptr;) {
            moveT* sibling = v->varChild;
            v->varChild = nullptr;
            FreeLineFrom(v);
            v = sibling;
        }
    }
    EndMove = nullptr;
    moveT* end = CurrentMove;
    moveT* m = NewMove();
    m->moveData = *sm;
    if (san != nullptr) {
        strncpy(m->san, san, sizeof m->san - 1);
        m->san[sizeof m->san - 1] = 0;
    }
    m->prev = end->prev;
    m->next = end;
    end->prev->next = m;
    end->prev = m;
    // After a cut above, the observer follows no longer: this move is lost
    // to it too.
    if (Observer != nullptr) [[unlikely]] {
        MoveObserver& o = *Observer;
        m->observed = (o.changed & o.watched) != 0 && CurrentPos->GetToMove() != o.idleSide
                          ? o.moveAdded(*CurrentPos, *sm)
                          : 0;
        o.changed |= MoveObserver::codesChangedBy(*sm);
    }
    CurrentPos->DoSimpleMove(&m->moveData);
    ++CurrentPlyCount;
    return OK;
}

errorT Game::AddVariation() {
    ASSERT(CurrentMove != nullptr && CurrentMove->prev != nullptr);
    moveT* m = CurrentMove->prev;
    if (m->marker == START_MARKER) return ERROR_StartOfMoveList;
    if (m->numVariations == MAX_VARIATIONS) return ERROR_GameFull;
    if (Observer != nullptr) {
        if (CurrentMove->marker == END_MARKER)
            Observer->variationEntered();
        else
            Observer->followingLost();
    }
    EndMove = nullptr;
    moveT* start = NewMove();
    moveT* end = NewMove();
    start->marker = START_MARKER;
    end->marker = END_MARKER;
    start->next = end;
    end->prev = start;
    start->varParent = m;
    if (m->varChild == nullptr) {
        m->varChild = start;
    } else {
        moveT* v = m->varChild;
        while (v->varChild != nullptr) v = v->varChild;
        v->varChild = start;
    }
    ++m->numVariations;
    CurrentPos->UndoSimpleMove(&m->moveData);
    --CurrentPlyCount;
    ++VarDepth;
    CurrentMove = end;
    return OK;
}

void Game::SetMoveComment(const char* text) {
    mySetMoveComment(CurrentMove, text);
}

const char* Game::GetMoveComment() const {
    return myGetMoveComment(CurrentMove);
}

void Game::mySetMoveComment(moveT* cursor, const char* text) {
    ASSERT(cursor != nullptr && cursor->prev != nullptr);
    moveT* m = cursor->prev;
    if (m->comment != nullptr) StrAlloc->Delete(m->comment);
    m->comment = text == nullptr ? nullptr : CopyComment(text);
}

const char* Game::myGetMoveComment(const moveT* cursor) const {
    ASSERT(cursor != nullptr && cursor->prev != nullptr);
    return cursor->prev->comment;
}

errorT Game::AddNag(byte nag) {
    ASSERT(CurrentMove != nullptr && CurrentMove->prev != nullptr);
    moveT* m = CurrentMove->prev;
    if (nag == 0) return OK;
    if (m->nagCount + 1u >= MAX_NAGS) return ERROR_GameFull;
    m->nags[m->nagCount++] = nag;
    m->nags[m->nagCount] = 0;
    return OK;
}

errorT Game::MoveBackup() {
    ASSERT(CurrentMove != nullptr && CurrentMove->prev != nullptr);
    if (CurrentMove->prev->marker == START_MARKER) return ERROR_StartOfMoveList;
    CurrentMove = CurrentMove->prev;
    ASSERT(CurrentMove->marker == NO_MARKER);
    CurrentPos->UndoSimpleMove(&CurrentMove->moveData);
    --CurrentPlyCount;
    return OK;
}

errorT Game::MoveIntoVariation(uint32_t varNumber) {
    ASSERT(CurrentMove != nullptr);
    if (CurrentMove->marker == END_MARKER) return ERROR_EndOfMoveList;
    if (varNumber >= CurrentMove->numVariations) return ERROR_NoVariation;
    moveT* v = CurrentMove->varChild;
    for (uint32_t i = 0; i < varNumber; ++i) v = v->varChild;
    ASSERT(v != nullptr && v->marker == START_MARKER && v->next != nullptr);
    CurrentMove = v->next;
    ++VarDepth;
    return OK;
}

errorT Game::MoveExitVariation() {
    ASSERT(CurrentMove != nullptr);
    if (VarDepth == 0) return ERROR_NoVariation;
    if (Observer != nullptr) {
        if (CurrentMove->marker == END_MARKER)
            Observer->variationLeft(*CurrentPos);
        else
            Observer->followingLost();
    }
    while (MoveBackup() == OK) {
    }
    moveT* start = CurrentMove->prev;
    ASSERT(start->marker == START_MARKER && start->varParent != nullptr);
    CurrentMove = start->varParent;
    --VarDepth;
    return OK;
}

void Game::MoveToPly(uint32_t hmNumber) {
    if (KeepEnd && VarDepth == 0 && CurrentMove->marker == END_MARKER && EndMove != CurrentMove) {
        if (EndPos == nullptr) EndPos = new Position;
        EndPos->CopyFrom(*CurrentPos);
        EndMove = CurrentMove;
        EndPlyCount = CurrentPlyCount;
    }
    VarDepth = 0;
    if (NonStandardStart) {
        CurrentPos->CopyFrom(*StartPos);
    } else {
        CurrentPos->StdStart();
    }
    CurrentPlyCount = 0;
    CurrentMove = FirstMove->next;
    for (uint32_t i = 0; i < hmNumber; ++i) {
        if (MoveForward() != OK) break;
    }
}

bool Game::ToMainLineEnd() {
    if (EndMove == nullptr || VarDepth != 0) return false;
    CurrentPos->CopyFrom(*EndPos);
    CurrentMove = const_cast<moveT*>(EndMove);
    CurrentPlyCount = EndPlyCount;
    return true;
}

bool Game::AtStart() const {
    return VarDepth == 0 && AtVarStart();
}

bool Game::AtVarStart() const {
    ASSERT(CurrentMove != nullptr && CurrentMove->prev != nullptr);
    return CurrentMove->prev->marker == START_MARKER;
}

bool Game::AtVarEnd() const {
    ASSERT(CurrentMove != nullptr);
    return CurrentMove->marker == END_MARKER;
}

uint32_t Game::GetNumVariations() const {
    ASSERT(CurrentMove != nullptr);
    return CurrentMove->numVariations;
}

moveT* Game::GetCurrentMove() const {
    ASSERT(CurrentMove != nullptr);
    return CurrentMove->marker == NO_MARKER ? CurrentMove : nullptr;
}

void Game::SaveState() {
    if (SavedPos == nullptr) SavedPos = new Position;
    SavedPos->CopyFrom(*CurrentPos);
    SavedMove = CurrentMove;
    SavedPlyCount = CurrentPlyCount;
    SavedVarDepth = VarDepth;
}

errorT Game::RestoreState() {
    if (SavedMove == nullptr) return ERROR;
    CurrentPos->CopyFrom(*SavedPos);
    CurrentMove = SavedMove;
    CurrentPlyCount = SavedPlyCount;
    VarDepth = SavedVarDepth;
    return OK;
}

byte game_parseNag(const char* text) {
    if (text[0] == '$') return static_cast<byte>(strtoul(text + 1, nullptr, 10) & 0xFF);
    if (text[0] >= '0' && text[0] <= '9')
        return static_cast<byte>(strtoul(text, nullptr, 10) & 0xFF);
    switch (text[0]) {
        case '!':
            if (strEqual(text, "!")) return 1;
            if (strEqual(text, "!!")) return 3;
            if (strEqual(text, "!?")) return 5;
            return 0;
        case '?':
            if (strEqual(text, "?")) return 2;
            if (strEqual(text, "??")) return 4;
            if (strEqual(text, "?!")) return 6;
            return 0;
        case '~':
            return 13;
        case '+':
            if (strncmp(text, "+=", 2) == 0 || strncmp(text, "+/=", 3) == 0) return 14;
            if (strncmp(text, "+/-", 3) == 0) return 16;
            if (strncmp(text, "+-", 2) == 0) return 18;
            return 0;
        case '=':
            if (strncmp(text, "=+", 2) == 0 || strncmp(text, "=/+", 3) == 0) return 15;
            if (strEqual(text, "=")) return 10;
            return 0;
        case '-':
            if (strncmp(text, "-/+", 3) == 0) return 17;
            if (strncmp(text, "-+", 2) == 0) return 19;
            return 0;
        case 'N':
            return strEqual(text, "N") ? 146 : 0;
        case 'D':
            return strEqual(text, "D") ? 201 : 0;
        default:
            return 0;
    }
}
