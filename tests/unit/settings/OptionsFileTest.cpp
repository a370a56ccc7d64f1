#include "settings/OptionsFile.h"

#include "support/Files.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(OptionsFile, ReadsTheMailProgramCommandAndFallsBackToDefaultsWhenDamaged)
{
    struct Row
    {
        const char* name;
        QByteArray contents; // empty: no file
        QString command;
        bool problem;
    };
    const Row rows[] = {
        {"no file", {}, {}, false},
        {"a command", "[MailProgram]\nCommand=thunderbird -P work\n", u"thunderbird -P work"_qs,
         false},
        {"other groups only", "[Profile1]\nPort=995\n", {}, false},
        {"a list, not one command line", "[MailProgram]\nCommand=mutt, -F\n", {}, true},
        {"broken syntax", "[MailProgram\nCommand=\"unterminated\n", {}, true},
        {"too large",
         "[MailProgram]\nCommand=" + QByteArray(OptionsFile::kMaxBytes, 'x'),
         {},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        if (!row.contents.isEmpty())
            ASSERT_TRUE(writeFile(dir.file(u"PostSweepOptions.ini"_qs), row.contents));
        const OptionsFile options = OptionsFile::load(dir.path());
        EXPECT_EQ(options.mailProgramCommand(), row.command);
        EXPECT_EQ(!options.problem().isEmpty(), row.problem) << options.problem().toStdString();
    }
}

TEST(OptionsFile, AFolderOfThatNameIsReportedNotRead)
{
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"PostSweepOptions.ini"_qs));
    EXPECT_FALSE(OptionsFile::load(dir.path()).problem().isEmpty());
}

} // namespace
