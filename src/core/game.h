// One chess game: header tags, an optional FEN start, and the moves as a tree
// (main line, nested variations, comments, NAGs) walked by a cursor. The
// engine reuses a single Game for every game of the input.
#pragma once

#include <string>

#include "core/common.h"
#include "core/error.h"
#include "core/movelist.h"
#include "core/moveobserver.h"
#include "core/position.h"

class StrAllocator;
class TextBuffer;

constexpr uint32_t MAX_TAGS = 40;
constexpr uint32_t MAX_TAG_LEN = 240;
constexpr uint32_t MAX_NAGS = 8;  // seven NAGs and the terminating 0

// Markers of the move-tree nodes.
constexpr byte NO_MARKER = 0;
constexpr byte START_MARKER = 1;
constexpr byte END_MARKER = 2;
constexpr byte END_GAME = 3;

// Rating types, by code; their names follow the player's colour in PGN tags.
constexpr byte RATING_Elo = 0;
constexpr byte RATING_Rating = 1;
constexpr byte RATING_Rapid = 2;
constexpr byte RATING_ICCF = 3;
constexpr byte RATING_USCF = 4;
constexpr byte RATING_DWZ = 5;
constexpr byte RATING_BCF = 6;
extern const char* const ratingTypeNames[7];

constexpr eloT MAX_ELO = 4000;

// Output formats of the PGN writer.
enum gameFormatT {
    PGN_FORMAT_Plain = 0,
    PGN_FORMAT_HTML = 1,
    PGN_FORMAT_LaTeX = 2,
    PGN_FORMAT_Color = 3
};

// Style bits of the PGN writer.
constexpr uint32_t PGN_STYLE_TAGS = 1;
constexpr uint32_t PGN_STYLE_COMMENTS = 2;
constexpr uint32_t PGN_STYLE_VARS = 4;
constexpr uint32_t PGN_STYLE_INDENT_COMMENTS = 8;
constexpr uint32_t PGN_STYLE_INDENT_VARS = 16;
constexpr uint32_t PGN_STYLE_SYMBOLS = 32;
constexpr uint32_t PGN_STYLE_SHORT_HEADER = 64;
constexpr uint32_t PGN_STYLE_MOVENUM_SPACE = 128;
constexpr uint32_t PGN_STYLE_COLUMN = 256;
constexpr uint32_t PGN_STYLE_BREL_FLAGS = 512;
constexpr uint32_t PGN_STYLE_STRIP_MARKS = 1024;
constexpr uint32_t PGN_STYLE_NO_NULL_MOVES = 2048;

struct moveT {
    simpleMoveT moveData;
    char san[10];
    char* comment;
    moveT* prev;
    moveT* next;
    moveT* varChild;
    moveT* varParent;
    byte marker;
    byte numVariations;
    byte nagCount;
    byte nags[MAX_NAGS];
    // What the game's observer returned for the position this move is made
    // in when the move was added; 0 without an observer.
    byte observed;
};

constexpr uint32_t MOVE_CHUNKSIZE = 100;

struct moveChunkT {
    moveT moves[MOVE_CHUNKSIZE];
    uint32_t numFree;
    moveChunkT* next;
};

struct tagT {
    char* tag;
    char* value;
};

class Game {
  public:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void Init();
    void Clear();
    void ClearStandardTags();
    void ClearExtraTags();
    void ClearMoves();

