#include "scan/gameindex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <future>

namespace gameindex {

namespace {

using gameindex::GameRecord;

void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}
void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; i++) p[i] = uint8_t(v >> (8 * i));
}
void put48(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 6; i++) p[i] = uint8_t(v >> (8 * i));
}
uint16_t get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t get32(const uint8_t* p) {
    return GameRecord::get32(p);
}
uint64_t get64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

uint64_t get48(const uint8_t* p) {
    return uint64_t(get32(p)) | uint64_t(get16(p + 4)) << 32;
}

// The squares of a row of four 2x2 blocks, for each set of them.
constexpr std::array<uint64_t, 16> kBlockRows = [] {
    std::array<uint64_t, 16> rows{};
    for (int set = 0; set < 16; set++)
        for (int block = 0; block < 4; block++)
            if (set >> block & 1) rows[set] |= 0x0303ull << (2 * block);
    return rows;
}();

uint64_t fnv1a(const uint8_t* data, size_t size) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; i++) h = (h ^ data[i]) * 0x100000001b3ull;
    return h;
}

// zlib's checksum takes at most 4 GiB a call.
uint32_t crcOf(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        size_t n = std::min<size_t>(size, 1u << 30);
        crc = crc32(crc, data, uInt(n));
        data += n;
        size -= n;
    }
    return uint32_t(crc);
}

bool readAt(int fd, uint8_t* buffer, size_t size, off_t at) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = pread(fd, buffer + got, size - got, at + off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += size_t(n);
    }
    return true;
}

}  // namespace

void GameRecord::encode(uint8_t* out) const {
    put32(out, length);
    put32(out + 4, movesLength);
    put32(out + 8, white);
    put32(out + 12, black);
    put32(out + 16, event);
    put32(out + 20, site);
    put16(out + 24, year);
    out[26] = result;
    put16(out + 27, eco);
    put16(out + 29, whiteElo);
    put16(out + 31, blackElo);
    put16(out + 33, flags);
    for (int i = 0; i < 5; i++) out[35 + i] = uint8_t(material[2 * i] | material[2 * i + 1] << 4);
    out[40] = promotions;
    out[41] = pawnsLeft;
    for (int i = 0; i < 8; i++) out[42 + i] = uint8_t(pawnOrder[2 * i] | pawnOrder[2 * i + 1] << 4);
    uint8_t* at = out + 50;
    for (int i = 0; i < kKinds; i++) {
        if (kPawnKinds >> i & 1) {
            put48(at, squares[i] >> 8);
            at += 6;
        } else if (kExactKinds >> i & 1) {
            put64(at, squares[i]);
            at += 8;
        } else {
            put16(at, blocksOf(squares[i]));
            at += 2;
        }
    }
}

uint16_t blocksOf(uint64_t squares) {
    // Fold the files in pairs, then the ranks: bit 2f of rank r holds the
    // block (r / 2, f).
    uint64_t pairs = (squares | squares >> 1) & 0x5555555555555555ull;
    pairs = (pairs | pairs >> 8) & 0x0055005500550055ull;
    uint16_t blocks = 0;
    for (int row = 0; row < 4; row++) {
        const uint64_t rank = pairs >> (16 * row) & 0x55;
        blocks |= uint16_t(((rank & 1) | (rank >> 1 & 2) | (rank >> 2 & 4) | (rank >> 3 & 8))
                           << (4 * row));
    }
    return blocks;
}

uint64_t squaresOf(uint16_t blocks) {
    uint64_t squares = 0;
    for (int row = 0; row < 4; row++) squares |= kBlockRows[blocks >> (4 * row) & 15] << (16 * row);
    return squares;
}

