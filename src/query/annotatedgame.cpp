// The engine's annotated game record: the tag section, the comment line that
// names the game's number in the input, the move text with its MATCH comments,
// and the result; and util::printgame, which writes one such record to a file.

#include <charconv>
#include <cstdio>
#include <string_view>

#include "core/date.h"
#include "core/dstring.h"
#include "core/eco.h"
#include "core/game.h"
#include "core/myassert.h"
#include "core/position.h"
#include "core/textbuf.h"
#include "query/util.h"

namespace {

// Room the buffer starts with; it grows for the rare game that needs more.
constexpr uint32_t kRecordBufferSize = 100000;

// Tags are never wrapped, whatever the length of their values.
constexpr uint32_t kTagWrapColumn = 99999;

const char* ratingName(byte ratingType) {
    return ratingType < 7 ? ratingTypeNames[ratingType] : ratingTypeNames[RATING_Elo];
}

// One tag line, '[' name ' ' '"' value '"' ']', written whole whatever the
// length of the value.
errorT printTag(TextBuffer* tb, const char* name, const char* suffix, std::string_view value) {
    return tb->PrintLine({"[", name, suffix, " \"", value, "\"]"});
}

// A rating's digits, in text (room for 10).
std::string_view ratingText(char* text, unsigned rating) {
    return std::string_view(text, size_t(std::to_chars(text, text + 10, rating).ptr - text));
}

}  // namespace

errorT Game::WriteToPGN_changed(TextBuffer* tb) {
    return WritePGN_changed(tb, 0);
}

errorT Game::handleinitialcomment_changed(TextBuffer* tb) {
    ASSERT(tb != nullptr && FirstMove != nullptr);
    DString text;
    text.Append("Original game: ");
    text.Append(GameNumber);
    if (FirstMove->comment != nullptr) text.Append(" ", FirstMove->comment);
    errorT err = WriteComment(tb, "{", text.Data(), "}");
    return err == OK ? tb->NewLine() : err;
}

// A short header in place of the tags (style bit 64), the BrelFlags tag
// (512) and the HTML, LaTeX and colour formats are not built: the engine
// writes plain PGN with tags, comments and variations only.
errorT Game::WritePGN_changed(TextBuffer* tb, uint32_t stopLocation) {
    ASSERT(tb != nullptr && Result <= RESULT_Draw);
    tb->NewlinesToSpaces(false);

    uint32_t wrapColumn = tb->GetWrapColumn();
    tb->SetWrapColumn(kTagWrapColumn);
    char text[100];
    errorT err = OK;
    auto check = [&err](errorT result) {
        if (err == OK) err = result;
    };
    check(printTag(tb, "Event", "", EventStr.c_str()));
    check(printTag(tb, "Site", "", SiteStr.c_str()));
    date_DecodeToString(Date, text);
    check(printTag(tb, "Date", "", text));
    check(printTag(tb, "Round", "", RoundStr.c_str()));
    check(printTag(tb, "White", "", WhiteStr.c_str()));
    check(printTag(tb, "Black", "", BlackStr.c_str()));
    check(printTag(tb, "Result", "", RESULT_LONGSTR[Result]));
    if (PgnStyle & PGN_STYLE_TAGS) {
        if (WhiteElo != 0)
            check(printTag(tb, "White", ratingName(WhiteRatingType), ratingText(text, WhiteElo)));
        if (BlackElo != 0)
            check(printTag(tb, "Black", ratingName(BlackRatingType), ratingText(text, BlackElo)));
        if (EcoCode != ECO_None) {
            eco_ToExtendedString(EcoCode, text);
            check(printTag(tb, "ECO", "", text));
        }
        if (EventDate != ZERO_DATE) {
            date_DecodeToString(EventDate, text);
            check(printTag(tb, "EventDate", "", text));
        }
        for (uint32_t i = 0; i < NumTags; i++) {
            check(printTag(tb, TagList[i].tag, "", TagList[i].value));
        }
    }
    if (NonStandardStart) {
        StartPos->PrintFEN(text, FEN_ALL_FIELDS);
        check(printTag(tb, "FEN", "", text));
    }
    tb->SetWrapColumn(wrapColumn);
    check(tb->NewLine());

    moveT* oldCurrentMove = CurrentMove;
    if (stopLocation == 0) SaveState();
    MoveToPly(0);
    PgnNextMovePos = 1;
    PgnLastMovePos = 1;
    NumMovesPrinted = 1;
    StopLocation = stopLocation;

    check(handleinitialcomment_changed(tb));
    uint32_t startPly = CurrentPos->GetPlyCounter();
    check(WriteMoveList(tb, startPly, oldCurrentMove, true, false));
    check(tb->PrintWord(RESULT_LONGSTR[Result]));
    check(tb->NewLine());

    if (stopLocation == 0) RestoreState();
    return err;
}

bool util::printgame(FILE* stream, Game* game, TextBuffer& tb) {
    ASSERT(stream != nullptr && game != nullptr);
    // Every record starts from the empty buffer with the writer's settings,
    // which WritePGN_changed sets or restores itself.
    if (tb.GetBufferSize() == 0) {
        tb.SetBufferSize(kRecordBufferSize);
        tb.SetGrowable(true);
    }
    tb.Clear();
    if (game->WriteToPGN_changed(&tb) != OK) return false;
    // A buffered stream may have failed on an earlier game's bytes.
    return tb.DumpToFile(stream) == OK && !ferror(stream);
}
