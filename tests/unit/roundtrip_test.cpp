// Every game written as an annotated record and read back must be the game
// that was read: tags, moves of the main line and every variation, comments
// and NAGs. Two differences are inherent and allowed for: the record's first
// comment is "Original game: N" followed by the game's own start comment, and
// comments come back with their white space collapsed, as the reader stores
// every comment (text found between games keeps its line breaks until then).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/misc.h"
#include "core/pgnparser.h"
#include "core/textbuf.h"
#include "pgn_test_support.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks memory, not coverage: a sample of each file.
constexpr uint32_t kMaxGamesPerFile = 1000;
#else
constexpr uint32_t kMaxGamesPerFile = UINT32_MAX;
#endif

std::string collapsed(const char* text) {
    std::string out;
    if (text == nullptr) return out;
    bool space = false;
    for (const char* p = text; *p != 0; p++) {
        bool isSpace = charIsSpace(*p);
        if (isSpace) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        // A brace cannot stand inside a written comment.
        out += *p == '}' ? ')' : *p;
    }
    return out;
}

std::string fen(const Game& game) {
    if (!game.HasNonStandardStart()) return "";
    char text[100];
    game.GetStartPos()->PrintFEN(text, FEN_ALL_FIELDS);
    return text;
}

#define SAME(what, a, b)                                                                   \
    do {                                                                                   \
        if ((a) != (b))                                                                    \
            return std::string(what) + ": '" + toText(a) + "' became '" + toText(b) + "'"; \
    } while (0)

std::string toText(const std::string& s) {
    return s;
}
std::string toText(uint32_t n) {
    return std::to_string(n);
}

std::string compareTags(const Game& a, const Game& b) {
    SAME("Event", std::string(a.GetEventStr()), std::string(b.GetEventStr()));
    SAME("Site", std::string(a.GetSiteStr()), std::string(b.GetSiteStr()));
    SAME("Round", std::string(a.GetRoundStr()), std::string(b.GetRoundStr()));
    SAME("White", std::string(a.GetWhiteStr()), std::string(b.GetWhiteStr()));
    SAME("Black", std::string(a.GetBlackStr()), std::string(b.GetBlackStr()));
    SAME("Date", a.GetDate(), b.GetDate());
    SAME("EventDate", a.GetEventDate(), b.GetEventDate());
    SAME("Result", uint32_t(a.GetResult()), uint32_t(b.GetResult()));
    SAME("ECO", uint32_t(a.GetEco()), uint32_t(b.GetEco()));
    SAME("White rating", uint32_t(a.GetWhiteElo()), uint32_t(b.GetWhiteElo()));
    SAME("Black rating", uint32_t(a.GetBlackElo()), uint32_t(b.GetBlackElo()));
    if (a.GetWhiteElo() != 0) {
        SAME("White rating type", uint32_t(a.GetWhiteRatingType()),
             uint32_t(b.GetWhiteRatingType()));
    }
    if (a.GetBlackElo() != 0) {
        SAME("Black rating type", uint32_t(a.GetBlackRatingType()),
             uint32_t(b.GetBlackRatingType()));
    }
    SAME("extra tags", a.GetNumExtraTags(), b.GetNumExtraTags());
    for (uint32_t i = 0; i < a.GetNumExtraTags(); i++) {
        const tagT& ta = a.GetExtraTags()[i];
        const tagT& tb = b.GetExtraTags()[i];
        SAME("extra tag name", std::string(ta.tag), std::string(tb.tag));
        SAME(std::string("tag ") + ta.tag, std::string(ta.value), std::string(tb.value));
    }
    SAME("FEN", fen(a), fen(b));
    return "";
}

// Walks one line of both games in step, from the cursor to the line's end,
// and every variation on the way.
std::string compareLine(Game& a, Game& b, const std::string& where) {
    for (uint32_t ply = 0;; ply++) {
        std::string at = where + " ply " + std::to_string(ply);
        SAME(at + " end of line", uint32_t(a.AtVarEnd()), uint32_t(b.AtVarEnd()));
        if (a.AtVarEnd()) return "";
        moveT* ma = a.GetCurrentMove();
        moveT* mb = b.GetCurrentMove();
        char san[10];
        b.GetCurrentPos()->MakeSANString(&mb->moveData, san, SAN_MATETEST);
        SAME(at + " move", std::string(ma->san), std::string(san));
        SAME(at + " NAG count", uint32_t(ma->nagCount), uint32_t(mb->nagCount));
        for (uint32_t i = 0; i < ma->nagCount; i++) {
            SAME(at + " NAG", uint32_t(ma->nags[i]), uint32_t(mb->nags[i]));
        }
        SAME(at + " comment", collapsed(ma->comment), collapsed(mb->comment));
        SAME(at + " variations", uint32_t(ma->numVariations), uint32_t(mb->numVariations));
        for (uint32_t v = 0; v < ma->numVariations; v++) {
            std::string inner = at + " variation " + std::to_string(v);
            if (a.MoveIntoVariation(v) != OK || b.MoveIntoVariation(v) != OK)
                return inner + ": cannot enter";
            SAME(inner + " opening comment", collapsed(a.GetMoveComment()),
                 collapsed(b.GetMoveComment()));
            std::string diff = compareLine(a, b, inner);
            if (!diff.empty()) return diff;
            a.MoveExitVariation();
            b.MoveExitVariation();
        }
        a.MoveForward();
        b.MoveForward();
    }
}

