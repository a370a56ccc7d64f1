#include "app/control/IntervalSchedule.h"

#include <gtest/gtest.h>

namespace {

TEST(IntervalSchedule, EachIntervalOptionHasItsMinutesAndOtherPositionsNone)
{
    struct Row
    {
        int timePosition;
        std::optional<int> minutes;
    };
    const Row rows[] = {{0, 10},
                        {1, 20},
                        {2, 30},
                        {3, 60},
                        {4, 120},
                        {5, 180},
                        {-1, std::nullopt},
                        {6, std::nullopt},
                        {7, std::nullopt}};
    for (const Row& row : rows)
        EXPECT_EQ(schedule::intervalMinutes(row.timePosition), row.minutes)
            << "TimePosition " << row.timePosition;
}

TEST(IntervalSchedule, NextRunIsTheFirstGridPointAfterNow)
{
    const QDate day(2026, 1, 5);
    const auto at = [&](int h, int m, int s = 0, int ms = 0) {
        return QDateTime(day, QTime(h, m, s, ms));
    };
    struct Row
    {
        const char* name;
        QDateTime nextRun;
        int minutes;
        QDateTime now;
        QDateTime expected;
    };
    const Row rows[] = {
        {"one tick late", at(9, 10), 10, at(9, 10, 1), at(9, 20)},
        {"a millisecond late", at(9, 10), 10, at(9, 10, 0, 1), at(9, 20)},
        {"now on a later point", at(9, 10), 10, at(9, 20), at(9, 30)},
        {"a run that lasted past a point", at(9, 10), 10, at(9, 21, 40), at(9, 30)},
        {"three hours asleep", at(9, 10), 10, at(12, 0, 5), at(12, 10)},
        {"hourly, asleep overnight", at(9, 0), 60, at(23, 59, 59), at(0, 0).addDays(1)},
        {"three-hourly", at(9, 0), 180, at(9, 0, 1), at(12, 0)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(schedule::nextGridPoint(row.nextRun, row.minutes, row.now), row.expected)
            << row.name;
}

} // namespace