    // Header.
    void SetNumber(uint32_t n) { GameNumber = n; }
    uint32_t GetNumber() const { return GameNumber; }
    void SetEventStr(const char* s);
    void SetSiteStr(const char* s);
    void SetWhiteStr(const char* s);
    void SetBlackStr(const char* s);
    void SetRoundStr(const char* s);
    const char* GetEventStr() const { return EventStr.c_str(); }
    const char* GetSiteStr() const { return SiteStr.c_str(); }
    const char* GetWhiteStr() const { return WhiteStr.c_str(); }
    const char* GetBlackStr() const { return BlackStr.c_str(); }
    const char* GetRoundStr() const { return RoundStr.c_str(); }
    void SetDate(dateT d) { Date = d; }
    dateT GetDate() const { return Date; }
    void SetEventDate(dateT d) { EventDate = d; }
    dateT GetEventDate() const { return EventDate; }
    void SetResult(resultT r) { Result = r; }
    resultT GetResult() const { return Result; }
    void SetEco(ecoT e) { EcoCode = e; }
    ecoT GetEco() const { return EcoCode; }
    void SetWhiteElo(eloT e) { WhiteElo = e; }
    void SetBlackElo(eloT e) { BlackElo = e; }
    eloT GetWhiteElo() const { return WhiteElo; }
    eloT GetBlackElo() const { return BlackElo; }
    void SetWhiteRatingType(byte t) { WhiteRatingType = t; }
    void SetBlackRatingType(byte t) { BlackRatingType = t; }
    byte GetWhiteRatingType() const { return WhiteRatingType; }
    byte GetBlackRatingType() const { return BlackRatingType; }
    void SetBrelFlags(const char* s);
    const char* GetBrelFlags() const { return BrelFlags; }

    // ERROR_GameFull when the game already holds MAX_TAGS extra tags.
    errorT AddPgnTag(const char* tag, const char* value);
    uint32_t GetNumExtraTags() const { return NumTags; }
    const tagT* GetExtraTags() const { return TagList; }

    errorT SetStartFen(const char* fen);
    bool HasNonStandardStart() const { return NonStandardStart; }
    const Position* GetStartPos() const { return NonStandardStart ? StartPos : nullptr; }

    // Building the move tree at the cursor.
    // `observer`, when not null, is told how the tree grows from here on.
    void SetObserver(MoveObserver* observer) { Observer = observer; }
    const MoveObserver* GetObserver() const { return Observer; }
    errorT AddMove(const simpleMoveT* sm, const char* san);
    errorT AddVariation();
    void SetMoveComment(const char* text);
    const char* GetMoveComment() const;
    errorT AddNag(byte nag);

    // Navigation.
    errorT MoveForward();
    errorT MoveBackup();
    errorT MoveIntoVariation(uint32_t varNumber);
    errorT MoveExitVariation();
    void MoveToPly(uint32_t hmNumber);
    bool AtStart() const;
    bool AtVarStart() const;
    bool AtVarEnd() const;
    uint32_t GetVarLevel() const { return VarDepth; }
    uint32_t GetNumVariations() const;
    uint32_t GetCurrentPly() const { return CurrentPlyCount; }
    Position* GetCurrentPos() { return CurrentPos; }
    const Position* GetCurrentPos() const { return CurrentPos; }
    moveT* GetCurrentMove() const;
    void SaveState();
    errorT RestoreState();

    // A shortcut for walks that test no position before the main line's
    // end: when asked to, rewinding from that end keeps its position, and
    // ToMainLineEnd() then goes back there by a copy instead of a replay.
    // Any change to the moves drops the kept position.
    void KeepMainLineEnd() { KeepEnd = true; }
    const moveT* MainLineEnd() const { return EndMove; }
    // False, changing nothing, when no position is kept or the cursor is in
    // a variation.
    bool ToMainLineEnd();

    // The engine's look-ahead. The cursor node tells every position of the
    // move tree apart, the end of each line included; the comment of the move
    // that led to a position can be read and set through it later, without
    // walking back to that position.
    moveT* myCursor() const { return CurrentMove; }
    const char* myGetMoveComment(const moveT* cursor) const;
    void mySetMoveComment(moveT* cursor, const char* text);

