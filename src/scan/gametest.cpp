#include "scan/gametest.h"

#include "core/game.h"
#include "filter/markboard.h"
#include "scan/matchfilter.h"

namespace {

constexpr uint32_t kRecordBufferSize = 100000;

}  // namespace

GameTest::GameTest(matchFilter& q) : query(q) {
    record.SetBufferSize(kRecordBufferSize);
    record.SetGrowable(true);
}

void GameTest::follow(Game& game) {
    game.SetObserver(query.follower());
}

void GameTest::prepare(Game& game, long number) {
    game.SetNumber(uint32_t(number));
    game.MoveToPly(0);
    if (MarkBoard* marks = query.state.marks()) marks->initialize(&game);
}

bool GameTest::matches(Game& game) {
    return query.match(&game);
}

GameTest::Outcome GameTest::write(Game& game, long number) {
    game.SetNumber(uint32_t(number));
    record.Clear();
    return game.WriteToPGN_changed(&record) == OK ? Outcome::Matched : Outcome::Unwritable;
}
