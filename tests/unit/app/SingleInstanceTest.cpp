#include "app/control/SingleInstance.h"

#include "support/Files.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(SingleInstance, OnlyALiveCopyEndsTheStartSilently)
{
    TempDir dir;
    QStringList told;
    const auto tell = [&told](const QString& why) { told << why; };
    const SingleInstance first(dir.path());
    EXPECT_EQ(first.refusal(tell), std::nullopt);
    EXPECT_EQ(SingleInstance(dir.path()).refusal(tell), 0);
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(SingleInstance(dir.file(QStringLiteral("missing"))).refusal(tell), 1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("missing/PostSweep.lock")));
}
} // namespace
