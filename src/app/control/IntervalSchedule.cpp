#include "app/control/IntervalSchedule.h"

#include <array>

namespace schedule {

std::optional<int> intervalMinutes(int timePosition)
{
    static constexpr std::array<int, 6> kMinutes{10, 20, 30, 60, 120, 180};
    if (timePosition < 0 || timePosition >= static_cast<int>(kMinutes.size()))
        return std::nullopt;
    return kMinutes[static_cast<std::size_t>(timePosition)];
}

QDateTime nextGridPoint(const QDateTime& nextRun, int minutes, const QDateTime& now)
{
    const qint64 step = qint64{minutes} * 60 * 1000;
    const qint64 behind = nextRun.msecsTo(now);
    const qint64 steps = behind < 0 ? 1 : behind / step + 1;
    return nextRun.addMSecs(steps * step);
}

} // namespace schedule
