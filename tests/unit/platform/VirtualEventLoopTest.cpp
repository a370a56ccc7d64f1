#include "platform/VirtualEventLoop.h"

#include <gtest/gtest.h>
#include <vector>

using namespace std::chrono_literals;
using platform::VirtualEventLoop;

namespace {

// A started timer of the loop that counts its ticks.
struct CountingTimer
{
    CountingTimer(VirtualEventLoop& loop, int interval) : timer(loop.createTimer(interval))
    {
        timer->setTickHandler([this] { ++ticks; });
        timer->start();
    }
    std::unique_ptr<platform::Timer> timer;
    int ticks = 0;
};

} // namespace

TEST(VirtualTime, TimerFiresExactlyAtItsIntervalNeverEarly)
{
    VirtualEventLoop loop;
    CountingTimer t(loop, 30000);
    loop.advance(29999ms);
    EXPECT_EQ(t.ticks, 0);
    loop.advance(1ms);
    EXPECT_EQ(t.ticks, 1);
    loop.advance(29999ms);
    EXPECT_EQ(t.ticks, 1);
    loop.advance(1ms);
    EXPECT_EQ(t.ticks, 2);
}

TEST(VirtualTime, StartingARunningTimerRestartsItsCountdown)
{
    VirtualEventLoop loop;
    CountingTimer t(loop, 1000);
    loop.advance(900ms);
    t.timer->start();
    loop.advance(999ms);
    EXPECT_EQ(t.ticks, 0);
    loop.advance(1ms);
    EXPECT_EQ(t.ticks, 1);
}

TEST(VirtualTime, StoppedOrDestroyedTimerDoesNotFire)
{
    VirtualEventLoop loop;
    CountingTimer stopped(loop, 100);
    EXPECT_TRUE(stopped.timer->isActive());
    int destroyedTicks = 0;
    {
        auto destroyed = loop.createTimer(10);
        destroyed->setTickHandler([&] { ++destroyedTicks; });
        destroyed->start();
    }
    loop.advance(250ms);
    stopped.timer->stop();
    EXPECT_FALSE(stopped.timer->isActive());
    loop.advance(1000ms);
    EXPECT_EQ(stopped.ticks, 2);
    EXPECT_EQ(destroyedTicks, 0);
    EXPECT_EQ(loop.activeTimerCount(), 0);
}

TEST(VirtualTime, DueTimersFireInTimeOrderTiesInCreationOrder)
{
    VirtualEventLoop loop;
    std::vector<std::pair<qint64, int>> ticks;
    auto a = loop.createTimer(300);
    auto b = loop.createTimer(200);
    auto c = loop.createTimer(300);
    a->setTickHandler([&] { ticks.emplace_back(loop.elapsedMilliseconds(), 1); });
    b->setTickHandler([&] { ticks.emplace_back(loop.elapsedMilliseconds(), 2); });
    c->setTickHandler([&] { ticks.emplace_back(loop.elapsedMilliseconds(), 3); });
    c->start();
    b->start();
    a->start();
    loop.advance(600ms);
    const std::vector<std::pair<qint64, int>> expected{{200, 2}, {300, 1}, {300, 3}, {400, 2},
                                                       {600, 1}, {600, 2}, {600, 3}};
    EXPECT_EQ(ticks, expected);
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
    CountingTimer t(loop, 1000);
    loop.sleep(3h);
    EXPECT_EQ(t.ticks, 1);
    loop.advance(999ms);
    EXPECT_EQ(t.ticks, 1);
    loop.advance(1ms);
    EXPECT_EQ(t.ticks, 2);
}
