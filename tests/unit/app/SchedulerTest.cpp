#include "AppFixture.h"

namespace {

std::vector<QByteArray> headers(int count)
{
    std::vector<QByteArray> list;
    for (int n = 1; n <= count; ++n)
        list.push_back("Subject: message " + QByteArray::number(n) +
                       "\r\nFrom: a@example.jp\r\nTo: me@example.jp\r\n");
    return list;
}

QDateTime at(int h, int m, int s = 0)
{
    return QDateTime(QDate(2026, 1, 5), QTime(h, m, s)); // the virtual clock starts at 09:00
}

TEST(Scheduler, RunsStartAtTheClickAndAtTheFirstTickAfterEachGridPoint)
{
    AppFixture f;
    f.enableProfile(1, headers(2));
    f.controller.run();
    EXPECT_EQ(f.server.connections(), 1) << "09:00:00";
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 10));

    f.advance(600s);
    EXPECT_EQ(f.server.connections(), 1) << "09:10:00 is not yet later than the grid point";
    f.advance(1s);
    EXPECT_EQ(f.server.connections(), 2) << "09:10:01";
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 20));

    f.advance(599s);
    EXPECT_EQ(f.server.connections(), 2) << "09:20:00";
    f.advance(1s);
    EXPECT_EQ(f.server.connections(), 3) << "09:20:01";
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 30));
}

TEST(Scheduler, ARunThatFallsDueDuringALongRunStartsOnlyAfterItEnds)
{
    AppFixture f;
    f.enableProfile(1);
    ScriptedMailbox slow;
    slow.muted = true; // the test delivers every reply 20 s after its command
    slow.headers = headers(30);
    f.server.setMailbox(slow);
    f.controller.run();

    std::size_t delivered = 0;
    int connectionsDuringRun = 0;
    for (int step = 0; step < 100 && f.ctx.session.sessionInProgress(); ++step) {
        f.advance(20s);
        connectionsDuringRun = std::max(connectionsDuringRun, f.server.connections());
        if (delivered < f.server.replies().size())
            f.server.serverSends(f.server.replies()[delivered++]);
        f.loop.runDeferred();
    }
    const QDateTime ended = f.loop.now();
    ASSERT_FALSE(f.ctx.session.sessionInProgress());
    EXPECT_GT(ended, at(9, 11)) << "the run lasted past the 09:10 grid point";
    EXPECT_EQ(connectionsDuringRun, 1) << "no second run in the middle of the first";
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 10)) << "still waiting for its turn";

    f.server.setMailbox({.headers = headers(2)});
    int waited = 0;
    while (f.server.connections() == 1 && waited < 3000) {
        f.advance(100ms);
        waited += 100;
    }
    EXPECT_EQ(f.server.connections(), 2);
    EXPECT_LE(waited, 1600) << "one rotation tick and one scheduler tick after the end";
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 20)) << "the grid laid down at the click";
}

TEST(Scheduler, AMachineAsleepForThreeHoursRunsOnceOnWaking)
{
    AppFixture f;
    f.enableProfile(1, headers(2));
    f.controller.run();
    f.advance(5s);
    ASSERT_FALSE(f.ctx.session.sessionInProgress());

    f.loop.sleep(3h); // 12:00:05
    EXPECT_EQ(f.server.connections(), 2) << "one run for the eighteen points missed";
    EXPECT_EQ(f.controller.NextRunTime(), at(12, 10));
    f.advance(10s);
    EXPECT_EQ(f.server.connections(), 2);
    f.advance(10min);
    EXPECT_EQ(f.server.connections(), 3) << "back on the grid at 12:10";
}

TEST(Scheduler, ARunDueDuringALoginCheckStartsTheMomentTheCheckEnds)
{
    AppFixture f;
    f.enableProfile(1, headers(2));
    f.controller.run();
    f.advance(5s);
    f.ctx.engine.request(EngineOwner::User::Check, {});
    f.advance(15min);
    EXPECT_EQ(f.server.connections(), 1);
    f.ctx.engine.release(EngineOwner::User::Check);
    EXPECT_EQ(f.server.connections(), 2) << "no tick later";
    EXPECT_TRUE(f.ctx.engine.heldBy(EngineOwner::User::Run));
    f.advance(5s);
    EXPECT_FALSE(f.ctx.engine.heldBy(EngineOwner::User::Run)) << "released at the run's end";
    f.advance(5min);
    EXPECT_EQ(f.server.connections(), 3) << "the timetable moved on from the late start";
}

TEST(Scheduler, AStoredIntervalOutsideTheTableRunsEveryTenMinutes)
{
    AppFixture f;
    f.enableProfile(1, headers(1));
    f.ctx.settings.global.TimePosition = 7;
    f.controller.run();
    EXPECT_EQ(f.controller.IntervalMinutes(), 10);
    EXPECT_EQ(f.controller.NextRunTime(), at(9, 10));
    f.advance(30s);
    EXPECT_EQ(f.server.connections(), 1) << "never back to back";
}

TEST(Scheduler, RunOnceModeSchedulesNothing)
{
    AppFixture f;
    f.enableProfile(1, headers(1));
    f.form.setCheck1(1);
    f.controller.run();
    EXPECT_FALSE(f.controller.Timer3().isActive());
}

} // namespace