uint32_t GameRecord::get32(const uint8_t* p) {
    // Little-endian in the file; a load and, on a big-endian machine, a swap.
    uint32_t v;
    memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

void GameRecord::decode(const uint8_t* in) {
    length = lengthOf(in);
    movesLength = movesLengthOf(in);
    decodeSignatures(in + kSpanSize);
}

namespace {

// Where each kind's squares start in the signatures' part: pawns take six
// bytes, the other exact kinds eight, the kinds kept in blocks two.
constexpr std::array<uint8_t, kKinds> squaresOffsets() {
    std::array<uint8_t, kKinds> at{};
    int offset = 42;
    for (int i = 0; i < kKinds; i++) {
        at[i] = uint8_t(offset);
        offset += kPawnKinds >> i & 1 ? 6 : kExactKinds >> i & 1 ? 8 : 2;
    }
    return at;
}
constexpr std::array<uint8_t, kKinds> kSquaresAt = squaresOffsets();
static_assert(kSquaresAt[kKinds - 1] + 6 == kSignatureSize);

}  // namespace

void GameRecord::decodeSignatures(const uint8_t* in) {
    decodeForPlan(in, kAllKinds);
    pawnsLeft = in[33];
    for (int i = 0; i < 8; i++) {
        pawnOrder[2 * i] = in[34 + i] & 15;
        pawnOrder[2 * i + 1] = in[34 + i] >> 4;
    }
}

void GameRecord::decodeForPlan(const uint8_t* in, uint16_t kinds) {
    // The signatures' part of the record: its fields sit kSpanSize bytes
    // earlier than in docs/index-format.md's table of the whole record.
    white = get32(in);
    black = get32(in + 4);
    event = get32(in + 8);
    site = get32(in + 12);
    year = get16(in + 16);
    result = in[18];
    eco = get16(in + 19);
    whiteElo = get16(in + 21);
    blackElo = get16(in + 23);
    flags = get16(in + 25);
    for (int i = 0; i < 5; i++) {
        material[2 * i] = in[27 + i] & 15;
        material[2 * i + 1] = in[27 + i] >> 4;
    }
    promotions = in[32];
    if (kinds != kAllKinds) std::fill(std::begin(squares), std::end(squares), ~uint64_t(0));
    for (; kinds != 0; kinds &= uint16_t(kinds - 1)) {
        const int i = std::countr_zero(kinds);
        const uint8_t* at = in + kSquaresAt[i];
        if (kPawnKinds >> i & 1)
            squares[i] = get48(at) << 8 | kBackRanks;
        else if (kExactKinds >> i & 1)
            squares[i] = get64(at);
        else
            squares[i] = squaresOf(get16(at));
    }
}

bool FileIdentity::of(const char* path, FileIdentity& out) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        out.size = uint64_t(info.st_size);
        out.mtimeSeconds = info.st_mtim.tv_sec;
        out.mtimeNanoseconds = info.st_mtim.tv_nsec;
        std::vector<uint8_t> buffer(std::min<uint64_t>(out.size, kHashedSpan));
        ok = readAt(fd, buffer.data(), buffer.size(), 0);
        out.headHash = fnv1a(buffer.data(), buffer.size());
        ok = ok && readAt(fd, buffer.data(), buffer.size(), off_t(out.size - buffer.size()));
        out.tailHash = fnv1a(buffer.data(), buffer.size());
        if (!ok && errno == 0) errno = EIO;
    } else if (errno == 0) {
        errno = EINVAL;
    }
    int saved = errno;
    close(fd);
    errno = saved;
    return ok;
}

std::string indexPath(const std::string& gamesFile, const std::string& directory) {
    if (directory.empty()) return gamesFile + ".hxi";
    size_t slash = gamesFile.rfind('/');
    std::string base = slash == std::string::npos ? gamesFile : gamesFile.substr(slash + 1);
    return directory + (directory.back() == '/' ? "" : "/") + base + ".hxi";
}

const char* verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Usable:
            return "is up to date";
        case Verdict::Missing:
            return "does not exist";
        case Verdict::Stale:
            return "is out of date: the games file changed since it was built";
        case Verdict::Foreign:
            return "was built for another games file";
        case Verdict::Truncated:
            return "is truncated";
        case Verdict::Damaged:
            return "is damaged";
        case Verdict::WrongVersion:
            return "has a format this hux does not read";
    }
    return "";
}

void BodyHash::block(const uint8_t* data) {
    constexpr uint64_t kPrime = 0x100000001B3ull * 0x9E3779B1ull | 1;
    for (int i = 0; i < 4; i++) {
        uint64_t word;
        memcpy(&word, data + 8 * i, 8);
        if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
        lanes[i] = (lanes[i] ^ word) * kPrime;
    }
}

