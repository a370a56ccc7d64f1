#include "app/control/SingleInstance.h"

#include "support/TempDir.h"

#include <QFile>

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

TEST(SingleInstance, ALockLeftByACopyThatDiedIsTakenOver)
{
    TempDir dir;
    QFile stale(dir.file(QStringLiteral("PostSweep.lock")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("2147480000\npostsweep\n\n"); // no such process
    stale.close();
    EXPECT_TRUE(SingleInstance(dir.path()).acquired());
}

} // namespace
