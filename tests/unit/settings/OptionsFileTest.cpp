#include "settings/OptionsFile.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(OptionsFile, ReadsItsOptionsAndFallsBackToDefaultsWhenDamaged)
{
    // clang-format off
    const struct { const char* name; QByteArray contents; /* empty: no file */ QString command; bool problem; ProfileConnection profile2 = {}; bool preview = false; } rows[] = {
        {"no file", {}, {}, false},
        {"a command", "[MailProgram]\nCommand=thunderbird -P work\n", u"thunderbird -P work"_qs, false},
        {"a pinned TLS profile", "[Profile2]\nSecurity=TLS\nPort=995\nSha256=" + QByteArray(64, 'A') + "\n", {}, false, {ConnectionSecurity::Tls, u"995"_qs, QByteArray(32, '\xaa')}},
        {"an unknown mode", "[MailProgram]\nCommand=mutt\n[Profile2]\nSecurity=ssl\n", {}, true},
        {"a port out of range", "[Profile2]\nSecurity=tls\nPort=99999\n", {}, true},
        {"a list, not one command line", "[MailProgram]\nCommand=mutt, -F\n", {}, true},
        {"a list for the mode", "[MailProgram]\nCommand=mutt\n[Profile2]\nSecurity=tls, x\n", {}, true},
        {"a list for the pin", "[MailProgram]\nCommand=mutt\n[Profile2]\nSha256=a, b\n", {}, true},
        {"a list for the last profile's allow-list", "[MailProgram]\nCommand=mutt\n[Profile5]\nAllowList=a@x.jp, b@y.jp\n", {}, true},
        {"broken syntax", "[MailProgram\nCommand=\"unterminated\n", {}, true},
        {"too large", "[MailProgram]\nCommand=" + QByteArray(OptionsFile::kMaxBytes, 'x'), {}, true},
        {"preview on", "[Run]\nPreviewOnly=true\n", {}, false, {}, true},
        {"preview neither true nor false drops every option", "[MailProgram]\nCommand=mutt\n[Run]\nPreviewOnly=1\n", {}, true},
    };
    // clang-format on
    for (const auto& row : rows) {
        TempDir dir;
        ASSERT_TRUE(row.contents.isEmpty() ||
                    writeFile(dir.file(u"PostSweepOptions.ini"_qs), row.contents));
        const OptionsFile options = OptionsFile::load(dir.path());
        EXPECT_EQ(options.mailProgramCommand(), row.command) << row.name;
        EXPECT_EQ(options.previewOnly(), row.preview) << row.name;
        EXPECT_EQ(!options.problem().isEmpty(), row.problem) << row.name;
        EXPECT_EQ(options.connection(2), row.profile2) << row.name;
        EXPECT_EQ(options.connection(1), ProfileConnection{}) << row.name;
    }
}

TEST(OptionsFile, KeptCopiesAreOnByDefaultAndAValueOutOfRangeTakesItsDefault)
{
    // clang-format off
    const struct { const char* name; QByteArray contents; KeptCopiesOptions expected; } rows[] = {
        {"no group", "[Run]\nPreviewOnly=false\n", {}},
        {"turned off, kept the longest time, 2 MB", "[KeptCopies]\nEnabled=false\nRetentionDays=3650\nMaxSizeMB=2\n", {false, 3650, 2}},
        {"zero days and no size", "[KeptCopies]\nRetentionDays=0\nMaxSizeMB=0\n", {}},
        {"too many days, a word for the size, not quite false", "[KeptCopies]\nEnabled=no\nRetentionDays=3651\nMaxSizeMB=ten\n", {}},
    };
    // clang-format on
    for (const auto& row : rows) {
        TempDir dir;
        ASSERT_TRUE(writeFile(dir.file(u"PostSweepOptions.ini"_qs), row.contents));
        const KeptCopiesOptions kept = OptionsFile::load(dir.path()).keptCopies();
        EXPECT_EQ(
            std::tuple(kept.enabled, kept.retentionDays, kept.maxSizeMB),
            std::tuple(row.expected.enabled, row.expected.retentionDays, row.expected.maxSizeMB))
            << row.name;
    }
}

