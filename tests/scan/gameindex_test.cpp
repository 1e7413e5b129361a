#include "scan/gameindex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "core/position.h"
#include "core/textbuf.h"
#include "scan/gamesignature.h"
#include "scan/indexbuilder.h"
#include "scan/indexedscan.h"
#include "scan/matchfilter.h"
#include "scan/packedgame.h"
#include "scan/queryreader.h"
#include "test_paths.h"

using namespace gameindex;

namespace {

// A copy of `source` in a scratch directory, indexed.
std::string indexedCopy(const std::string& source) {
    std::string path = scratchDir() + "/" + source.substr(source.rfind('/') + 1);
    writeFile(path, readFile(source));
    IndexBuildSettings settings;
    settings.progress = false;
    IndexBuildResult built = buildIndex(path.c_str(), settings);
    EXPECT_EQ(built.error, "");
    return path;
}

std::unique_ptr<GameIndex> openFor(const std::string& games, Verdict& verdict, int threads = 1) {
    FileIdentity identity;
    EXPECT_TRUE(FileIdentity::of(games.c_str(), identity));
    return GameIndex::open(indexPath(games, ""), &identity, verdict, nullptr, threads);
}

// Every game written back as the scan writes it.
std::vector<std::string> gamesOf(MFile& file) {
    std::vector<std::string> out;
    PgnParser parser(&file);
    Game game;
    TextBuffer text;
    text.SetBufferSize(100000);
    text.SetGrowable(true);
    while (parser.ParseGame(&game) != ERROR_NotFound) {
        game.MoveToPly(0);
        text.Clear();
        game.WriteToPGN_changed(&text);
        out.emplace_back(text.GetBuffer(), text.GetByteCount());
    }
    return out;
}

// Every move of the game's tree in order, each variation in brackets after
// the move it replaces.
void treeOf(Game& game, std::string& out) {
    char san[16];
    while (!game.AtVarEnd()) {
        game.GetCurrentPos()->MakeSANString(&game.GetCurrentMove()->moveData, san,
                                            SAN_NO_CHECKTEST);
        out += san;
        out += ' ';
        for (uint32_t v = 0; v < game.GetNumVariations(); v++) {
            if (game.MoveIntoVariation(v) != OK) break;
            out += "( ";
            treeOf(game, out);
            out += ") ";
            game.MoveExitVariation();
        }
        game.MoveForward();
    }
}

std::string treeOf(Game& game) {
    std::string out;
    game.MoveToPly(0);
    treeOf(game, out);
    game.MoveToPly(0);
    return out;
}

// The tree rebuilt from the packed moves of one game.
std::string unpackedTree(const GameIndex& index, uint64_t movesAt, const GameRecord& r) {
    std::vector<uint8_t> codes(r.movesLength);
    if (!index.read(index.movesAt() + movesAt, codes.data(), codes.size())) return "unreadable";
    Game game;
    PackedGame packed;
    if (!packed.load(codes.data(), codes.size(), game)) return "unsound";
    return treeOf(game);
}

std::vector<std::string> fixtureFiles() {
    std::vector<std::string> files = {std::string(HUX_FIXTURES_DIR) + "/../../examples/sample.pgn"};
    for (const char* name :
         {"pregame_text.pgn", "tag_inside_game.pgn", "eof_in_game.pgn", "eof_in_header.pgn",
          "nested_variations.pgn", "walk_mates_in_variations.pgn", "writer_fen_setup.pgn",
          "bad_move_freezes.pgn", "writer_latin1.pgn", "coordinate_moves.pgn"})
        files.push_back(fixturePath(std::string("pgn/") + name));
    return files;
}

// Each game's range of the text, read on its own, gives the game read from
// the whole text; the packed moves rebuild the same tree of moves.
TEST(GameIndex, RangesAndPackedMovesGiveBackEveryGame) {
    uint64_t packedGames = 0;
    std::vector<std::string> sources = fixtureFiles();
    // Real games, for the breadth of their moves.
    const std::string real = dataPath("dev/online-lichess.pgn");
    if (access(real.c_str(), R_OK) == 0) sources.push_back(real);
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        std::string path = indexedCopy(source);
        Verdict verdict;
        std::unique_ptr<GameIndex> index = openFor(path, verdict);
        ASSERT_EQ(verdict, Verdict::Usable);
        std::string text = readFile(path);
        MFile whole;
        whole.OpenMemory(text.data(), text.size(), "");
        std::vector<std::string> expected = gamesOf(whole);
        ASSERT_EQ(index->games(), expected.size());
        uint64_t offset = 0, movesAt = 0;
        GameRecord r;
        for (uint64_t i = 0; i < index->games(); i++) {
            index->record(i, r);
            ASSERT_LE(offset + r.length, text.size());
            MFile part;
            part.OpenMemory(text.data() + offset, r.length, "");
            std::vector<std::string> alone = gamesOf(part);
            ASSERT_EQ(alone.size(), 1u) << "game " << i + 1;
            EXPECT_EQ(alone[0], expected[i]) << "game " << i + 1;

            MFile again;
            again.OpenMemory(text.data() + offset, r.length, "");
            PgnParser parser(&again);
            Game game;
            parser.ParseGame(&game);
            EXPECT_EQ(index->text(r.white), std::string(game.GetWhiteStr()));
            EXPECT_EQ(r.year, date_GetYear(game.GetDate()));
            // The games from a set-up position are replayed from their text.
            if ((r.flags & (kPacked | kFenStart)) == kPacked) {
                EXPECT_EQ(unpackedTree(*index, movesAt, r), treeOf(game)) << "game " << i + 1;
                packedGames++;
            }
            offset += r.length;
            movesAt += r.movesLength;
        }
    }
    EXPECT_GT(packedGames, 40u);
}