    // Writing: the chess core's move-text writer.
    void SetPgnStyle(uint32_t style) { PgnStyle = style; }
    uint32_t GetPgnStyle() const { return PgnStyle; }
    void SetPgnFormat(gameFormatT f) { PgnFormat = f; }
    bool IsPlainFormat() const { return PgnFormat == PGN_FORMAT_Plain; }
    bool IsHtmlFormat() const { return PgnFormat == PGN_FORMAT_HTML; }
    bool IsLatexFormat() const { return PgnFormat == PGN_FORMAT_LaTeX; }
    bool IsColorFormat() const { return PgnFormat == PGN_FORMAT_Color; }
    errorT WriteMoveList(TextBuffer* tb, uint32_t plyCount, moveT* oldCurrentMove,
                         bool printMoveNum, bool inComment);
    errorT WriteComment(TextBuffer* tb, const char* preStr, const char* comment,
                        const char* postStr);

    // Writing: the engine's annotated game record.
    errorT WriteToPGN_changed(TextBuffer* tb);
    errorT WritePGN_changed(TextBuffer* tb, uint32_t stopLocation);
    errorT handleinitialcomment_changed(TextBuffer* tb);

  private:
    moveT* NewMove();
    void FreeMove(moveT* m);
    void FreeLineFrom(moveT* m);
    char* CopyComment(const char* text);

    uint32_t GameNumber;
    bool NonStandardStart;
    uint16_t CurrentPlyCount;
    char BrelFlags[16];
    moveChunkT* MoveChunk;
    // Chunks a longer game needed, kept for the next one.
    moveChunkT* SpareChunks;
    moveT* FreeList;

    // The texts keep their storage from game to game: reading a header
    // allocates only for a text longer than any before it.
    std::string EventStr;
    std::string SiteStr;
    std::string WhiteStr;
    std::string BlackStr;
    std::string RoundStr;
    dateT Date;
    dateT EventDate;
    resultT Result;
    ecoT EcoCode;
    eloT WhiteElo;
    eloT BlackElo;
    byte WhiteRatingType;
    byte BlackRatingType;

    Position* StartPos;
    Position* CurrentPos;
    MoveObserver* Observer = nullptr;
    moveT* FirstMove;
    uint32_t VarDepth;

    Position* SavedPos;
    moveT* SavedMove;
    uint16_t SavedPlyCount;
    uint32_t SavedVarDepth;

    bool KeepEnd = false;
    Position* EndPos = nullptr;
    const moveT* EndMove = nullptr;
    uint16_t EndPlyCount = 0;

    StrAllocator* StrAlloc;
    // The extra tags' entries point into the names and values, which, like
    // the texts above, are reused from game to game.
    tagT TagList[MAX_TAGS];
    std::string TagNames[MAX_TAGS];
    std::string TagValues[MAX_TAGS];
    uint32_t NumTags;

    uint32_t PgnStyle;
    gameFormatT PgnFormat;
    uint32_t HtmlStyle;
    uint32_t NumMovesPrinted;
    uint32_t StopLocation;
    uint32_t PgnLastMovePos;
    uint32_t PgnNextMovePos;

    moveT* CurrentMove;
};

// Inline: walks step forward through every position of every game.
inline errorT Game::MoveForward() {
    ASSERT(CurrentMove != nullptr);
    if (CurrentMove->marker == END_MARKER) return ERROR_EndOfMoveList;
    ASSERT(CurrentMove->marker == NO_MARKER && CurrentMove->next != nullptr);
    // Every node was made once from the very position it is now replayed
    // from, when it was added: its record holds all the move needs.
    const moveT* m = CurrentMove;
    CurrentMove = m->next;
    ++CurrentPlyCount;
    CurrentPos->ReplaySimpleMove(m->moveData);
    return OK;
}

// Writes the text of one NAG into str (room for 20 characters).
void game_printNag(byte nag, char* str, bool asSymbol, gameFormatT format);
// The NAG value of an annotation text such as "$14", "!?" or "+/-"; 0 if invalid.
byte game_parseNag(const char* text);
