#pragma once

#include "platform/EventLoop.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <vector>

namespace platform {

// Virtual time for tests. Nothing happens until advance(): due timers fire in
// time order (ties in the order the timers were created) and deferred calls
// run after each event, before the next timer fires. It outlives its timers.
class VirtualEventLoop final : public EventLoop
{
    struct VirtualTimer final : Timer
    {
        VirtualTimer(VirtualEventLoop* loop, int interval) : loop(loop), interval(interval) {}
        ~VirtualTimer() override { std::erase(loop->m_timers, this); }
        void setInterval(int milliseconds) override { interval = milliseconds; }
        void start() override
        {
            active = true;
            due = loop->m_now + std::max(interval, 1);
        }
        void stop() override { active = false; }
        bool isActive() const override { return active; }
        // The next tick is due a period later, unless the handler stops or restarts it.
        void tick()
        {
            due += std::max(interval, 1);
            fire();
        }

        VirtualEventLoop* loop;
        int interval;
        bool active = false;
        qint64 due = 0;
    };

public:
    explicit VirtualEventLoop(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(9, 0)))
        : m_start(std::move(start))
    {}

    QDateTime now() const override { return m_start.addMSecs(m_now); }
    std::unique_ptr<Timer> createTimer(int intervalMilliseconds) override
    {
        m_timers.push_back(
            new VirtualTimer(this, intervalMilliseconds)); // creation order breaks ties
        return std::unique_ptr<Timer>(m_timers.back());
    }
    void defer(std::function<void()> call) override { m_deferred.push_back(std::move(call)); }

    // Moves virtual time forward, firing everything due up to and including the end.
    void advance(std::chrono::milliseconds duration)
    {
        const qint64 end = m_now + duration.count();
        for (runDeferred();; runDeferred()) {
            const auto due = std::ranges::min_element(m_timers, {}, [end](VirtualTimer* t) {
                return t->active && t->due <= end ? t->due : end + 1;
            });
            if (due == m_timers.end() || !(*due)->active || (*due)->due > end)
                break;
            m_now = (*due)->due;
            (*due)->tick();
        }
        m_now = end;
    }
    // Runs the deferred calls that are pending now, without moving time.
    void runDeferred()
    {
        while (!m_deferred.empty()) {
            auto call = std::move(m_deferred.front());
            m_deferred.pop_front();
            call();
        }
    }

    qint64 elapsedMilliseconds() const { return m_now; }
    int activeTimerCount() const
    {
        return int(std::ranges::count_if(m_timers, [](VirtualTimer* t) { return t->active; }));
    }

private:
    QDateTime m_start;
    qint64 m_now = 0;
    std::vector<VirtualTimer*> m_timers;
    std::deque<std::function<void()>> m_deferred;
};

} // namespace platform
