// Reading one game again from the byte range the reader reported for it: the
// range must hold exactly that game, also where ranges cross the file's
// buffer and where a game is broken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "test_paths.h"

namespace {

// What tells one read of a game from another: its status, event, site,
// players and the position at the end of its main line.
std::string summary(Game& game, errorT status) {
    game.MoveToPly(0);
    while (game.MoveForward() == OK) {
    }
    char fen[128];
    game.GetCurrentPos()->PrintFEN(fen, FEN_ALL_FIELDS);
    return std::to_string(status) + "|" + game.GetEventStr() + "|" + game.GetSiteStr() + "|" +
           game.GetWhiteStr() + "|" + game.GetBlackStr() + "|" + fen;
}

struct Range {
    uint64_t start, end;
    std::string summary;
};

std::vector<Range> readRanges(MFile& file) {
    PgnParser parser(&file);
    Game game;
    std::vector<Range> ranges;
    uint64_t start = parser.InputOffset();
    errorT status;
    while ((status = parser.ParseGame(&game)) != ERROR_NotFound) {
        const uint64_t end = parser.GameEndOffset();
        ranges.push_back({start, end, summary(game, status)});
        start = end;
    }
    return ranges;
}

void expectRangesReadAlone(const std::string& text, const std::vector<Range>& ranges) {
    for (size_t i = 0; i < ranges.size(); ++i) {
        SCOPED_TRACE("game " + std::to_string(i + 1));
        ASSERT_LE(ranges[i].end, text.size());
        MFile alone;
        alone.OpenMemory(text.data() + ranges[i].start, ranges[i].end - ranges[i].start, "game");
        PgnParser parser(&alone);
        Game game;
        const errorT status = parser.ParseGame(&game);
        EXPECT_EQ(summary(game, status), ranges[i].summary);
        EXPECT_EQ(parser.ParseGame(&game), ERROR_NotFound) << "the range holds a second game";
    }
}

}  // namespace

TEST(PgnRanges, EachGameReadsAloneFromItsRange) {
    // Repeated past the reader's buffer so that ranges straddle refills; the
    // file is read from disk so that the buffer is really refilled.
    const std::string sample = readFile(std::string(HUX_EXAMPLES_DIR) + "/sample.pgn");
    ASSERT_FALSE(sample.empty());
    std::string text;
    while (text.size() < 3 * MFile::BUFFER_SIZE) text += sample + "\n";
    const std::string path = scratchDir() + "/repeated.pgn";
    writeFile(path, text);

    MFile file;
    ASSERT_EQ(file.Open(path.c_str(), FMODE_ReadOnly), OK);
    const std::vector<Range> ranges = readRanges(file);
    ASSERT_GT(ranges.size(), 32u * 3);
    EXPECT_EQ(text.find_first_not_of(" \n", ranges.back().end), std::string::npos);
    expectRangesReadAlone(text, ranges);
}

TEST(PgnRanges, BrokenGamesKeepTheirNeighboursApart) {
    // An illegal move, a game without result before a header, stray text and
    // an unterminated comment at the end.
    const std::string text =
        "[White \"A\"]\n[Black \"B\"]\n\n1.e4 e5 2.Ke3 Nf6 1-0\n\n"
        "[White \"C\"]\n[Black \"D\"]\n\n1.d4 d5\n"
        "[White \"E\"]\n[Black \"F\"]\n\n1.c4 {open comment 1/2-1/2\n"
        "not pgn at all ]]] {\n";
    MFile file;
    file.OpenMemory(text.data(), text.size(), "broken");
    const std::vector<Range> ranges = readRanges(file);
    ASSERT_EQ(ranges.size(), 3u);
    expectRangesReadAlone(text, ranges);
}

TEST(PgnRanges, ATagThatEndsAHeaderWithoutMovesStartsTheNextRange) {
    // The second Event ends the first game, and the reader carries it into
    // the next one: read alone, each range must give the same game. The
    // first, a header cut by the end of its range, is then read with the
    // end-of-input warning, the rest as before.
    const std::string text =
        "[Event \"\"]\n[Site \"S1\"]\n[White \"A\"]\n\n"
        "[Event \"\"]\n[Site \"S2\"]\n[White \"C\"]\n[Black \"D\"]\n\n1.e4 e5 1-0\n\n"
        "[Event \"E3\"]\n[White \"E\"]\n[Event \"E4\"]\n[White \"G\"]\n\n1.d4 *\n";
    MFile file;
    file.OpenMemory(text.data(), text.size(), "headers");
    std::vector<Range> ranges = readRanges(file);
    ASSERT_EQ(ranges.size(), 4u);
    for (size_t i : {0, 2}) {
        ASSERT_EQ(ranges[i].summary.substr(0, 2), std::to_string(OK) + "|");
        ranges[i].summary.replace(0, 1, std::to_string(ERROR_Game));
    }
    expectRangesReadAlone(text, ranges);
}
