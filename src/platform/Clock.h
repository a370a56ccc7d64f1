#pragma once

#include <QDateTime>

namespace platform {

// The wall clock (local time), behind an interface so that tests set the time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

} // namespace platform
