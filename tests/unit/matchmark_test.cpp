// The marks at the head of a move's comment: put before the annotator's
// words, each kind once, compared as whole words.
#include "filter/matchmark.h"

#include <gtest/gtest.h>

#include "core/game.h"

namespace {

TEST(MatchMark, GoesBeforeTheCommentOnce) {
    struct Case {
        const char* comment;
        const char* mark;
        const char* expected;
    } cases[] = {
        {nullptr, kRelationMark, "MATCH2"},
        {"", kListMark, "MATCH"},
        {"a fine move", kRelationMark, "MATCH2 a fine move"},
        {"MATCH2 a fine move", kRelationMark, "MATCH2 a fine move"},
        // MATCH2 is not MATCH, and MATCH is not MATCH2: both show.
        {"MATCH2 a fine move", kListMark, "MATCH MATCH2 a fine move"},
        {"MATCH", kRelationMark, "MATCH2 MATCH"},
        {"MATCH MATCH2 a fine move", kRelationMark, "MATCH MATCH2 a fine move"},
        {"MATCH2 MATCH", kListMark, "MATCH2 MATCH"},
        // Only marks at the head count; other words are the annotator's.
        {"MATCHES a fine move", kListMark, "MATCH MATCHES a fine move"},
        {"a MATCH2 move", kRelationMark, "MATCH2 a MATCH2 move"},
        {"MATCH2x", kRelationMark, "MATCH2 MATCH2x"},
    };
    for (const Case& c : cases) {
        Game g;
        simpleMoveT sm;
        ASSERT_EQ(g.GetCurrentPos()->ReadMove(&sm, "e4", TOKEN_Move_Pawn), OK);
        ASSERT_EQ(g.AddMove(&sm, "e4"), OK);
        g.SetMoveComment(c.comment);
        addMatchMark(&g, g.myCursor(), c.mark);
        EXPECT_STREQ(g.GetMoveComment(), c.expected) << (c.comment ? c.comment : "(none)");
    }
}

}  // namespace
