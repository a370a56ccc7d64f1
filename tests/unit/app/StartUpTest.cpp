#include "app/control/StartUp.h"

#include "AppFixture.h"
#include "platform/Codepage.h"
#include "settings/SettingsFile.h"

#include <functional>

namespace {

// A settings file with profile 1 complete and these global values.
QByteArray settingsWith(const std::function<void(GlobalSettings&)>& globals)
{
    SettingsModel model;
    model.profile(1).Server = QStringLiteral("pop.example.jp");
    model.profile(1).Id = QStringLiteral("taro");
    model.profile(1).PassWd = QStringLiteral("secret");
    globals(model.global);
    return settingsFileBytes(model);
}

const QByteArray kOldLog = "2026/01/04 8:00:00  実行を開始しました\r\n";

TEST(StartUp, WithoutASettingsFileTheSettingsDialogIsShownInsteadOfTheMainWindow)
{
    for (const bool dialogExists : {true, false}) {
        AppFixture f;
        f.shell.hasSettingsDialog = dialogExists;
        ASSERT_TRUE(writeFile(f.ctx.log.path(), kOldLog));
        if (!dialogExists) { // an empty file has nothing to keep
            ASSERT_TRUE(writeFile(f.ctx.settingsPath(), ""));
        }
        EXPECT_EQ(startUp(f.ctx, f.form, f.shell), LoadOutcome::PathA);
        EXPECT_EQ(f.shell.calls, QStringList{QStringLiteral("settings dialog")});
        EXPECT_EQ(f.form.mainWindowVisible(), !dialogExists);
        EXPECT_EQ(f.ctx.settings.profile(3).Port, QStringLiteral("110"));
        EXPECT_FALSE(f.ctx.settings.anyEnabled());
        EXPECT_EQ(f.logLines().size(), 1) << "the log is left alone";
    }
}

// The stored values reach the controls as clicks would, in the file's order.
TEST(StartUp, StoredGlobalValuesSetTheControlsAndWhatTheirClicksImply)
{
    struct Expected
    {
        qint16 check1, check3, check4;
        int option1, option2;
        bool option1Enabled, frame5Visible, text1Visible, text2Visible;
        qint16 intCheck, timePosition, mainSubjectRule;
    };
    struct Row
    {
        const char* name;
        std::function<void(GlobalSettings&)> stored;
        Expected expected;
    };
    const Row rows[] = {
        {"defaults", [](GlobalSettings&) {}, {0, 0, 0, 0, 0, true, false, false, false, 0, 0, 0}},
        {"run once, no mail program",
         [](GlobalSettings& g) { g.IntCheck = 1, g.MailSoftSelect = 2; },
         {1, 0, 0, 0, 2, false, true, false, false, 1, 0, 0}},
        {"every hour",
         [](GlobalSettings& g) { g.TimePosition = 3; },
         {0, 0, 0, 3, 0, true, false, false, false, 0, 3, 0}},
        {"interval outside the options",
         [](GlobalSettings& g) { g.TimePosition = 7; },
         {0, 0, 0, 0, 0, true, false, false, false, 0, 7, 0}},
        {"IntCheck other than 1",
         [](GlobalSettings& g) { g.IntCheck = 2; },
         {0, 0, 0, 0, 0, true, false, false, false, 2, 0, 0}},
        {"Check3's second value wins",
         [](GlobalSettings& g) { g.CleanCond2 = 1, g.MainSubjectRule = 0; },
         {0, 0, 0, 0, 0, true, false, false, false, 0, 0, 0}},
        {"subject and sender words",
         [](GlobalSettings& g) { g.MainSubjectRule = 1, g.MainSenderRule = 1; },
         {0, 1, 1, 0, 0, true, false, true, true, 0, 0, 1}},
    };
    for (const Row& row : rows) {
        AppFixture f;
        ASSERT_TRUE(writeFile(f.ctx.settingsPath(), settingsWith(row.stored)));
        EXPECT_EQ(startUp(f.ctx, f.form, f.shell), LoadOutcome::Complete) << row.name;
        const Expected& e = row.expected;
        EXPECT_EQ(f.form.Check1(), e.check1) << row.name;
        EXPECT_EQ(f.form.Check3(), e.check3) << row.name;
        EXPECT_EQ(f.form.Check4(), e.check4) << row.name;
        EXPECT_EQ(f.form.Option1(), e.option1) << row.name;
        EXPECT_EQ(f.form.Option2(), e.option2) << row.name;
        EXPECT_EQ(f.form.option1Enabled(), e.option1Enabled) << row.name;
        EXPECT_EQ(f.form.frame5Visible(), e.frame5Visible) << row.name;
        EXPECT_EQ(f.form.text1Visible(), e.text1Visible) << row.name;
        EXPECT_EQ(f.form.text2Visible(), e.text2Visible) << row.name;
        const GlobalSettings& g = f.ctx.settings.global;
        EXPECT_EQ(g.IntCheck, e.intCheck) << row.name;
        EXPECT_EQ(g.TimePosition, e.timePosition) << row.name;
        EXPECT_EQ(g.MainSubjectRule, e.mainSubjectRule) << row.name;
        EXPECT_TRUE(f.form.mainWindowVisible()) << row.name;
        EXPECT_FALSE(f.anyTimerRunning()) << row.name << ": no run starts by itself";
        EXPECT_EQ(f.server.connections(), 0) << row.name;
    }
}

TEST(StartUp, TheLogIsEmptiedOnlyWhenClearingAtStartIsSet)
{
    for (const qint16 clear : {0, 1}) {
        AppFixture f;
        ASSERT_TRUE(writeFile(f.ctx.settingsPath(), settingsWith([clear](GlobalSettings& g) {
                                  g.ClearLogAtStart = clear;
                              })));
        ASSERT_TRUE(writeFile(f.ctx.log.path(), kOldLog));
        (void)startUp(f.ctx, f.form, f.shell);
        EXPECT_EQ(f.form.Check5(), clear);
        QFile log(f.ctx.log.path());
        EXPECT_EQ(log.size(), clear == 1 ? 0 : kOldLog.size()) << "ClearLogAtStart " << clear;
    }
}

// Every save rewrites the whole file from what was read: a file that did not load
// is kept first, once, and a later damaged file never replaces an earlier copy.
TEST(StartUp, ASettingsFileThatDidNotLoadIsKeptBeforeItIsOverwritten)
{
    const QByteArray stored = settingsWith([](GlobalSettings&) {});
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
    const QString told =
        QStringLiteral("設定ファイル「PostSweep.ini」の一部を読み込めませんでした。"
                       "元のファイルを「PostSweep.ini.bad」として残しました。");
    EXPECT_EQ(f.shell.calls.filter(QStringLiteral("warn")).size(), 2);
    EXPECT_EQ(f.shell.calls.first(), "warn " + told);
    EXPECT_EQ(f.logLines().first().mid(f.logLines().first().indexOf(u"  ") + 2), told);
}

TEST(StartUp, SavingAfterStartUpWritesBackWhatWasRead)
{
    AppFixture f;
    const QByteArray stored = settingsWith([](GlobalSettings& g) {
        g.IntCheck = 1, g.TimePosition = 4, g.CleanCond1 = 1, g.CleanCond2 = 1,
        g.MainSenderRule = 1, g.MainSubjectWords = QStringLiteral("未承諾"),
        g.MainSenderWords = QStringLiteral("spam,ad"), g.MailSoftSelect = 1, g.ClearLogAtStart = 1;
    });
    ASSERT_TRUE(writeFile(f.ctx.settingsPath(), stored));
    (void)startUp(f.ctx, f.form, f.shell);
    f.controller.exit(); // saves, capturing Check2 and Check3 into CleanCond1 and CleanCond2
    const QByteArray written = readFile(f.ctx.settingsPath());
    const QByteArray line36 = written.mid(written.lastIndexOf("\r\n", written.size() - 3) + 2);
    EXPECT_EQ(platform::decodeCp932(line36),
              QStringLiteral("1,4,1,0,0,1,\"未承諾\",\"spam,ad\",1,1\r\n"))
        << "Check3 took MainSubjectRule (0) over CleanCond2 (1), and exit captured it";
}

} // namespace
