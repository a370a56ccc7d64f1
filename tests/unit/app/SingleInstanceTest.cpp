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

TEST(SingleInstance, ALockLeftByACopyThatDiedIsTakenOver)
{
    TempDir dir;
    // A process number that no process has.
    ASSERT_TRUE(writeFile(dir.file(QStringLiteral("PostSweep.lock")), "2147480000\npostsweep\n\n"));
    EXPECT_TRUE(SingleInstance(dir.path()).acquired());
}

} // namespace
