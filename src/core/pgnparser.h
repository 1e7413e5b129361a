// The PGN reader: turns a PGN text, one game per call, into a Game. It is
// tolerant: bad tags, bad moves and stray symbols are logged and skipped, and
// the next call goes on with the next game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/mfile.h"
#include "core/pgntoken.h"
#include "core/position.h"

class DString;
class Game;

constexpr uint32_t MAX_COMMENT_SIZE = 16000;  // token and line buffers
// A brace comment is kept whole up to this many characters; the rest of a
// longer one is read and dropped with a warning. The limit only keeps the
// 32-bit lengths of the game's strings and the writer's buffer sound.
constexpr size_t MAX_COMMENT_LENGTH = size_t(1) << 30;
constexpr uint32_t MAX_UNGETCHARS = 16;
constexpr uint32_t MAX_TAG_FIELD = 254;  // characters of a tag name or value
// Deeper variations are skipped: the walks over a game recurse per level.
constexpr uint32_t MAX_VARIATION_DEPTH = 200;
// The error log keeps its first MiB; later messages are only counted.
constexpr uint32_t MAX_ERROR_LOG = 1024 * 1024;

enum parseModeT { PARSE_Searching = 0, PARSE_Header = 1, PARSE_Game = 2 };

// Normalises a player name into out (outSize bytes, at least 1): leading
// spaces go, exactly one space follows each comma, trailing dots, spaces and
// tabs go, and "van"/"Van Der" style prefixes get their usual capitals.
void standardPlayerName(char* out, uint32_t outSize, const char* name);

class PgnParser {
  public:
    explicit PgnParser(MFile* file);
    ~PgnParser();
    PgnParser(const PgnParser&) = delete;
    PgnParser& operator=(const PgnParser&) = delete;

    void Reset();

    // Reads the next game into game: ERROR_NotFound when the input holds no
    // further game; otherwise OK or ERROR_Game (it ended badly), and game
    // holds what was read either way.
    errorT ParseGame(Game* game);
    errorT ExtractPgnTag(const char* buffer, Game* game);

    void SetErrorFile(FILE* fp) { ErrorFile = fp; }
    void SetPreGameText(bool b) { StorePreGameText = b; }
    void SetEndOfInputWarnings(bool b) { EndOfInputWarnings = b; }
    void SetResultWarnings(bool b) { ResultWarnings = b; }
    void SetNewlinesToSpaces(bool b) { NewlinesToSpaces = b; }
    uint32_t ErrorCount() const { return NumErrors; }
    // Messages logged while no error file is set (at most MAX_ERROR_LOG bytes
    // of them; ErrorsDropped counts the ones that did not fit).
    const char* ErrorMessages() const;
    uint32_t ErrorsDropped() const { return NumErrorsDropped; }
    uint32_t BytesUsed() const { return BytesSeen; }
    // Where the first byte not yet consumed lies in the input, counted in 64
    // bits.
    uint64_t InputOffset() const { return InFile->Location() - UnGetCount; }
    // After ParseGame, where the game just read ends, so that a reader can
    // note each game's byte range and read it again later on its own: the
    // tag line that ended a header without moves, though read, is the next
    // game's first line.
    uint64_t GameEndOffset() const { return HasPendingTag ? PendingTagOffset : InputOffset(); }
    uint32_t GetLineNumber() const { return LineCounter; }
    // Whether the input, which must end at the end of a line, ended inside
    // something that a following line would continue: a brace comment, a tag
    // section, or text that would become the next game's opening comment.
    // When it did not, a line starting with '[' after the end starts a game
    // exactly as it does at the start of a fresh reader, which is what lets a
    // long text be cut into parts read independently.
    bool EndedOpen() const { return EndedInside; }

