#pragma once

#include "platform/EventLoop.h"

#include <chrono>
#include <deque>
#include <vector>

namespace platform {

// Virtual time for tests. Nothing happens until advance(): due timers fire in
// time order (ties in the order the timers were created) and deferred calls
// run after each event, before the next timer fires.
class VirtualEventLoop final : public EventLoop
{
public:
    explicit VirtualEventLoop(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(9, 0)))
        : m_start(std::move(start))
    {}
    ~VirtualEventLoop() override;

    QDateTime now() const override { return m_start.addMSecs(m_now); }
    std::unique_ptr<Timer> createTimer(int intervalMilliseconds) override;
    void defer(std::function<void()> call) override { m_deferred.push_back(std::move(call)); }

    // Moves virtual time forward, firing everything due up to and including the end.
    void advance(std::chrono::milliseconds duration);
    // Runs the deferred calls that are pending now, without moving time.
    void runDeferred();

    qint64 elapsedMilliseconds() const { return m_now; }
    int activeTimerCount() const;

private:
    class VirtualTimer;

    QDateTime m_start;
    qint64 m_now = 0;
    std::vector<VirtualTimer*> m_timers;
    std::deque<std::function<void()>> m_deferred;
};

} // namespace platform