// Workers reading batches of the text build the index a single reader
// builds, byte for byte, also when batches are cut inside comments and
// tag sections and must be read again joined.
TEST(GameIndex, ParallelBuildIsTheSerialOne) {
    for (const std::string& source : fixtureFiles()) {
        SCOPED_TRACE(source);
        std::string path = indexedCopy(source);
        const std::string serial = readFile(indexPath(path, ""));
        for (size_t batch : {size_t(97), size_t(1000), size_t(1) << 20}) {
            IndexBuildSettings settings{"", 3, false, batch};
            IndexBuildResult built = buildIndex(path.c_str(), settings);
            ASSERT_EQ(built.error, "");
            EXPECT_EQ(readFile(built.indexFile), serial) << "batches of " << batch;
        }
    }
}

// A game signed from what was gathered while it was read is signed as a walk
// of its tree signs it, record and packed moves, on real games and on trees
// the reader builds oddly; the games whose tree was not built only at the
// ends of its lines are walked.
TEST(GameIndex, SigningWhileReadingIsSigningByWalking) {
    const std::string odd =
        "[Event \"variation at the start, pass, mate in a variation\"]\n\n"
        "1. e4 ( 1. d4 ) ( ) e5 2. Qh5 Nc6 ( 2... -- 3. Qxf7+ ( 3. Qxe5# ) Kxf7 ) "
        "3. Bc4 Nf6 4. Qxf7# 1-0\n\n"
        "[Event \"stalemate in a variation, closed past the main line\"]\n"
        "[FEN \"7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\"]\n\n"
        "1. Kh6 ( 1. Qf8# ) ( 1. Qg7# ) ) Kg8 2. Qg7# 1-0\n\n"
        "[Event \"a variation left open\"]\n\n1. e4 e5 ( 1... c5 2. Nf3 *\n\n"
        "[Event \"an illegal move, then a variation\"]\n\n1. e4 e5 2. Ke4 ( 2. Nf3 ) Nc6 *\n\n"
        "[Event \"promotions\"]\n[FEN \"8/P6k/8/8/8/8/p6K/8 w - - 0 1\"]\n\n"
        "1. a8=N ( 1. a8=Q a1=R ) a1=B *\n\n"
        "[Event \"no moves\"]\n\n*\n";
    const std::string oddPath = scratchDir() + "/odd.pgn";
    writeFile(oddPath, odd);
    std::vector<std::string> files = fixtureFiles();
    files.push_back(oddPath);
    for (const char* dev : {"dev/repertoire.pgn", "dev/online-lichess.pgn", "dev/classics.pgn"})
        if (std::string path = dataPath(dev); !path.empty()) files.push_back(path);
    for (const std::string& source : files) {
        SCOPED_TRACE(source);
        const std::string text = readFile(source);
        MFile followedFile, walkedFile;
        followedFile.OpenMemory(text.data(), text.size(), "");
        walkedFile.OpenMemory(text.data(), text.size(), "");
        PgnParser followedParser(&followedFile), walkedParser(&walkedFile);
        Game followedGame, walkedGame;
        GameSignature following, walking;
        followedGame.SetObserver(&following);
        size_t games = 0, followedGames = 0;
        while (followedParser.ParseGame(&followedGame) != ERROR_NotFound) {
            ASSERT_NE(walkedParser.ParseGame(&walkedGame), ERROR_NotFound);
            GameRecord a, b;
            std::vector<uint8_t> aMoves{1, 2}, bMoves{1, 2};
            followedGames += following.sign(followedGame, a, aMoves);
            EXPECT_FALSE(walking.sign(walkedGame, b, bMoves));
            uint8_t aBytes[kRecordSize], bBytes[kRecordSize];
            a.encode(aBytes);
            b.encode(bBytes);
            EXPECT_EQ(std::vector<uint8_t>(aBytes, aBytes + kRecordSize),
                      std::vector<uint8_t>(bBytes, bBytes + kRecordSize))
                << "game " << games + 1;
            EXPECT_EQ(aMoves, bMoves) << "game " << games + 1;
            games++;
        }
        // Only the game left inside a variation is walked.
        EXPECT_EQ(followedGames, games - (source == oddPath ? 1 : 0));
    }
}