    // The tokenizer, public so that it can be tested on its own. Each reads
    // into buffer (bufSize bytes), always terminating it.
    int GetChar() {
        int ch;
        if (UnGetCount > 0) {
            ch = UnGetCh[--UnGetCount];
        } else {
            ch = InFile->ReadOneByte();
            if (ch == EndChar) return ch;
        }
        ++BytesSeen;
        if (ch == '\n') ++LineCounter;
        return ch;
    }
    void UnGetChar(int ch) {
        // The end of input needs no push-back: the file returns it again.
        if (ch == EndChar || UnGetCount == MAX_UNGETCHARS) return;
        UnGetCh[UnGetCount++] = ch;
        --BytesSeen;
        if (ch == '\n') --LineCounter;
    }
    bool EndOfInput() { return UnGetCount == 0 && InFile->EndOfFile(); }
    // After a '-': whether it starts an evaluation sign such as "-+" or
    // "-/+" rather than belonging to the move before it.
    bool DashStartsSymbol() {
        int next = GetChar();
        UnGetChar(next);
        return next == '+' || next == '/';
    }
    uint32_t GetLine(char* buffer, uint32_t bufSize);
    tokenT GetNextToken(char* buffer, uint32_t bufSize);
    tokenT GetGameToken(char* buffer, uint32_t bufSize);
    // Reads a brace comment after its "{" up to the "}" or the end of input.
    // The text lives in the reader's own buffer, which grows to fit, until
    // the next call.
    char* GetComment();
    void SetParseMode(parseModeT mode) { ParseMode = mode; }

  private:
    errorT ParseMoves(Game* game, char* buffer, uint32_t bufSize);
    // With skipNumbers, move numbers that the fast path reads are passed
    // over rather than returned.
    bool readFastToken(char* buffer, uint32_t bufSize, tokenT* token, bool skipNumbers);
    tokenT readGameToken(char* buffer, uint32_t bufSize, bool skipNumbers);
    // Reads the plain moves ahead in place, resolving and adding each, until
    // a token needs more: the general loop takes that one as it comes.
    void readMoveRun(Game* game);
    // The tags the reader keeps in the game's own fields, and Other for the
    // rest, told apart by length and text at once.
    enum class KnownTag : uint8_t {
        Other,
        White,
        Black,
        Event,
        Site,
        Round,
        Result,
        Date,
        EventDate,
        Eco,
        BrelFlags,
        Fen
    };
    static KnownTag knownTag(std::string_view name);
    static uint32_t bitOf(KnownTag tag) { return 1u << static_cast<unsigned>(tag); }
    // ExtractPgnTag on a line given whole, with the tag's name on it (from
    // after the "[" to the first blank) and what that name is.
    errorT extractTag(std::string_view line, std::string_view name, KnownTag known, Game* game);
    // Reads the header's tag lines ahead in place, taking each as
    // ParseGame's loop would, until a line needs the loop.
    void readTagRun(Game* game);
    void LogError(const char* prefix, const char* text);
    tokenT ReadPawnMove(char* buffer, uint32_t bufSize, int first);
    tokenT ReadPieceMove(char* buffer, uint32_t bufSize, int first);
    tokenT ReadCastling(char* buffer, uint32_t bufSize, int first);
    void ReserveComment(size_t used, size_t length);
    void ReadWord(char*& p, const char* end, bool stopAtDot);
    void SetPlayerRating(Game* game, bool white, uint32_t rating, const char* value);
    // Whether the tag line names a tag the header being read already has;
    // such a tag starts the next game.
    bool RepeatsHeaderTag(std::string_view name, KnownTag known) const;
    void NoteHeaderTag(std::string_view name, KnownTag known);

    MFile* InFile;
    uint32_t LineCounter;
    int EndChar;
    uint32_t BytesSeen;
    FILE* ErrorFile;
    DString* ErrorBuffer;
    uint32_t NumErrors;
    uint32_t NumErrorsDropped;
    parseModeT ParseMode;
    bool StorePreGameText;
    bool EndOfInputWarnings;
    bool ResultWarnings;
    bool NewlinesToSpaces;
    bool EndedInside;
    uint32_t UnGetCount;
    int UnGetCh[MAX_UNGETCHARS];
    // The move token last read, when the fast path could read it whole.
    SanMove fastMove;
    char* TokenBuffer;  // MAX_COMMENT_SIZE bytes
    char* PreGameText;  // MAX_COMMENT_SIZE bytes
    char* CommentText;  // CommentCapacity bytes
    size_t CommentCapacity;
    // The names of the current header's tags, one after another in
    // HeaderTagNames, each at the offset and length of its entry among the
    // first HeaderTagCount spans; the storage is reused from game to game.
    // The tags kept in the game's own fields are marked in KnownTagsSeen
    // instead, a bit each.
    std::string HeaderTagNames;
    std::vector<std::pair<size_t, size_t>> HeaderTagSpans;
    size_t HeaderTagCount;
    uint32_t KnownTagsSeen = 0;
    // A tag line that ended a header without moves: the first line of the
    // next game.
    std::string PendingTag;
    bool HasPendingTag;
    uint64_t PendingTagOffset = 0;  // where its line starts in the input
};
