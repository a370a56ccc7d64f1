#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"

#include <functional>
#include <memory>

namespace platform {

// The single user-interface thread's event loop: timers, the clock, and calls
// deferred until the current event has been handled.
class EventLoop : public Clock
{
public:
    virtual std::unique_ptr<Timer> createTimer(int intervalMilliseconds) = 0;
    virtual void defer(std::function<void()> call) = 0;
};

} // namespace platform
