// The game index kept beside a games file: its on-disk layout (described in
// docs/index-format.md), the identity of the games file it was built from,
// and the reader that checks an index whole before anything relies on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gameindex {

constexpr char kMagic[8] = {'H', 'U', 'X', 'I', 'N', 'D', 'E', 'X'};
constexpr uint32_t kVersion = 4;
constexpr size_t kHeaderSize = 128;
// A game's record is kept in two parts, each in a section of its own: the
// signatures and tags that a query's planner reads for every game, and the
// span (the lengths of its text and of its packed moves) that only finds
// where a game's text and moves are.
constexpr size_t kSignatureSize = 98;
constexpr size_t kSpanSize = 8;
constexpr size_t kRecordSize = kSpanSize + kSignatureSize;
// The bytes of the games file hashed at its start and at its end.
constexpr size_t kHashedSpan = 64 * 1024;
// A tag text longer than this is cut; the games file's own tags are shorter.
constexpr size_t kMaxString = 65535;

// Per-game flags: what happened anywhere on the main line (the low byte) or
// anywhere in a variation (the same bits shifted by kVariationShift).
enum Flag : uint16_t {
    kCheck = 1 << 0,
    kMate = 1 << 1,
    kStalemate = 1 << 2,
    kEnPassant = 1 << 3,
    kCastling = 1 << 4,
    kPromotion = 1 << 5,
    kUnderPromotion = 1 << 6,
    // The moves are packed (else the game is replayed from its text only).
    kPacked = 1 << 7,
    // The game starts from a FEN position.
    kFenStart = 1 << 15,
};
constexpr int kVariationShift = 8;

// Piece kinds in the order of the square and material signatures: white
// king, queen, rook, bishop, knight, pawn, then the black ones.
constexpr int kKinds = 12;
// The kinds whose squares the index keeps one by one: kings and queens, few
// and the subject of most position searches, and pawns, whose squares rule
// out the most games for their bytes (docs/index-format.md); the others in
// 2x2 blocks.
constexpr uint16_t kExactKinds = 1 << 0 | 1 << 1 | 1 << 5 | 1 << 6 | 1 << 7 | 1 << 11;
constexpr uint16_t kPawnKinds = 1 << 5 | 1 << 11;
// The first and last ranks, where pawns are kept as if they had stood there.
constexpr uint64_t kBackRanks = 0xFF000000000000FFull;
constexpr uint16_t kAllKinds = (1 << kKinds) - 1;

// What the index holds of one game.
struct GameRecord {
    uint32_t length = 0;       // bytes of text, from the end of the game before
    uint32_t movesLength = 0;  // bytes of packed moves
    uint32_t white = 0, black = 0, event = 0, site = 0;  // string numbers
    uint16_t year = 0;
    uint8_t result = 0;
    uint16_t eco = 0;
    uint16_t whiteElo = 0, blackElo = 0;
    uint16_t flags = 0;
    // The final position of the main line: queens, rooks, bishops, knights
    // and pawns of White, then of Black, each at most 15.
    uint8_t material[10] = {};
    // Promotions anywhere: bit 0-3 white to queen, rook, bishop, knight;
    // bits 4-7 black.
    uint8_t promotions = 0;
    // Pawns in the order they left their home squares on the main line:
    // colour * 8 + file.
    uint8_t pawnsLeft = 0;
    uint8_t pawnOrder[16] = {};
    // For each piece kind, the squares it ever stood on, main line and
    // variations (bit 0 = a1 ... 63 = h8). Kinds outside kExactKinds are
    // stored in 2x2 blocks: read back, a block stands for all its squares.
    // Pawns are stored on the ranks between the first and the last and read
    // back as on every square of those two too.
    uint64_t squares[kKinds] = {};

    // The whole record: the span (kSpanSize bytes), then the signatures.
    void encode(uint8_t* out) const;
    void decode(const uint8_t* in);
    // The signatures' part alone (kSignatureSize bytes); the span is left.
    void decodeSignatures(const uint8_t* in);
    // What a query's planner reads of the signatures' part, for every game:
    // all but the pawn order, and the squares of `kinds` only, the others
    // being set to every square, which rules nothing out.
    void decodeForPlan(const uint8_t* in, uint16_t kinds);
    // The fields of a span.
    static uint32_t lengthOf(const uint8_t* span) { return get32(span); }
    static uint32_t movesLengthOf(const uint8_t* span) { return get32(span + 4); }
    static uint32_t get32(const uint8_t* p);
};

// The 2x2 block of a square (0 = a1 ... 63 = h8).
inline int blockOf(int square) {
    return (square >> 4) * 4 + ((square & 7) >> 1);
}
// The blocks of some squares (bit blockOf(square)), and the squares of some
// blocks.
uint16_t blocksOf(uint64_t squares);
uint64_t squaresOf(uint16_t blocks);

// What identifies a games file: its size, modification time and hashes of
// its first and last bytes.
struct FileIdentity {
    uint64_t size = 0;
    int64_t mtimeSeconds = 0;
    int64_t mtimeNanoseconds = 0;
    uint64_t headHash = 0;
    uint64_t tailHash = 0;

    // False (and errno set) when the file cannot be read.
    static bool of(const char* path, FileIdentity& out);
};

// Where the index of `gamesFile` lives: beside it, or in `directory` when
// that is not empty.
std::string indexPath(const std::string& gamesFile, const std::string& directory);

// Why an index was not used; the words after "the index NAME ".
enum class Verdict { Usable, Missing, Stale, Foreign, Truncated, Damaged, WrongVersion };
const char* verdictText(Verdict verdict);

class GameIndex;

