#include "support/VirtualEventLoop.h"

#include <algorithm>

namespace platform {

class VirtualEventLoop::VirtualTimer final : public Timer
{
public:
    VirtualTimer(VirtualEventLoop* loop, int interval, quint64 id)
        : m_loop(loop), m_interval(interval), m_id(id)
    {}
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

    // Fires once and, unless the handler stopped or restarted it, schedules the next tick.
    void fireAt(qint64 nextDue)
    {
        const quint64 startsBefore = m_starts;
        fire();
        if (m_active && m_starts == startsBefore)
            m_due = nextDue;
    }

    qint64 period() const { return std::max(m_interval, 1); }

    VirtualEventLoop* m_loop;
    int m_interval;
    quint64 m_id;
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
    auto timer = std::make_unique<VirtualTimer>(this, intervalMilliseconds, m_nextTimerId++);
    m_timers.push_back(timer.get());
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

VirtualEventLoop::VirtualTimer* VirtualEventLoop::nextDue(qint64 limit) const
{
    VirtualTimer* best = nullptr;
    for (VirtualTimer* timer : m_timers)
        if (timer->m_active && timer->m_due <= limit &&
            (!best || std::pair(timer->m_due, timer->m_id) < std::pair(best->m_due, best->m_id)))
            best = timer;
    return best;
}

void VirtualEventLoop::advance(std::chrono::milliseconds duration)
{
    const qint64 end = m_now + duration.count();
    runDeferred();
    while (VirtualTimer* timer = nextDue(end)) {
        m_now = timer->m_due;
        timer->fireAt(timer->m_due + timer->period());
        runDeferred();
    }
    m_now = end;
}

int VirtualEventLoop::activeTimerCount() const
{
    return static_cast<int>(
        std::count_if(m_timers.begin(), m_timers.end(), [](auto* t) { return t->m_active; }));
}

} // namespace platform
