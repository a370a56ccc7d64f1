#include "app/control/StartUp.h"

#include "AppFixture.h"
#include "app/control/SingleInstance.h"
#include "settings/SettingsFile.h"

namespace {

// Every save rewrites the whole file from what was read: a file that did not load
// is kept first, once, and a later damaged file never replaces an earlier copy.
TEST(StartUp, ASettingsFileThatDidNotLoadIsKeptBeforeItIsOverwritten)
{
    SettingsModel model;
    model.profile(1).PassWd = u"secret"_qs;
    const QByteArray stored = settingsFileBytes(model);
    const QByteArray damaged[] = {QByteArray(stored).replace(10, 1, "{"),
                                  stored.left(stored.lastIndexOf("\r\n0,") + 5)};
    AppFixture f;
    const QString path = f.ctx.settingsPath();
    ASSERT_TRUE(writeFile(path, damaged[0]));
    EXPECT_EQ(startUp(f.ctx, f.form, f.shell), LoadOutcome::PathA);
    ASSERT_TRUE(SetDataWrite(path, f.ctx.settings).ok);
    ASSERT_TRUE(writeFile(path, damaged[0]));
    (void)startUp(f.ctx, f.form, f.shell); // the same bytes again: already kept
    ASSERT_TRUE(writeFile(path, damaged[1]));
    EXPECT_EQ(startUp(f.ctx, f.form, f.shell), LoadOutcome::PathB);
    EXPECT_EQ(readFile(path + ".bad"), damaged[0]);
    EXPECT_EQ(readFile(path + ".bad2"), damaged[1]);
    EXPECT_EQ(fileMode(path + ".bad"), 0600);
    const QString told = u"設定ファイル「PostSweep.ini」の一部を読み込めませんでした。"
                         u"元のファイルを「PostSweep.ini.bad」として残しました。"_qs;
    EXPECT_EQ(f.shell.calls.filter(u"warn"_qs).size(), 2);
    EXPECT_EQ(f.shell.calls.first(), "warn " + told);
    EXPECT_EQ(f.messageOf(f.logLines().first()), u"  "_qs + told);
}

TEST(SingleInstance, OnlyALiveCopyEndsTheStartSilently)
{
    TempDir dir;
    QStringList told;
    const auto tell = [&told](const QString& why) { told << why; };
    const SingleInstance first(dir.path());
    EXPECT_EQ(first.refusal(tell), std::nullopt);
    EXPECT_EQ(SingleInstance(dir.path()).refusal(tell), 0);
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(SingleInstance(dir.file(u"missing"_qs)).refusal(tell), 1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(u"missing/PostSweep.lock"_qs));
}
} // namespace
