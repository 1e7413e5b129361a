#include "scan/indexbuilder.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "core/date.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "scan/batchreader.h"
#include "scan/gameindex.h"
#include "scan/gamesignature.h"
#include "scan/inputsource.h"
#include "scan/interruption.h"

using namespace gameindex;

namespace {

std::mutex outputMutex;

// A file written in order while its checksum is kept.
class CheckedWriter {
  public:
    explicit CheckedWriter(FILE* f) : file(f) {}
    bool write(const void* data, size_t size) {
        if (size == 0) return true;
        hash.update(static_cast<const uint8_t*>(data), size);
        written += size;
        return fwrite(data, 1, size, file) == size;
    }
    uint64_t checksum() const { return hash.digest(); }
    // Ends a part of the file: returns its checksum, and the next part is
    // checked on its own.
    uint64_t endPart() {
        const uint64_t sum = hash.digest();
        hash = BodyHash();
        return sum;
    }
    uint64_t size() const { return written; }

  private:
    FILE* file;
    BodyHash hash;
    uint64_t written = 0;
};

// The tag texts, each kept once, numbered in order of first use. A text
// seen before is found without a copy of it.
class StringTable {
  public:
    uint32_t id(const char* text) {
        const std::string_view key(text, strnlen(text, kMaxString));
        if (auto it = ids.find(key); it != ids.end()) return it->second;
        const auto it = ids.try_emplace(std::string(key), uint32_t(order.size())).first;
        order.push_back(&it->first);
        return it->second;
    }
    bool write(CheckedWriter& out) const {
        for (const std::string* s : order) {
            uint8_t length[2] = {uint8_t(s->size()), uint8_t(s->size() >> 8)};
            if (!out.write(length, 2) || !out.write(s->data(), s->size())) return false;
        }
        return true;
    }
    size_t size() const { return order.size(); }

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> ids;
    std::vector<const std::string*> order;
};

std::string errnoText(int error) {
    return error != 0 ? strerror(error) : "read error";
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.size == b.size && a.mtimeSeconds == b.mtimeSeconds &&
           a.mtimeNanoseconds == b.mtimeNanoseconds && a.headHash == b.headHash &&
           a.tailHash == b.tailHash;
}

// A game read and signed, waiting for its place in the index.
struct SignedGame {
    uint64_t end = 0;  // text offset of its end
    GameRecord record;
    // Where its White, Black, Event and Site follow each other in the
    // names of its batch, each ended by a NUL.
    size_t names = 0;
};

void signGame(Game& game, uint64_t end, GameSignature& signature, SignedGame& g,
              std::vector<uint8_t>& moves, std::string& names) {
    g.end = end;
    g.names = names.size();
    for (const char* text :
         {game.GetWhiteStr(), game.GetBlackStr(), game.GetEventStr(), game.GetSiteStr()})
        names.append(text, strlen(text) + 1);
    GameRecord& r = g.record;
    r.year = uint16_t(date_GetYear(game.GetDate()));
    r.result = game.GetResult();
    r.eco = game.GetEco();
    r.whiteElo = game.GetWhiteElo();
    r.blackElo = game.GetBlackElo();
    signature.sign(game, r, moves);
}

// The games of one batch of text, read and signed by a worker.
struct SignedBatch {
    std::shared_ptr<Batch> batch;
    std::vector<SignedGame> games;
    std::vector<uint8_t> moves;
    std::string names;
    bool endedOpen = false;
};

// Reads and signs every game of `size` bytes of text found at `offset`.
void signText(const char* data, size_t size, uint64_t offset, SignedBatch& out) {
    // Declared after the signature it reports to, the game is destroyed
    // first when the thread ends.
    thread_local GameSignature signature;
    thread_local Game game;
    game.SetObserver(&signature);
    out.games.clear();
    out.moves.clear();
    out.names.clear();
    MFile file;
    file.OpenMemory(data, size, "");
    PgnParser parser(&file);
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        out.games.emplace_back();
        signGame(game, offset + parser.GameEndOffset(), signature, out.games.back(), out.moves,
                 out.names);
    }
    out.endedOpen = parser.EndedOpen();
}

