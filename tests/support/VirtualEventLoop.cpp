#include "support/VirtualEventLoop.h"

#include <algorithm>

namespace platform {

class VirtualEventLoop::VirtualTimer final : public Timer
{
public:
    VirtualTimer(VirtualEventLoop* loop, int interval) : loop(loop), interval(interval) {}
    ~VirtualTimer() override
    {
        if (loop)
            std::erase(loop->m_timers, this);
    }

    void setInterval(int milliseconds) override { interval = milliseconds; }
    void start() override
    {
        active = true;
        due = (loop ? loop->m_now : 0) + std::max(interval, 1);
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

VirtualEventLoop::~VirtualEventLoop()
{
    for (VirtualTimer* timer : m_timers)
        timer->loop = nullptr;
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
            if (t->active && t->due <= end && (!timer || t->due < timer->due))
                timer = t;
        if (!timer)
            break;
        m_now = timer->due;
        timer->tick();
        runDeferred();
    }
    m_now = end;
}

int VirtualEventLoop::activeTimerCount() const
{
    return int(std::ranges::count_if(m_timers, [](auto* t) { return t->active; }));
}

} // namespace platform