// The main-line flags of examples/sample.pgn, against what its games are
// known to hold (the README's list of mates among them).
TEST(GameIndex, SignaturesOfTheSampleGames) {
    std::string path = indexedCopy(std::string(HUX_FIXTURES_DIR) + "/../../examples/sample.pgn");
    Verdict verdict;
    std::unique_ptr<GameIndex> index = openFor(path, verdict);
    ASSERT_NE(index, nullptr);
    std::vector<int> mates;
    GameRecord r;
    for (uint64_t i = 0; i < index->games(); i++) {
        index->record(i, r);
        if (r.flags & kMate) mates.push_back(int(i + 1));
        // Every game from the usual start had each king on its start square.
        if (r.flags & kFenStart) continue;
        EXPECT_NE(r.squares[0] & (1ull << 4), 0u);
        EXPECT_NE(r.squares[6] & (1ull << 60), 0u);
        EXPECT_LE(r.pawnsLeft, 16);
    }
    EXPECT_EQ(mates, (std::vector<int>{1, 2, 3, 5, 13, 15, 16, 22}));
}

// A record read back is the record written, but for the squares of the kinds
// kept in blocks, which read back as every square of each block they touched
// (and no other), and the pawns', which read back on both back ranks too.
TEST(GameIndex, RecordsReadBackAsWritten) {
    std::mt19937_64 random(7);
    for (int round = 0; round < 200; round++) {
        GameRecord r;
        r.length = uint32_t(random());
        r.movesLength = uint32_t(random());
        r.white = 3;
        r.flags = uint16_t(random());
        r.promotions = uint8_t(random());
        r.material[9] = 15;
        // Sparse and dense sets, corners and edges.
        for (uint64_t& s : r.squares) s = random() & random() & (round % 2 ? random() : ~0ull);
        r.squares[round % kKinds] |= 1ull << 63 | 1;
        uint8_t bytes[kRecordSize];
        r.encode(bytes);
        GameRecord back;
        back.decode(bytes);
        EXPECT_EQ(back.length, r.length);
        EXPECT_EQ(back.movesLength, r.movesLength);
        EXPECT_EQ(back.white, r.white);
        EXPECT_EQ(back.flags, r.flags);
        EXPECT_EQ(back.promotions, r.promotions);
        EXPECT_EQ(back.material[9], 15);
        for (int k = 0; k < kKinds; k++) {
            uint64_t blocks = 0;
            for (int sq = 0; sq < 64; sq++)
                if (r.squares[k] >> sq & 1)
                    for (int other = 0; other < 64; other++)
                        if (blockOf(other) == blockOf(sq)) blocks |= 1ull << other;
            const uint64_t expected = (kPawnKinds >> k & 1)    ? r.squares[k] | kBackRanks
                                      : (kExactKinds >> k & 1) ? r.squares[k]
                                                               : blocks;
            EXPECT_EQ(back.squares[k], expected) << "kind " << k << " round " << round;
        }
        // A planner's read: the same fields, the squares of its kinds alone,
        // every square for the others.
        const uint16_t kinds = uint16_t(random() & kAllKinds);
        GameRecord plan;
        plan.decodeForPlan(bytes + kSpanSize, kinds);
        EXPECT_EQ(plan.white, r.white);
        EXPECT_EQ(plan.flags, r.flags);
        EXPECT_EQ(plan.promotions, r.promotions);
        EXPECT_EQ(plan.material[9], 15);
        for (int k = 0; k < kKinds; k++)
            EXPECT_EQ(plan.squares[k], kinds >> k & 1 ? back.squares[k] : ~0ull) << "kind " << k;
    }
}