// Reads every game of `input` into the index under construction.
class Builder {
  public:
    Builder(FILE* index, FILE* moves, FILE* spans)
        : out(index), movesFile(moves), spansFile(spans) {}

    // Signs the games `game` is read into while they are read.
    void follow(Game& game) { game.SetObserver(&signature); }

    // Adds the game just read, which ends at text offset `end`; false when
    // a write failed.
    bool add(Game& game, uint64_t end) {
        SignedGame g;
        gameNames.clear();
        signGame(game, end, signature, g, moves, gameNames);
        return add(g, gameNames.data(), nullptr, 0);
    }

    // Adds a game signed elsewhere, with its names (`names` holds them at
    // g.names) and its packed moves.
    bool add(SignedGame& g, const char* names, const uint8_t* packed, size_t packedLength) {
        GameRecord& r = g.record;
        r.length = uint32_t(g.end - textEnd);
        textEnd = g.end;
        const char* text = names + g.names;
        for (uint32_t* id : {&r.white, &r.black, &r.event, &r.site}) {
            *id = strings.id(text);
            text += strlen(text) + 1;
        }
        uint8_t bytes[kRecordSize];
        r.encode(bytes);
        count++;
        moves.insert(moves.end(), packed, packed + packedLength);
        spans.insert(spans.end(), bytes, bytes + kSpanSize);
        if (!out.write(bytes + kSpanSize, kSignatureSize)) return false;
        if (moves.size() >= (1u << 20) && !flush(moves, movesFile)) return false;
        if (spans.size() >= (1u << 20) && !flush(spans, spansFile)) return false;
        return true;
    }

    // Appends the spans, moves and texts after the signatures and writes the
    // header.
    bool finish(const FileIdentity& games, FILE* index) {
        if (!flush(moves, movesFile) || !flush(spans, spansFile)) return false;
        Header header;
        header.games = games;
        header.count = count;
        header.textSize = textEnd;
        header.recordsOffset = kHeaderSize;
        header.movesOffset = kHeaderSize + count * kRecordSize;
        const uint64_t signaturesHash = out.endPart();
        if (!append(spansFile) || !append(movesFile)) return false;
        header.stringsOffset = kHeaderSize + out.size();
        header.stringCount = strings.size();
        if (!strings.write(out)) return false;
        header.totalSize = kHeaderSize + out.size();
        header.bodyHash = BodyHash::combine(signaturesHash, out.checksum());
        uint8_t head[kHeaderSize];
        header.encode(head);
        return fseeko(index, 0, SEEK_SET) == 0 &&
               fwrite(head, 1, kHeaderSize, index) == kHeaderSize;
    }

    uint64_t games() const { return count; }

  private:
    static bool flush(std::vector<uint8_t>& bytes, FILE* file) {
        bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        bytes.clear();
        return ok;
    }
    // Copies a temporary file whole to the index.
    bool append(FILE* file) {
        if (fflush(file) != 0 || fseeko(file, 0, SEEK_SET) != 0) return false;
        std::vector<char> buffer(1 << 20);
        size_t n;
        while ((n = fread(buffer.data(), 1, buffer.size(), file)) > 0)
            if (!out.write(buffer.data(), n)) return false;
        return ferror(file) == 0;
    }

    CheckedWriter out;
    FILE* movesFile;
    FILE* spansFile;
    std::vector<uint8_t> spans;
    StringTable strings;
    GameSignature signature;
    std::string gameNames;  // of the game add(Game&) signs
    std::vector<uint8_t> moves;
    uint64_t count = 0;
    uint64_t textEnd = 0;
};

// Progress: a dot every ten thousand games, the count every hundred thousand.
void showProgress(uint64_t before, uint64_t after) {
    std::lock_guard<std::mutex> lock(outputMutex);
    for (uint64_t n = (before / 10000 + 1) * 10000; n <= after; n += 10000) {
        if (n % 100000 == 0)
            printf("%llu", static_cast<unsigned long long>(n));
        else
            putchar('.');
    }
    fflush(stdout);
}

