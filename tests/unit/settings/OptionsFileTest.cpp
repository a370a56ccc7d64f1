#include "settings/OptionsFile.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(OptionsFile, ReadsItsOptionsAndFallsBackToDefaultsWhenDamaged)
{
    struct Row
    {
        const char* name;
        QByteArray contents; // empty: no file
        QString command;
        bool problem;
        bool preview = false;
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
        {"preview on", "[Run]\nPreviewOnly=true\n", {}, false, true},
        {"preview neither true nor false drops every option",
         "[MailProgram]\nCommand=mutt\n[Run]\nPreviewOnly=1\n",
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
        EXPECT_EQ(options.previewOnly(), row.preview);
        EXPECT_EQ(!options.problem().isEmpty(), row.problem) << options.problem().toStdString();
    }
}

TEST(OptionsFile, AFolderOfThatNameIsReportedNotRead)
{
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"PostSweepOptions.ini"_qs));
    EXPECT_FALSE(OptionsFile::load(dir.path()).problem().isEmpty());
}

TEST(OptionsFile, SavingKeepsTheOtherOptionsOwnerOnlyAndLeavesADamagedFileAlone)
{
    TempDir dir;
    const QString path = dir.file(u"PostSweepOptions.ini"_qs);
    ASSERT_TRUE(OptionsFile::savePreviewOnly(dir.path(), true)); // no file yet
    EXPECT_TRUE(OptionsFile::load(dir.path()).previewOnly());
    ASSERT_TRUE(writeFile(path, "[MailProgram]\nCommand=mutt -F x\n[Run]\nPreviewOnly=true\n"));
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));

    ASSERT_TRUE(OptionsFile::savePreviewOnly(dir.path(), false));
    const OptionsFile saved = OptionsFile::load(dir.path());
    EXPECT_FALSE(saved.previewOnly());
    EXPECT_EQ(saved.mailProgramCommand(), u"mutt -F x"_qs);
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup), 0);

    SettingsModel settings;
    settings.profile(2).AllowList = {u"not-an-address"_qs, u"@"_qs};
    for (int i = 1; i <= 21; ++i)
        settings.profile(2).AllowList.append(QStringLiteral("user%1@example.jp").arg(i));
    ASSERT_TRUE(OptionsFile::saveAllowLists(dir.path(), settings));
    const OptionsFile withLists = OptionsFile::load(dir.path());
    EXPECT_EQ(withLists.allowList(2).size(), 20);
    EXPECT_EQ(withLists.allowList(2).last(), u"user20@example.jp"_qs);
    EXPECT_TRUE(withLists.allowList(1).isEmpty());
    EXPECT_EQ(withLists.mailProgramCommand(), u"mutt -F x"_qs);

    const QByteArray damaged = "[MailProgram]\nCommand=mutt, -F\n";
    ASSERT_TRUE(writeFile(path, damaged));
    EXPECT_FALSE(OptionsFile::savePreviewOnly(dir.path(), true));
    EXPECT_EQ(readFile(path), damaged);
}

} // namespace