// An index that does not describe the games file, or is not whole, is never
// used, and the reason is told apart.
TEST(GameIndex, DamagedStaleAndForeignIndexesAreRefused) {
    std::string path = indexedCopy(std::string(HUX_FIXTURES_DIR) + "/../../examples/sample.pgn");
    const std::string indexFile = indexPath(path, "");
    const std::string good = readFile(indexFile);
    struct Case {
        const char* what;
        std::string bytes;
        Verdict expected;
    };
    auto flipped = [&](size_t at) {
        std::string b = good;
        b[at] = char(b[at] ^ 0x40);
        return b;
    };
    std::string version = good;
    version[8] = 9;
    uint64_t games = 0;
    for (int i = 7; i >= 0; i--) games = games << 8 | uint8_t(good[56 + i]);
    std::vector<Case> cases = {
        {"whole", good, Verdict::Usable},
        {"empty", "", Verdict::Damaged},
        {"truncated header", good.substr(0, 60), Verdict::Truncated},
        {"truncated body", good.substr(0, good.size() - 1), Verdict::Truncated},
        {"longer", good + "x", Verdict::Damaged},
        {"header byte", flipped(60), Verdict::Damaged},
        {"record byte", flipped(kHeaderSize + 3), Verdict::Damaged},
        {"span byte", flipped(kHeaderSize + games * kSignatureSize + 1), Verdict::Damaged},
        {"move byte", flipped(kHeaderSize + games * kRecordSize + 5), Verdict::Damaged},
        {"text byte", flipped(good.size() - 2), Verdict::Damaged},
        {"version", version, Verdict::WrongVersion},
        {"not an index", std::string(200, 'x'), Verdict::Damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(indexFile, c.bytes);
        // Checked on one thread, and with its two parts side by side.
        for (int threads : {1, 2}) {
            Verdict verdict;
            std::unique_ptr<GameIndex> index = openFor(path, verdict, threads);
            EXPECT_EQ(verdict, c.expected) << threads << " threads";
            EXPECT_EQ(index != nullptr, c.expected == Verdict::Usable) << threads << " threads";
        }
    }
    writeFile(indexFile, good);
    Verdict verdict;
    // The same text, touched: stale.
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    openFor(path, verdict);
    EXPECT_EQ(verdict, Verdict::Stale);
    // Games appended: stale too.
    writeFile(path, readFile(path) + "\n[Event \"x\"]\n\n1. e4 *\n");
    openFor(path, verdict);
    EXPECT_EQ(verdict, Verdict::Stale);
    // Another short games file under the same name may be the same one
    // grown: stale.
    writeFile(path, "[Event \"other\"]\n\n1. d4 *\n");
    openFor(path, verdict);
    EXPECT_EQ(verdict, Verdict::Stale);
    // Two long files that start differently are different files.
    std::string longGames;
    for (int i = 0; i < 4000; i++) longGames += "[Event \"long\"]\n\n1. e4 e5 *\n\n";
    writeFile(path, longGames);
    buildIndex(path.c_str(), IndexBuildSettings{"", 1, false, size_t(1) << 20});
    writeFile(path, "[Event \"Long\"]" + longGames.substr(14));
    openFor(path, verdict);
    EXPECT_EQ(verdict, Verdict::Foreign);
    unlink(indexFile.c_str());
    openFor(path, verdict);
    EXPECT_EQ(verdict, Verdict::Missing);
}

// Indexes kept in a directory of their own, and a compressed games file.
TEST(GameIndex, IndexDirectoryAndCompressedGames) {
    std::string dir = scratchDir();
    std::string gz = dataPath("dev/repertoire.pgn");
    SKIP_WITHOUT_DATA(gz);
    std::string plain = dir + "/repertoire.pgn";
    writeFile(plain, readFile(gz));
    ASSERT_EQ(system(("gzip -k " + plain).c_str()), 0);
    IndexBuildSettings settings;
    settings.progress = false;
    settings.directory = dir + "/indexes";
    ASSERT_EQ(mkdir(settings.directory.c_str(), 0755), 0);
    IndexBuildResult a = buildIndex(plain.c_str(), settings);
    settings.jobs = 2;  // the decoded text through a pipe, in batches
    settings.batchSize = 4096;
    IndexBuildResult b = buildIndex((plain + ".gz").c_str(), settings);
    ASSERT_EQ(a.error, "");
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.indexFile, settings.directory + "/repertoire.pgn.gz.hxi");
    EXPECT_EQ(a.games, b.games);
    // Same games, same text offsets: the records agree, the file identity not.
    std::string ra = readFile(a.indexFile), rb = readFile(b.indexFile);
    EXPECT_EQ(ra.substr(kHeaderSize + 0), rb.substr(kHeaderSize + 0));
}

}  // namespace

