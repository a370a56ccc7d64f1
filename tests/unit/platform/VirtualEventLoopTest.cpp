#include "platform/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;
using platform::VirtualEventLoop;

namespace {

struct Recorder
{
    std::vector<std::pair<qint64, int>> ticks;
};

} // namespace

TEST(VirtualTime, TimerFiresExactlyAtItsIntervalNeverEarly)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer(30000);
    int ticks = 0;
    timer->setTickHandler([&] { ++ticks; });
    timer->start();
    loop.advance(29999ms);
    EXPECT_EQ(ticks, 0);
    loop.advance(1ms);
    EXPECT_EQ(ticks, 1);
    loop.advance(29999ms);
    EXPECT_EQ(ticks, 1);
    loop.advance(1ms);
    EXPECT_EQ(ticks, 2);
}

TEST(VirtualTime, StartingARunningTimerRestartsItsCountdown)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer(1000);
    int ticks = 0;
    timer->setTickHandler([&] { ++ticks; });
    timer->start();
    loop.advance(900ms);
    timer->start();
    loop.advance(999ms);
    EXPECT_EQ(ticks, 0);
    loop.advance(1ms);
    EXPECT_EQ(ticks, 1);
}

TEST(VirtualTime, StoppedTimerDoesNotFireAndReportsInactive)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer(100);
    int ticks = 0;
    timer->setTickHandler([&] { ++ticks; });
    timer->start();
    EXPECT_TRUE(timer->isActive());
    loop.advance(250ms);
    timer->stop();
    EXPECT_FALSE(timer->isActive());
    loop.advance(1000ms);
    EXPECT_EQ(ticks, 2);
}

TEST(VirtualTime, DueTimersFireInTimeOrderTiesInCreationOrder)
{
    VirtualEventLoop loop;
    Recorder rec;
    auto a = loop.createTimer(300);
    auto b = loop.createTimer(200);
    auto c = loop.createTimer(300);
    a->setTickHandler([&] { rec.ticks.emplace_back(loop.elapsedMilliseconds(), 1); });
    b->setTickHandler([&] { rec.ticks.emplace_back(loop.elapsedMilliseconds(), 2); });
    c->setTickHandler([&] { rec.ticks.emplace_back(loop.elapsedMilliseconds(), 3); });
    c->start();
    b->start();
    a->start();
    loop.advance(600ms);
    const std::vector<std::pair<qint64, int>> expected{{200, 2}, {300, 1}, {300, 3},
                                                        {400, 2}, {600, 1}, {600, 2}, {600, 3}};
    EXPECT_EQ(rec.ticks, expected);
}

TEST(VirtualTime, DeferredCallsRunBetweenTimerTicks)
{
    VirtualEventLoop loop;
    std::vector<QString> order;
    auto first = loop.createTimer(100);
    auto second = loop.createTimer(100);
    first->setTickHandler([&] {
        order.push_back("first");
        loop.defer([&] { order.push_back("deferred"); });
    });
    second->setTickHandler([&] { order.push_back("second"); });
    first->start();
    second->start();
    loop.advance(100ms);
    EXPECT_EQ(order, (std::vector<QString>{"first", "deferred", "second"}));
}

TEST(VirtualTime, HandlerThatStopsOrRestartsItsTimerIsRespected)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer(100);
    std::vector<qint64> at;
    timer->setTickHandler([&] {
        at.push_back(loop.elapsedMilliseconds());
        if (at.size() == 1)
            timer->setInterval(250), timer->start();
        else
            timer->stop();
    });
    timer->start();
    loop.advance(1000ms);
    EXPECT_EQ(at, (std::vector<qint64>{100, 350}));
}

TEST(VirtualTime, ClockFollowsVirtualTime)
{
    const QDateTime start(QDate(2026, 3, 14), QTime(9, 5, 7));
    VirtualEventLoop loop(start);
    loop.advance(90s);
    EXPECT_EQ(loop.now(), start.addSecs(90));
}

TEST(VirtualTime, SleepFiresOverdueTimerOnceOnWaking)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer(1000);
    int ticks = 0;
    timer->setTickHandler([&] { ++ticks; });
    timer->start();
    loop.sleep(3h);
    EXPECT_EQ(ticks, 1);
    loop.advance(999ms);
    EXPECT_EQ(ticks, 1);
    loop.advance(1ms);
    EXPECT_EQ(ticks, 2);
}

TEST(VirtualTime, DestroyedTimerNeverFires)
{
    VirtualEventLoop loop;
    int ticks = 0;
    {
        auto timer = loop.createTimer(10);
        timer->setTickHandler([&] { ++ticks; });
        timer->start();
    }
    loop.advance(100ms);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(loop.activeTimerCount(), 0);
}
