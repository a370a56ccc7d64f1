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
} // namespace