// Reads the text of descriptor `text` with `jobs` workers, each reading and
// signing whole batches, and adds their games to `builder` in order. A batch
// whose reader ended inside something the next batch continues is read again
// joined with the next, as a single reader of the whole text reads it. False
// when a write failed; `readError` gets the errno of a failed read.
bool readInParallel(int text, const IndexBuildSettings& settings, Builder& builder,
                    int& readError) {
    const int jobs = settings.jobs;
    const bool progress = settings.progress;
    std::atomic<bool> stop{false};
    BatchReader reader(text, settings.batchSize, stop);
    std::mutex mutex;
    std::condition_variable changed;
    std::map<uint64_t, std::shared_ptr<SignedBatch>> done;
    uint64_t batches = UINT64_MAX;  // known once the reader has met the end
    uint64_t handedOut = 0;
    auto worker = [&]() {
        for (;;) {
            std::shared_ptr<Batch> batch;
            {
                std::unique_lock<std::mutex> lock(mutex);
                // Keeps the batches in flight few: memory stays bounded.
                changed.wait(lock, [&] { return stop || done.size() < size_t(4 * jobs); });
                if (stop) return;
                batch = reader.next();
                if (batch == nullptr) {
                    batches = handedOut;
                    changed.notify_all();
                    return;
                }
                handedOut++;
            }
            auto out = std::make_shared<SignedBatch>();
            out->batch = batch;
            signText(batch->bytes.data(), batch->bytes.size(), batch->offset, *out);
            std::lock_guard<std::mutex> lock(mutex);
            done[batch->index] = out;
            changed.notify_all();
        }
    };
    // The reader hands out batches in order to one worker at a time, so the
    // count of batches is known once it has none left.
    std::vector<std::thread> pool;
    for (int i = 0; i < jobs; i++) pool.emplace_back(worker);
    auto take = [&](uint64_t index) -> std::shared_ptr<SignedBatch> {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return done.count(index) > 0 || index >= batches || stop; });
        auto it = done.find(index);
        if (it == done.end()) return nullptr;
        auto out = it->second;
        done.erase(it);
        changed.notify_all();
        return out;
    };
    bool written = true;
    uint64_t shown = 0;
    for (uint64_t next = 0; written;) {
        std::shared_ptr<SignedBatch> result = take(next);
        if (result == nullptr) break;
        next++;
        if (result->endedOpen && !result->batch->last) {
            // Read again, joined with the batches after it, until the text
            // is read whole where it ends.
            Bytes joined = result->batch->bytes;
            const uint64_t offset = result->batch->offset;
            for (std::shared_ptr<SignedBatch> more; (more = take(next)) != nullptr;) {
                next++;
                joined.insert(joined.end(), more->batch->bytes.begin(), more->batch->bytes.end());
                signText(joined.data(), joined.size(), offset, *result);
                if (!result->endedOpen || more->batch->last) break;
            }
        }
        size_t at = 0;
        for (SignedGame& g : result->games) {
            size_t length = g.record.movesLength;
            written =
                written && builder.add(g, result->names.data(), result->moves.data() + at, length);
            at += length;
        }
        if (progress && builder.games() / 10000 != shown / 10000)
            showProgress(shown, builder.games());
        shown = builder.games();
        if (interruption::signal() != 0) break;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        changed.notify_all();
    }
    for (std::thread& t : pool) t.join();
    readError = reader.readError();
    return written;
}

}  // namespace