// Sees the signatures of `n` games, from game `first` on, as the check of
// `index` reads them: a planner's pass over them then costs no read of its
// own. What it learns counts only when the index then proves usable.
using SignatureVisitor = std::function<void(const GameIndex& index, uint64_t first,
                                            const uint8_t* signatures, size_t n)>;

class GameIndex {
  public:
    // Opens and checks the index at `path`; null when it may not be used,
    // with `verdict` telling why. `games` is the games file the index must
    // describe; null accepts any (for tools and tests). `visitor`, when given,
    // sees every game's signatures in order, the tag texts already read.
    // With `threads` above 1, the signatures and the rest are checked side
    // by side.
    static std::unique_ptr<GameIndex> open(const std::string& path, const FileIdentity* games,
                                           Verdict& verdict,
                                           const SignatureVisitor* visitor = nullptr,
                                           int threads = 1);
    // The same check over bytes in memory, which the index then copies.
    static std::unique_ptr<GameIndex> fromBytes(const uint8_t* data, size_t size,
                                                const FileIdentity* games, Verdict& verdict);
    ~GameIndex();
    GameIndex(const GameIndex&) = delete;
    GameIndex& operator=(const GameIndex&) = delete;

    uint64_t games() const { return count; }
    uint64_t textSize() const { return textBytes; }
    uint32_t texts() const { return uint32_t(stringAt.size()); }
    // Tag text number `id`, always a valid string.
    const char* text(uint32_t id) const;
    // The record of game `i` (from 0); false when the file no longer holds it.
    bool record(uint64_t i, GameRecord& out) const;
    // Where the sections start in the index: the signatures, the spans, the
    // packed moves, the tag texts.
    uint64_t recordsAt() const { return recordsOffset; }
    uint64_t spansAt() const { return recordsOffset + count * kSignatureSize; }
    uint64_t movesAt() const { return movesOffset; }
    uint64_t textsAt() const { return textsOffset; }
    // Reads `n` bytes at `offset`; false when the file no longer holds them
    // (it was cut or could not be read since it was checked).
    bool read(uint64_t offset, uint8_t* out, size_t n) const;

  private:
    GameIndex() = default;
    Verdict check(const FileIdentity* games, const SignatureVisitor* visitor, int threads);
    // The check of the signatures' section, and of the rest of the body (the
    // sums of the spans against the sections' sizes), each hashing its part.
    Verdict checkSignatures(uint64_t stringCount, const SignatureVisitor* visitor,
                            uint64_t& hash) const;
    Verdict checkRest(uint64_t stringsOffset, uint64_t& hash) const;
    // Reads the tag texts, from `textsOffset` to the end; false when they do
    // not fill it exactly or one holds a zero byte.
    bool loadTexts(uint64_t stringCount);

    // The index is read, never mapped: a file cut short while in use then
    // fails a read instead of faulting the process.
    int fd = -1;
    std::vector<uint8_t> copy;  // the index's bytes, when given in memory
    size_t size = 0;
    uint64_t count = 0;
    uint64_t textBytes = 0;
    uint64_t recordsOffset = 0;
    uint64_t movesOffset = 0;
    uint64_t textsOffset = 0;
    std::string strings;             // the tag texts, each ending in a zero byte
    std::vector<uint32_t> stringAt;  // where each starts in `strings`
};

// Reads a part of an index in order, a chunk at a time, so that a pass over
// the index holds little of it in memory whatever its size.
class IndexStream {
  public:
    IndexStream(const GameIndex& index, uint64_t offset, uint64_t end);
    // The next `n` bytes, valid until the next call; null when the part ends
    // before them or the index cannot be read.
    const uint8_t* next(size_t n);
    // Passes over the next `n` bytes without reading them.
    void skip(uint64_t n);
    uint64_t position() const { return at - (filled - used); }

  private:
    const GameIndex& index;
    uint64_t at;  // where the bytes after the buffer start
    uint64_t end;
    std::vector<uint8_t> buffer;
    size_t used = 0, filled = 0;
};

// The check of an index's body: four lanes of 64-bit words, each folded in
// by a multiply, which changes with any change of a single word and is read
// at the speed of memory, so that every query can afford it whatever the
// index's size. Bytes may come in pieces of any size.
class BodyHash {
  public:
    void update(const uint8_t* data, size_t size);
    uint64_t digest() const;
    // The hash of a body whose signatures hash to `signatures` and whose
    // rest (spans, moves, texts) hashes to `rest`: the two parts are hashed
    // apart, so that a query may check them side by side.
    static uint64_t combine(uint64_t signatures, uint64_t rest) {
        return signatures ^ rest * 0x9E3779B97F4A7C15ull;
    }
    // The hash that the header of the `size` bytes at `index` should hold,
    // the parts split as its game count says (for tools that make indexes).
    static uint64_t ofIndex(const uint8_t* index, size_t size);

  private:
    void block(const uint8_t* data);

    uint64_t lanes[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                         0x27D4EB2F165667C5ull};
    uint8_t pending[32] = {};
    size_t held = 0;
    uint64_t total = 0;
};

// Little-endian fields of the header, for the builder.
struct Header {
    uint32_t version = kVersion;
    FileIdentity games;
    uint64_t count = 0;
    uint64_t textSize = 0;
    uint64_t stringsOffset = 0;
    uint64_t stringCount = 0;
    uint64_t recordsOffset = 0;
    uint64_t movesOffset = 0;
    uint64_t totalSize = 0;
    uint64_t bodyHash = 0;

    void encode(uint8_t* out) const;  // kHeaderSize bytes, the header's own check included
    // False when the bytes are no header of this version (`version` set).
    bool decode(const uint8_t* in);
};

}  // namespace gameindex
