#include "AppFixture.h"

namespace {

TEST(Scheduler, RunsStartAtTheClickAndAtTheFirstTickAfterEachGridPoint)
{
    AppFixture f;
    f.enableProfile(1, {AppHarness::header("one"), AppHarness::header("two")});
    f.controller.run();
    EXPECT_EQ(f.server.connections(), 1) << "09:00:00, the virtual clock's start";
    EXPECT_EQ(f.controller.NextRunTime(), QDateTime(QDate(2026, 1, 5), QTime(9, 10)));
    f.loop.advance(600s);
    EXPECT_EQ(f.server.connections(), 1) << "09:10:00 is not yet later than the grid point";
    f.loop.advance(1s);
    EXPECT_EQ(f.server.connections(), 2) << "09:10:01";
    EXPECT_EQ(f.controller.NextRunTime(), QDateTime(QDate(2026, 1, 5), QTime(9, 20)));
}

// One engine user at a time: a click during a check or a run starts nothing, a due run waits.
TEST(Scheduler, ARunDueDuringALoginCheckStartsTheMomentTheCheckEnds)
{
    AppFixture f;
    f.enableProfile(1, {AppHarness::header("one"), AppHarness::header("two")});
    f.ctx.engine.request(EngineOwner::User::Check, {});
    f.controller.run();
    EXPECT_EQ(f.server.connections(), 0);
    EXPECT_FALSE(QFile::exists(f.ctx.log.path()));
    f.ctx.engine.release(EngineOwner::User::Check);
    f.controller.run();
    f.controller.run();
    EXPECT_EQ(f.server.connections(), 1);
    EXPECT_EQ(f.logLines().size(), 1);
    f.loop.advance(5s);
    f.ctx.engine.request(EngineOwner::User::Check, {});
    f.loop.advance(15min);
    EXPECT_EQ(f.server.connections(), 1);
    f.ctx.engine.release(EngineOwner::User::Check);
    EXPECT_EQ(f.server.connections(), 2) << "no tick later";
    EXPECT_TRUE(f.ctx.engine.heldBy(EngineOwner::User::Run));
    f.loop.advance(5s);
    EXPECT_FALSE(f.ctx.engine.heldBy(EngineOwner::User::Run)) << "released at the run's end";
    f.loop.advance(5min);
    EXPECT_EQ(f.server.connections(), 3) << "the timetable moved on from the late start";
}
} // namespace