void BodyHash::update(const uint8_t* data, size_t size) {
    total += size;
    if (held > 0) {
        const size_t n = std::min(size, sizeof pending - held);
        memcpy(pending + held, data, n);
        held += n;
        data += n;
        size -= n;
        if (held < sizeof pending) return;
        block(pending);
        held = 0;
    }
    for (; size >= sizeof pending; data += sizeof pending, size -= sizeof pending) block(data);
    memcpy(pending, data, size);
    held = size;
}

uint64_t BodyHash::digest() const {
    BodyHash last = *this;
    // The bytes left over, padded with zeros, and the length, which tells
    // the padding from bytes that were zero.
    if (last.held > 0) {
        memset(last.pending + last.held, 0, sizeof pending - last.held);
        last.block(last.pending);
    }
    uint64_t h = total;
    for (uint64_t lane : last.lanes) h = (h ^ lane) * 0x100000001B3ull + (h >> 29);
    return h;
}

uint64_t BodyHash::ofIndex(const uint8_t* index, size_t size) {
    if (size < kHeaderSize) return 0;
    const uint64_t games = get64(index + 56);
    const size_t body = size - kHeaderSize;
    const size_t split = games > body / kSignatureSize ? body : size_t(games * kSignatureSize);
    BodyHash signatures, rest;
    signatures.update(index + kHeaderSize, split);
    rest.update(index + kHeaderSize + split, body - split);
    return combine(signatures.digest(), rest.digest());
}

void Header::encode(uint8_t* out) const {
    memset(out, 0, kHeaderSize);
    memcpy(out, kMagic, 8);
    put32(out + 8, version);
    put32(out + 12, uint32_t(kHeaderSize));
    put64(out + 16, games.size);
    put64(out + 24, uint64_t(games.mtimeSeconds));
    put64(out + 32, uint64_t(games.mtimeNanoseconds));
    put64(out + 40, games.headHash);
    put64(out + 48, games.tailHash);
    put64(out + 56, count);
    put64(out + 64, textSize);
    put64(out + 72, stringsOffset);
    put64(out + 80, stringCount);
    put64(out + 88, recordsOffset);
    put64(out + 96, movesOffset);
    put64(out + 104, totalSize);
    put64(out + 112, bodyHash);
    put32(out + 124, crcOf(out, 124));
}

bool Header::decode(const uint8_t* in) {
    if (memcmp(in, kMagic, 8) != 0) return false;
    version = get32(in + 8);
    if (version != kVersion || get32(in + 12) != kHeaderSize) return false;
    if (get32(in + 124) != crcOf(in, 124)) return false;
    games.size = get64(in + 16);
    games.mtimeSeconds = int64_t(get64(in + 24));
    games.mtimeNanoseconds = int64_t(get64(in + 32));
    games.headHash = get64(in + 40);
    games.tailHash = get64(in + 48);
    count = get64(in + 56);
    textSize = get64(in + 64);
    stringsOffset = get64(in + 72);
    stringCount = get64(in + 80);
    recordsOffset = get64(in + 88);
    movesOffset = get64(in + 96);
    totalSize = get64(in + 104);
    bodyHash = get64(in + 112);
    return true;
}

std::unique_ptr<GameIndex> GameIndex::open(const std::string& path, const FileIdentity* games,
                                           Verdict& verdict, const SignatureVisitor* visitor,
                                           int threads) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        verdict = errno == ENOENT ? Verdict::Missing : Verdict::Damaged;
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        verdict = Verdict::Damaged;
        return nullptr;
    }
    std::unique_ptr<GameIndex> index(new GameIndex);
    index->fd = fd;
    index->size = size_t(info.st_size);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    verdict = index->check(games, visitor, threads);
    if (verdict != Verdict::Usable) return nullptr;
    return index;
}

std::unique_ptr<GameIndex> GameIndex::fromBytes(const uint8_t* data, size_t size,
                                                const FileIdentity* games, Verdict& verdict) {
    std::unique_ptr<GameIndex> index(new GameIndex);
    index->copy.assign(data, data + size);
    index->size = size;
    verdict = index->check(games, nullptr, 1);
    if (verdict != Verdict::Usable) return nullptr;
    return index;
}

