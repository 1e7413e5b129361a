// The game-level conditions of the match form, tried on one game in process.
#include <gtest/gtest.h>

#include "core/date.h"
#include "core/game.h"
#include "scan/matchfilter.h"

namespace {

struct Conditions {
    const char* player = nullptr;
    int yearmin = -1, yearmax = -1;  // -1: no year condition
    resultT result = RESULT_None;
};

bool accepts(Game& game, const Conditions& c) {
    matchFilter m;
    m.player = c.player;
    if (c.yearmin >= 0) {
        m.checkyear = true;
        m.yearmin = c.yearmin;
        m.yearmax = c.yearmax;
    }
    m.result = c.result;
    return m.match(&game);
}

TEST(GameConditions, PlayerOnEitherSideIgnoringCase) {
    Game game;
    game.SetWhiteStr("Fischer, Robert James");
    game.SetBlackStr("Tal, Mikhail");
    EXPECT_TRUE(accepts(game, {"FISCHER"}));
    EXPECT_TRUE(accepts(game, {"tal, m"}));
    EXPECT_TRUE(accepts(game, {"ert jam"}));
    EXPECT_FALSE(accepts(game, {"Spassky"}));
    // A fragment must lie within one name, not across both.
    EXPECT_FALSE(accepts(game, {"JamesTal"}));
    EXPECT_TRUE(accepts(game, {}));
}

TEST(GameConditions, YearRangeIsInclusiveAndUnknownYearIsZero) {
    Game game;
    game.SetDate(date_Make(1960, 10, 0));
    EXPECT_TRUE(accepts(game, {nullptr, 1960, 1960}));
    EXPECT_TRUE(accepts(game, {nullptr, 1950, 1960}));
    EXPECT_TRUE(accepts(game, {nullptr, 1960, 2000}));
    EXPECT_FALSE(accepts(game, {nullptr, 1961, 2000}));
    EXPECT_FALSE(accepts(game, {nullptr, 0, 1959}));

    Game unknown;  // no Date tag at all
    EXPECT_TRUE(accepts(unknown, {nullptr, 0, 0}));
    EXPECT_TRUE(accepts(unknown, {nullptr, 0, 2000}));
    EXPECT_FALSE(accepts(unknown, {nullptr, 1, 2000}));
    unknown.SetDate(date_EncodeFromString("????.??.??"));
    EXPECT_TRUE(accepts(unknown, {nullptr, 0, 2000}));
    EXPECT_FALSE(accepts(unknown, {nullptr, 1, 2000}));
}

TEST(GameConditions, ResultMustBeEqualAndNoneNeverPasses) {
    Game game;
    for (resultT want : {RESULT_White, RESULT_Black, RESULT_Draw})
        EXPECT_FALSE(accepts(game, {nullptr, -1, -1, want})) << int(want);
    game.SetResult(RESULT_Draw);
    EXPECT_TRUE(accepts(game, {nullptr, -1, -1, RESULT_Draw}));
    EXPECT_FALSE(accepts(game, {nullptr, -1, -1, RESULT_White}));
    EXPECT_FALSE(accepts(game, {nullptr, -1, -1, RESULT_Black}));
}

TEST(GameConditions, EveryConditionMustHold) {
    Game game;
    game.SetWhiteStr("Hamppe, Carl");
    game.SetBlackStr("Meitner, Philipp");
    game.SetDate(date_Make(1872, 0, 0));
    game.SetResult(RESULT_Draw);
    EXPECT_TRUE(accepts(game, {"carl", 1850, 1900, RESULT_Draw}));
    EXPECT_FALSE(accepts(game, {"karl", 1850, 1900, RESULT_Draw}));
    EXPECT_FALSE(accepts(game, {"carl", 1880, 1900, RESULT_Draw}));
    EXPECT_FALSE(accepts(game, {"carl", 1850, 1900, RESULT_White}));
}

}  // namespace