namespace {

// An index cut short after it was checked makes its reads fail: no fault,
// and a scan that plans from it learns that it could not read it whole.
TEST(GameIndex, IndexCutWhileInUseFailsItsReads) {
    std::string path = indexedCopy(std::string(HUX_FIXTURES_DIR) + "/../../examples/sample.pgn");
    Verdict verdict;
    std::unique_ptr<GameIndex> index = openFor(path, verdict);
    ASSERT_EQ(verdict, Verdict::Usable);
    ASSERT_GT(index->games(), 2u);
    // Cut after the first game's span: its record reads whole, the last one's
    // does not.
    ASSERT_EQ(truncate(indexPath(path, "").c_str(), off_t(index->spansAt() + kSpanSize)), 0);
    GameRecord r;
    EXPECT_TRUE(index->record(0, r));
    EXPECT_FALSE(index->record(index->games() - 1, r));
    IndexStream spans(*index, index->spansAt(), index->movesAt());
    uint64_t read = 0;
    while (read < index->games() && spans.next(kSpanSize) != nullptr) read++;
    EXPECT_LT(read, index->games());

    // Cut after the first game's signatures: the plan cannot be made.
    ASSERT_EQ(truncate(indexPath(path, "").c_str(), off_t(kHeaderSize + kSignatureSize)), 0);

    std::string dir = scratchDir();
    writeFile(dir + "/q.hux", "(match :pgn " + path + " (position :check))");
    std::unique_ptr<mfilter> parsed(readQueryFile((dir + "/q.hux").c_str()));
    auto* query = dynamic_cast<matchFilter*>(parsed.get());
    ASSERT_NE(query, nullptr);
    query->expand();
    IndexedScan plan(*query, *index);
    EXPECT_TRUE(plan.indexUnreadable());
}

}  // namespace