GameIndex::~GameIndex() {
    if (fd >= 0) close(fd);
}

bool GameIndex::read(uint64_t offset, uint8_t* out, size_t n) const {
    if (offset > size || n > size - offset) return false;
    if (fd < 0) {
        if (n > 0) memcpy(out, copy.data() + offset, n);
        return true;
    }
    return readAt(fd, out, n, off_t(offset));
}

IndexStream::IndexStream(const GameIndex& idx, uint64_t offset, uint64_t last)
    : index(idx), at(offset), end(last) {}

const uint8_t* IndexStream::next(size_t n) {
    constexpr size_t kChunk = 1 << 20;
    if (filled - used < n) {
        if (n - (filled - used) > end - at) return nullptr;
        // The bytes not yet used move to the front, and the rest follows.
        if (used > 0) {
            memmove(buffer.data(), buffer.data() + used, filled - used);
            filled -= used;
            used = 0;
        }
        const size_t want = size_t(std::min<uint64_t>(std::max(n, kChunk) - filled, end - at));
        if (buffer.size() < filled + want) buffer.resize(filled + want);
        if (!index.read(at, buffer.data() + filled, want)) return nullptr;
        at += want;
        filled += want;
    }
    const uint8_t* p = buffer.data() + used;
    used += n;
    return p;
}

void IndexStream::skip(uint64_t n) {
    if (n <= filled - used) {
        used += size_t(n);
        return;
    }
    at = std::min(end, at + (n - (filled - used)));
    used = filled = 0;
}

Verdict GameIndex::check(const FileIdentity* games, const SignatureVisitor* visitor, int threads) {
    uint8_t head[kHeaderSize];
    if (size < kHeaderSize) {
        return size >= 8 && read(0, head, 8) && memcmp(head, kMagic, 8) == 0 ? Verdict::Truncated
                                                                             : Verdict::Damaged;
    }
    if (!read(0, head, kHeaderSize)) return Verdict::Damaged;
    Header header;
    if (!header.decode(head)) {
        if (memcmp(head, kMagic, 8) == 0 && get32(head + 8) != kVersion)
            return Verdict::WrongVersion;
        return Verdict::Damaged;
    }
    if (games != nullptr) {
        // A file whose first bytes were all hashed and differ is another file;
        // a shorter one may only have grown.
        if (header.games.headHash != games->headHash && header.games.size >= kHashedSpan &&
            games->size >= kHashedSpan)
            return Verdict::Foreign;
        if (header.games.size != games->size || header.games.tailHash != games->tailHash ||
            header.games.mtimeSeconds != games->mtimeSeconds ||
            header.games.mtimeNanoseconds != games->mtimeNanoseconds)
            return Verdict::Stale;
    }
    if (header.totalSize > size) return Verdict::Truncated;
    if (header.totalSize < size) return Verdict::Damaged;

    // The sections follow one another: signatures, spans, moves, texts.
    // Every size is checked before use, so that a sound hash over unsound
    // contents reads nothing out of bounds.
    if (header.recordsOffset != kHeaderSize || header.count > (size - kHeaderSize) / kRecordSize ||
        header.movesOffset != kHeaderSize + header.count * kRecordSize ||
        header.stringsOffset < header.movesOffset || header.stringsOffset > size ||
        header.stringCount > (size - header.stringsOffset) / 2)
        return Verdict::Damaged;
    count = header.count;
    textBytes = header.textSize;
    recordsOffset = header.recordsOffset;
    movesOffset = header.movesOffset;
    textsOffset = header.stringsOffset;

    // The texts are read first, for the visitor; the pass over the rest of
    // the body reads them again, hashing them.
    if (!loadTexts(header.stringCount)) return Verdict::Damaged;
    uint64_t signaturesHash = 0, restHash = 0;
    Verdict signatures, rest;
    if (threads > 1) {
        std::future<Verdict> other = std::async(
            std::launch::async, [&] { return checkRest(header.stringsOffset, restHash); });
        signatures = checkSignatures(header.stringCount, visitor, signaturesHash);
        rest = other.get();
    } else {
        signatures = checkSignatures(header.stringCount, visitor, signaturesHash);
        rest = signatures == Verdict::Usable ? checkRest(header.stringsOffset, restHash)
                                             : Verdict::Usable;
    }
    if (signatures != Verdict::Usable) return signatures;
    if (rest != Verdict::Usable) return rest;
    if (BodyHash::combine(signaturesHash, restHash) != header.bodyHash) return Verdict::Damaged;
    return Verdict::Usable;
}

