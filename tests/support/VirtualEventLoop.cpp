#include "support/VirtualEventLoop.h"

#include <algorithm>

namespace platform {

class VirtualEventLoop::VirtualTimer final : public Timer
{
public:
    VirtualTimer(VirtualEventLoop* loop, int interval) : m_loop(loop), m_interval(interval) {}
    ~VirtualTimer() override
    {
        if (m_loop)
            std::erase(m_loop->m_timers, this);
    }

    void setInterval(int milliseconds) override { m_interval = milliseconds; }
    void start() override
    {
        m_active = true;
        m_due = (m_loop ? m_loop->m_now : 0) + period();
        ++m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    qint64 period() const { return std::max(m_interval, 1); }
    // Fires once and, unless the handler stopped or restarted it, the next tick is due a
    // period later.
    void fireNow()
    {
        const quint64 startsBefore = m_starts;
        const qint64 next = m_due + period();
        fire();
        if (m_active && m_starts == startsBefore)
            m_due = next;
    }

    VirtualEventLoop* m_loop;
    int m_interval;
    bool m_active = false;
    qint64 m_due = 0;
    quint64 m_starts = 0;
};

VirtualEventLoop::VirtualEventLoop(QDateTime start) : m_start(std::move(start)) {}

VirtualEventLoop::~VirtualEventLoop()
{
    for (VirtualTimer* timer : m_timers)
        timer->m_loop = nullptr;
}

std::unique_ptr<Timer> VirtualEventLoop::createTimer(int intervalMilliseconds)
{
    auto timer = std::make_unique<VirtualTimer>(this, intervalMilliseconds);
    m_timers.push_back(timer.get()); // creation order breaks ties
    return timer;
}

void VirtualEventLoop::runDeferred()
{
    while (!m_deferred.empty()) {
        auto call = std::move(m_deferred.front());
        m_deferred.pop_front();
        call();
    }
}

void VirtualEventLoop::advance(std::chrono::milliseconds duration)
{
    const qint64 end = m_now + duration.count();
    runDeferred();
    for (;;) {
        VirtualTimer* timer = nullptr;
        for (VirtualTimer* t : m_timers)
            if (t->m_active && t->m_due <= end && (!timer || t->m_due < timer->m_due))
                timer = t;
        if (!timer)
            break;
        m_now = timer->m_due;
        timer->fireNow();
        runDeferred();
    }
    m_now = end;
}

int VirtualEventLoop::activeTimerCount() const
{
    return int(
        std::count_if(m_timers.begin(), m_timers.end(), [](auto* t) { return t->m_active; }));
}

} // namespace platform