IndexBuildResult buildIndex(const char* gamesFile, const IndexBuildSettings& settings) {
    IndexBuildResult result;
    result.indexFile = indexPath(gamesFile, settings.directory);
    auto fail = [&](const std::string& why) {
        result.error = why;
        return result;
    };
    if (strcmp(gamesFile, "-") == 0) return fail("standard input cannot be indexed");
    FileIdentity before;
    errno = 0;
    if (!FileIdentity::of(gamesFile, before))
        return fail(std::string("cannot read ") + gamesFile + ": " + errnoText(errno));
    std::unique_ptr<InputSource> input = InputSource::open(gamesFile);
    if (input == nullptr)
        return fail(std::string("cannot open ") + gamesFile + ": " + errnoText(errno));
    if (!input->refusal().empty()) return fail(input->shownName() + " is " + input->refusal());

    const std::string temporary = result.indexFile + ".tmp" + std::to_string(getpid());
    FILE* index = fopen(temporary.c_str(), "wb");
    if (index == nullptr) return fail("cannot write " + result.indexFile + ": " + errnoText(errno));
    FILE* moves = tmpfile();
    FILE* spans = moves != nullptr ? tmpfile() : nullptr;
    if (spans == nullptr) {
        if (moves != nullptr) fclose(moves);
        fclose(index);
        unlink(temporary.c_str());
        return fail("cannot make a temporary file: " + errnoText(errno));
    }
    std::string error;
    {
        uint8_t blank[kHeaderSize] = {};
        Builder builder(index, moves, spans);
        bool written = fwrite(blank, 1, kHeaderSize, index) == kHeaderSize;
        if (settings.jobs > 1) {
            int text = input->descriptor();
            int readError = 0;
            if (text < 0) {
                error = "cannot read " + input->shownName() + ": " + errnoText(errno);
                written = false;
            } else {
                written = written && readInParallel(text, settings, builder, readError);
                if (readError != 0) input->readFailed(readError);
            }
        } else {
            MFile pgn;
            pgn.OpenStream(input->stream(), gamesFile);
            PgnParser parser(&pgn);
            Game game;
            builder.follow(game);
            while (written && interruption::signal() == 0 &&
                   parser.ParseGame(&game) != ERROR_NotFound) {
                uint64_t before = builder.games();
                written = builder.add(game, parser.GameEndOffset());
                if (settings.progress && builder.games() % 10000 == 0)
                    showProgress(before, builder.games());
            }
        }
        result.games = builder.games();
        FileIdentity after;
        if (!error.empty()) {
            // Said already.
        } else if (interruption::signal() != 0) {
            error = std::string(gamesFile) + " was not indexed: interrupted";
        } else if (!input->damage().empty()) {
            error = input->shownName() + " " + input->damage() + ": not indexed";
        } else if (!FileIdentity::of(gamesFile, after) || !sameFile(before, after)) {
            error = std::string(gamesFile) + " changed while it was indexed: not indexed";
        } else if (!written || !builder.finish(before, index) || fflush(index) != 0 ||
                   fsync(fileno(index)) != 0) {
            error = "cannot write " + result.indexFile + ": " + errnoText(errno);
        }
    }
    fclose(moves);
    fclose(spans);
    if (fclose(index) != 0 && error.empty())
        error = "cannot write " + result.indexFile + ": " + errnoText(errno);
    if (error.empty() && rename(temporary.c_str(), result.indexFile.c_str()) != 0)
        error = "cannot write " + result.indexFile + ": " + errnoText(errno);
    if (!error.empty()) {
        unlink(temporary.c_str());
        return fail(error);
    }
    FileIdentity written;
    if (FileIdentity::of(result.indexFile.c_str(), written)) result.bytes = written.size;
    return result;
}

int buildIndexes(const std::vector<const char*>& files, const IndexBuildSettings& settings) {
    IndexBuildSettings each = settings;
    // Several files are indexed side by side, each on one thread; a single
    // one with every thread. Dots from several files at once would tell
    // nothing.
    const int threads = std::max(1, std::min<int>(settings.jobs, int(files.size())));
    if (threads > 1) {
        each.progress = false;
        each.jobs = 1;
    }
    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};
    auto work = [&]() {
        for (size_t i; (i = next++) < files.size();) {
            if (each.progress) {
                std::lock_guard<std::mutex> lock(outputMutex);
                printf("Indexing %s\n", files[i]);
            }
            IndexBuildResult r = buildIndex(files[i], each);
            std::lock_guard<std::mutex> lock(outputMutex);
            if (each.progress) putchar('\n');
            if (!r.error.empty()) {
                fprintf(stderr, "hux: %s\n", r.error.c_str());
                failures++;
                continue;
            }
            printf("Indexed %llu games of %s into %s: %llu bytes, %.1f bytes a game\n",
                   static_cast<unsigned long long>(r.games), files[i], r.indexFile.c_str(),
                   static_cast<unsigned long long>(r.bytes),
                   r.games > 0 ? double(r.bytes) / double(r.games) : 0.0);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; t++) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    if (interruption::signal() != 0) return 128 + interruption::signal();
    return failures > 0 ? 1 : 0;
}