Verdict GameIndex::checkSignatures(uint64_t stringCount, const SignatureVisitor* visitor,
                                   uint64_t& digest) const {
    BodyHash hash;
    IndexStream body(*this, recordsOffset, spansAt());
    constexpr uint64_t kBatch = (1 << 20) / kSignatureSize;
    for (uint64_t i = 0; i < count;) {
        const uint64_t n = std::min(kBatch, count - i);
        const uint8_t* batch = body.next(size_t(n * kSignatureSize));
        if (batch == nullptr) return Verdict::Truncated;
        hash.update(batch, size_t(n * kSignatureSize));
        for (const uint8_t* r = batch; r < batch + n * kSignatureSize; r += kSignatureSize) {
            if (GameRecord::get32(r) >= stringCount || GameRecord::get32(r + 4) >= stringCount ||
                GameRecord::get32(r + 8) >= stringCount || GameRecord::get32(r + 12) >= stringCount)
                return Verdict::Damaged;
        }
        if (visitor != nullptr) (*visitor)(*this, i, batch, size_t(n));
        i += n;
    }
    digest = hash.digest();
    return Verdict::Usable;
}

Verdict GameIndex::checkRest(uint64_t stringsOffset, uint64_t& digest) const {
    BodyHash hash;
    IndexStream body(*this, spansAt(), size);
    uint64_t textSum = 0, movesSum = 0;
    constexpr uint64_t kBatch = (1 << 20) / kSpanSize;
    for (uint64_t i = 0; i < count;) {
        const uint64_t n = std::min(kBatch, count - i);
        const uint8_t* batch = body.next(size_t(n * kSpanSize));
        if (batch == nullptr) return Verdict::Truncated;
        hash.update(batch, size_t(n * kSpanSize));
        for (const uint8_t* span = batch; span < batch + n * kSpanSize; span += kSpanSize) {
            textSum += GameRecord::lengthOf(span);
            movesSum += GameRecord::movesLengthOf(span);
        }
        i += n;
    }
    if (textSum > textBytes || movesSum != stringsOffset - movesOffset) return Verdict::Damaged;
    for (uint64_t at = movesOffset; at < size;) {
        const size_t n = size_t(std::min<uint64_t>(size - at, 1u << 20));
        const uint8_t* bytes = body.next(n);
        if (bytes == nullptr) return Verdict::Truncated;
        hash.update(bytes, n);
        at += n;
    }
    digest = hash.digest();
    return Verdict::Usable;
}

bool GameIndex::loadTexts(uint64_t stringCount) {
    strings.clear();
    stringAt.clear();
    IndexStream texts(*this, textsOffset, size);
    for (uint64_t i = 0; i < stringCount; i++) {
        const uint8_t* field = texts.next(2);
        if (field == nullptr) return false;
        const size_t length = get16(field);
        const uint8_t* text = texts.next(length);
        if (text == nullptr || memchr(text, 0, length) != nullptr) return false;
        if (strings.size() > UINT32_MAX - length - 1) return false;
        stringAt.push_back(uint32_t(strings.size()));
        strings.append(reinterpret_cast<const char*>(text), length);
        strings.push_back('\0');
    }
    return texts.position() == size;
}

const char* GameIndex::text(uint32_t id) const {
    return id < stringAt.size() ? strings.data() + stringAt[id] : "";
}

bool GameIndex::record(uint64_t i, GameRecord& out) const {
    uint8_t bytes[kRecordSize];
    if (i >= count || !read(spansAt() + i * kSpanSize, bytes, kSpanSize) ||
        !read(recordsOffset + i * kSignatureSize, bytes + kSpanSize, kSignatureSize))
        return false;
    out.decode(bytes);
    return true;
}

}  // namespace gameindex