TEST(OptionsFile, SavingKeepsTheOtherOptionsOwnerOnlyAndLeavesADamagedFileAlone)
{
    TempDir dir;
    const QString path = dir.file(u"PostSweepOptions.ini"_qs);
    EXPECT_EQ(OptionsFile::saveConnections(dir.path(), SettingsModel{}), QString());
    EXPECT_FALSE(QFile::exists(path)); // plain POP3 everywhere needs no file
    ASSERT_TRUE(OptionsFile::savePreviewOnly(dir.path(), true)); // no file yet
    EXPECT_TRUE(OptionsFile::load(dir.path()).previewOnly());
    ASSERT_TRUE(writeFile(path, "[MailProgram]\nCommand=mutt -F x\n[Run]\nPreviewOnly=true\n"
                                "[Profile3]\nSecurity=tls\nAllowList=@example.jp\n"));
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    ASSERT_TRUE(OptionsFile::savePreviewOnly(dir.path(), false));
    ASSERT_TRUE(OptionsFile::saveKeepCopies(dir.path(), false));
    EXPECT_FALSE(OptionsFile::load(dir.path()).keptCopies().enabled);
    OptionsFile options = OptionsFile::load(dir.path());
    options.setConnection(1, {ConnectionSecurity::Tls, u"99999"_qs, {}});
    EXPECT_FALSE(options.save().isEmpty()) << "a port that is none is not written";
    const ProfileConnection pinned{ConnectionSecurity::StartTls, u"110"_qs, QByteArray(32, '\x5a')};
    options.setConnection(1, pinned);
    options.setConnection(3, {});
    ASSERT_EQ(options.save(), QString());
    EXPECT_EQ(OptionsFile::load(dir.path()).allowList(3), QStringList{u"@example.jp"_qs});
    SettingsModel settings;
    settings.profile(5).AllowList = {u"not-an-address"_qs, u"@"_qs};
    for (int i = 1; i <= 21; ++i)
        settings.profile(5).AllowList.append(u"user%1@example.jp"_qs.arg(i));
    ASSERT_TRUE(OptionsFile::saveAllowLists(dir.path(), settings));
    const OptionsFile saved = OptionsFile::load(dir.path());
    EXPECT_FALSE(saved.previewOnly());
    EXPECT_EQ(saved.mailProgramCommand(), u"mutt -F x"_qs);
    EXPECT_EQ(saved.connection(1), pinned);
    EXPECT_EQ(saved.connection(3), ProfileConnection{});
    EXPECT_EQ(saved.allowList(5).size(), 20);
    EXPECT_EQ(saved.allowList(5).last(), u"user20@example.jp"_qs);
    EXPECT_TRUE(saved.allowList(3).isEmpty());
    EXPECT_EQ(fileMode(path), 0600);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no copy left behind
    const QByteArray whole = readFile(path);
    bool savedOnAFullDisk = true;
    withFileSizeLimit(16,
                      [&] { savedOnAFullDisk = OptionsFile::savePreviewOnly(dir.path(), true); });
    EXPECT_FALSE(savedOnAFullDisk);
    EXPECT_EQ(readFile(path), whole);
    const QByteArray damaged = "[MailProgram]\nCommand=mutt, -F\n";
    ASSERT_TRUE(writeFile(path, damaged));
    EXPECT_FALSE(OptionsFile::savePreviewOnly(dir.path(), true));
    EXPECT_FALSE(OptionsFile::saveAllowLists(dir.path(), settings));
    OptionsFile again = OptionsFile::load(dir.path());
    again.setConnection(1, pinned);
    EXPECT_FALSE(again.save().isEmpty());
    EXPECT_EQ(readFile(path), damaged);
    ASSERT_TRUE(QFile::remove(path) && QDir(dir.path()).mkdir(u"PostSweepOptions.ini"_qs));
    EXPECT_FALSE(OptionsFile::load(dir.path()).problem().isEmpty()); // a folder is not read
}

} // namespace