std::string compareGames(Game& a, Game& b) {
    std::string diff = compareTags(a, b);
    if (!diff.empty()) return diff;
    a.MoveToPly(0);
    b.MoveToPly(0);
    std::string start = "Original game: " + std::to_string(a.GetNumber());
    std::string own = collapsed(a.GetMoveComment());
    if (!own.empty()) start += " " + own;
    std::string back = collapsed(b.GetMoveComment());
    SAME("start comment", start, back);
    return compareLine(a, b, "main line");
}

// Longest line of the record that is not a tag and holds more than one word.
bool wrappedWithin79(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.size() > 79 && line[0] != '[') {
            line.erase(line.find_last_not_of(' ') + 1);
            // A "[%...]" command is never broken: it counts as one word.
            line = std::regex_replace(line, std::regex(R"(\[%[^\]]*\])"), "[%]");
            if (line.find(' ') != std::string::npos) return false;
        }
        start = end + 1;
    }
    return true;
}

struct FileResult {
    uint32_t games = 0;
    uint32_t differing = 0;
    std::vector<std::string> firstDiffs;
};

FileResult roundTrip(const std::string& path) {
    FileResult result;
    MFile file;
    if (file.Open(path.c_str(), FMODE_ReadOnly) != OK) {
        result.firstDiffs.push_back("cannot open");
        result.differing = 1;
        return result;
    }
    PgnParser parser(&file);
    Game a;
    Game b;
    while (result.games < kMaxGamesPerFile && parser.ParseGame(&a) != ERROR_NotFound) {
        a.SetNumber(++result.games);
        a.MoveToPly(0);
        TextBuffer tb;
        tb.SetBufferSize(100000);
        tb.SetGrowable(true);
        std::string diff;
        if (a.WriteToPGN_changed(&tb) != OK) diff = "write failed";
        std::string written(tb.GetBuffer(), tb.GetByteCount());
        if (diff.empty() && !wrappedWithin79(written)) diff = "line longer than 79";
        if (diff.empty()) {
            PgnReader reader(written);
            if (reader.next(b) == ERROR_NotFound) {
                diff = "no game read back";
            } else if (reader.log().find("Error reading move") != std::string::npos) {
                diff = "move error reading back: " + reader.log();
            } else {
                diff = compareGames(a, b);
            }
        }
        if (!diff.empty()) {
            result.differing++;
            if (result.firstDiffs.size() < 5) {
                result.firstDiffs.push_back("game " + std::to_string(result.games) + ": " + diff);
            }
        }
    }
    return result;
}

// Checks every game of the file and returns how many were read. A file of
// one's own must hold games; a collected file may hold none the reader
// takes (move text without any tag), so a collection is checked as a whole.
uint32_t expectRoundTrip(const std::string& path, bool mustHoldGames = true) {
    FileResult r = roundTrip(path);
    if (mustHoldGames) {
        EXPECT_GT(r.games, 0u) << path << ": no game was read";
    }
    EXPECT_EQ(r.differing, 0u) << path << ": " << r.differing << " of " << r.games
                               << " games differ, first: "
                               << (r.firstDiffs.empty() ? "" : r.firstDiffs[0]);
    for (const std::string& d : r.firstDiffs) ADD_FAILURE() << path << ": " << d;
    return r.games;
}

std::vector<std::string> pgnFilesUnder(const std::string& dir) {
    std::vector<std::string> files;
    if (dir.empty()) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == ".pgn") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RoundTrip, WriterFixtures) {
    for (const std::string& path : pgnFilesUnder(fixturePath("pgn"))) expectRoundTrip(path);
}

TEST(RoundTrip, SampleGames) {
    std::string path = fixturePath("../../examples/sample.pgn");
    expectRoundTrip(path);
}

class CorpusRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusRoundTrip, EveryGameComesBackTheSame) {
    std::string path = dataPath(GetParam());
    SKIP_WITHOUT_DATA(path);
    if (fs::is_directory(path)) {
        uint64_t games = 0;
        for (const std::string& file : pgnFilesUnder(path)) games += expectRoundTrip(file, false);
        EXPECT_GT(games, 1000u) << path << ": too few games were read";
    } else {
        expectRoundTrip(path);
    }
}

INSTANTIATE_TEST_SUITE_P(SharedData, CorpusRoundTrip,
                         ::testing::Values("dev/masters.pgn", "dev/classics.pgn",
                                           "dev/online-lichess.pgn", "dev/repertoire.pgn", "edge",
                                           "debian"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
