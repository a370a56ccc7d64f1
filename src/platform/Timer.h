#pragma once

#include <functional>
#include <utility>

namespace platform {

// A repeating timer as the core sees it. Starting a running timer restarts its
// countdown from the full interval. The tick handler runs on the event loop.
class Timer
{
public:
    virtual ~Timer() = default;

    virtual void setInterval(int milliseconds) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    void setTickHandler(std::function<void()> handler) { m_tick = std::move(handler); }

protected:
    void fire()
    {
        if (m_tick)
            m_tick();
    }

private:
    std::function<void()> m_tick;
};

} // namespace platform
