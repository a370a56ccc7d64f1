#pragma once

#include <QDateTime>

#include <optional>

// The periodic runs' timetable: a grid of whole intervals laid down when "実行"
// is pressed.
namespace schedule {

// Minutes between runs for the interval option TimePosition 0..5
// (10, 20, 30 minutes, 1, 2, 3 hours); nothing for any other value.
std::optional<int> intervalMinutes(int timePosition);

// The first grid point strictly after now, counting whole intervals on from
// nextRun (which lies at or before now); a machine that slept through several
// points gets one run, not one for each point it missed.
QDateTime nextGridPoint(const QDateTime& nextRun, int minutes, const QDateTime& now);

} // namespace schedule
