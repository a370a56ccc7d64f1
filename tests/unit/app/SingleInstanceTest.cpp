#include "app/control/SingleInstance.h"

#include "support/Files.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(SingleInstance, ASecondCopyFromTheSameDirectoryIsTurnedAway)
{
    TempDir dir;
    TempDir otherDir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_TRUE(first->acquired());
    EXPECT_FALSE(SingleInstance(dir.path()).acquired());
    EXPECT_TRUE(SingleInstance(otherDir.path()).acquired()) << "another copy of the program";
    first.reset();
    EXPECT_TRUE(SingleInstance(dir.path()).acquired()) << "the first copy has ended";
}

// Only a live copy ends a start silently; a folder where no lock can be made is
// said, with a non-zero status, instead of passing for another copy.
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

TEST(SingleInstance, ALockLeftByACopyThatDiedIsTakenOver)
{
    TempDir dir;
    // A process number that no process has.
    ASSERT_TRUE(writeFile(dir.file(QStringLiteral("PostSweep.lock")), "2147480000\npostsweep\n\n"));
    EXPECT_TRUE(SingleInstance(dir.path()).acquired());
}

} // namespace
