#include "AppFixture.h"

#include <QDir>

using namespace std::chrono_literals;

namespace {

const QByteArray kSpam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                         "From: spam@example.com\r\nTo: me@example.jp\r\n";
const QByteArray kWanted = "Subject: hello\r\nFrom: friend@example.jp\r\nTo: me@example.jp\r\n";

// Profile 1 with the rule "未承諾" on, against a mailbox of a wanted and an unsolicited message.
void enableUnsolicitedRule(AppFixture& f)
{
    f.enableProfile(1, {kWanted, kSpam});
    f.context.settings.profile(1).RuleUnsolicited = 1;
}

TEST(RunController, RunWithoutAnEnabledProfileOpensTheSettingsDialogAndLogsNothing)
{
    for (const bool dialogExists : {true, false}) {
        AppFixture f;
        f.shell.hasSettingsDialog = dialogExists;
        f.form.setMainWindowVisible(true);
        f.controller.run();
        EXPECT_EQ(f.shell.calls, QStringList{QStringLiteral("settings dialog")});
        EXPECT_EQ(f.form.mainWindowVisible(), !dialogExists) << "the main window stays in view "
                                                                "only when there is no dialog";
        EXPECT_TRUE(f.form.startCommandsEnabled());
        EXPECT_FALSE(QFile::exists(f.context.log.path()));
        EXPECT_FALSE(QFile::exists(f.context.settingsPath()));
        EXPECT_EQ(f.socket.connections(), 0);
    }
}

TEST(RunController, RunLogsHidesTheWindowShowsTheMonitorSavesAndConnects)
{
    AppFixture f;
    f.enableProfile(1);
    f.form.setMainWindowVisible(true);
    f.controller.run();
    EXPECT_EQ(f.logLines(), QStringList{f.stamped(QStringLiteral("  実行を開始しました"))});
    EXPECT_EQ(f.form.caption(), QStringLiteral("PostSweep 実行中"));
    EXPECT_FALSE(f.form.startCommandsEnabled());
    EXPECT_TRUE(f.form.runCommandsVisible());
    EXPECT_FALSE(f.form.mainWindowVisible());
    EXPECT_TRUE(f.shell.monitorVisible());
    EXPECT_TRUE(QFile::exists(f.context.settingsPath()));
    EXPECT_EQ(f.socket.transcript().value(0), QStringLiteral("connect pop1.example.jp:110"));
    EXPECT_TRUE(f.controller.Timer3().isActive());
    EXPECT_EQ(f.controller.Timer3().interval(), 1000);
}

TEST(RunController, RunDoesNothingWhileALoginCheckIsActiveOrARunIsInProgress)
{
    AppFixture f;
    f.enableProfile(1);
    f.context.loginCheckActive = true;
    f.controller.run();
    EXPECT_EQ(f.socket.connections(), 0);
    EXPECT_FALSE(QFile::exists(f.context.log.path()));

    f.context.loginCheckActive = false;
    f.controller.run();
    f.controller.run();
    EXPECT_EQ(f.socket.connections(), 1);
    EXPECT_EQ(f.logLines().size(), 1);
}

TEST(RunController, TheEndOfARunOnceLogsStartsTheChosenMailProgramAndEnds)
{
    struct Row
    {
        int option2;
        QStringList calls;
    };
    const Row rows[] = {
        {0,
         {QStringLiteral("open C:\\Program Files\\Outlook Express\\msimn.exe"),
          QStringLiteral("quit")}},
        {1,
         {QStringLiteral("open C:\\PROGRA~1\\MICROS~2\\Office\\OUTLOOK.EXE"),
          QStringLiteral("quit")}},
        {2, {QStringLiteral("quit")}},
    };
    for (const Row& row : rows) {
        AppFixture f;
        enableUnsolicitedRule(f);
        f.form.setCheck1(1);
        f.form.setOption2(row.option2);
        f.controller.run();
        f.advance(10s);
        EXPECT_EQ(f.shell.calls, row.calls) << "Option2(" << row.option2 << ")";
        EXPECT_EQ(f.messageOf(f.logLines().last()),
                  QStringLiteral("  削除が完了したのでメールソフトを起動して終了します"));
        EXPECT_EQ(f.socket.deleted(), std::vector<int>{2});
        EXPECT_FALSE(f.anyTimerRunning());
    }
}

TEST(RunController, ThePeriodicEndOfRunStaysResidentAndWaits)
{
    AppFixture f;
    enableUnsolicitedRule(f);
    f.controller.run();
    f.advance(10s);
    EXPECT_TRUE(f.shell.calls.isEmpty());
    EXPECT_FALSE(f.logLines().join(u'\n').contains(QStringLiteral("メールソフトを起動")));
    EXPECT_TRUE(f.controller.Timer3().isActive());
    EXPECT_FALSE(f.context.rotation.Timer4().isActive());
    EXPECT_EQ(f.form.caption(), QStringLiteral("PostSweep 実行中"));
    EXPECT_FALSE(f.form.mainWindowVisible());
}

// Stop and cancel end a session without QUIT, so nothing it marked is deleted.
TEST(RunController, StopAndCancelEndEverythingAndShowTheStoppedState)
{
    struct Row
    {
        const char* name;
        bool cancel;
        qint16 check1;
        bool mainWindowShown;
        QString line;
    };
    const Row rows[] = {
        {"中止, periodic", false, 0, true,
         QStringLiteral("  中止キーが押されたのでタイマでの定期実行を中止します")},
        {"中止, run once", false, 1, true,
         QStringLiteral("  中止キーが押されたのでタイマでの定期実行を中止します")},
        {"キャンセル, periodic", true, 0, false,
         QStringLiteral("　データ読み込み中キャンセルされました")},
        {"キャンセル, run once", true, 1, true,
         QStringLiteral("　データ読み込み中キャンセルされました")},
    };
    for (const Row& row : rows) {
        AppFixture f;
        enableUnsolicitedRule(f);
        f.socket.setMailbox(
            {.headers = {kWanted, kSpam}, .faults = {{"QUIT", 1, FaultKind::Silence}}});
        f.form.setCheck1(row.check1);
        f.controller.run();
        f.advance(3s); // DELE 2 acknowledged, QUIT unanswered
        ASSERT_TRUE(f.socket.clientLines().contains(QStringLiteral("DELE 2"))) << row.name;
        row.cancel ? f.controller.cancel() : f.controller.stop();

        EXPECT_FALSE(f.anyTimerRunning()) << row.name;
        EXPECT_FALSE(f.socket.isOpen()) << row.name;
        EXPECT_FALSE(f.shell.monitorVisible()) << row.name;
        EXPECT_EQ(f.form.mainWindowVisible(), row.mainWindowShown) << row.name;
        EXPECT_EQ(f.form.caption(), QStringLiteral("PostSweep")) << row.name;
        EXPECT_TRUE(f.form.startCommandsEnabled()) << row.name;
        EXPECT_FALSE(f.form.runCommandsVisible()) << row.name;
        EXPECT_EQ(f.logLines().last(), f.stamped(row.line)) << row.name;
        f.advance(1h);
        EXPECT_EQ(f.socket.connections(), 1) << row.name << ": no run follows";
        EXPECT_TRUE(f.socket.deleted().empty()) << row.name;
        EXPECT_TRUE(f.shell.calls.isEmpty()) << row.name << ": no mail program, no exit";
    }
}

TEST(RunController, ContinueHidesTheWindowAndTheRunGoesOn)
{
    AppFixture f;
    enableUnsolicitedRule(f);
    f.controller.run();
    f.controller.iconDoubleClicked(); // the monitor is up: nothing
    EXPECT_FALSE(f.form.mainWindowVisible());
    f.advance(10s);
    f.controller.iconDoubleClicked(); // the monitor has gone after the run
    EXPECT_TRUE(f.form.mainWindowVisible());
    f.controller.continueRun();
    EXPECT_FALSE(f.form.mainWindowVisible());
    EXPECT_EQ(f.form.caption(), QStringLiteral("PostSweep 実行中"));
    f.advance(10min);
    EXPECT_EQ(f.socket.connections(), 2);
}

TEST(RunController, TheIconDoubleClickLeavesTheWindowHiddenDuringALoginCheck)
{
    AppFixture f;
    f.context.loginCheckActive = true;
    f.controller.iconDoubleClicked();
    EXPECT_FALSE(f.form.mainWindowVisible());
}

TEST(RunController, ExitDuringASessionSavesLogsEndsAndDeletesNothing)
{
    AppFixture f;
    enableUnsolicitedRule(f);
    f.socket.setMailbox({.headers = {kWanted, kSpam}, .faults = {{"TOP", 2, FaultKind::Silence}}});
    f.form.setCheck2(1);
    f.form.setCheck3(1);
    f.controller.run();
    f.advance(3s); // logged in, waiting for the second header
    ASSERT_TRUE(f.context.session.sessionInProgress());
    QFile::remove(f.context.settingsPath());
    f.controller.exit();

    EXPECT_EQ(f.shell.calls, QStringList{QStringLiteral("quit")});
    EXPECT_EQ(f.context.settings.global.CleanCond1, 1);
    EXPECT_EQ(f.context.settings.global.CleanCond2, 1);
    SettingsModel reloaded;
    EXPECT_EQ(LoadSettings(f.context.settingsPath(), reloaded), LoadOutcome::Complete);
    EXPECT_EQ(reloaded.global, f.context.settings.global);
    EXPECT_EQ(f.logLines().last(), f.stamped(QStringLiteral("  終了キーが押されたので終了します")));
    EXPECT_FALSE(f.anyTimerRunning());
    f.advance(1min);
    EXPECT_FALSE(f.socket.clientLines().contains(QStringLiteral("QUIT ")));
    EXPECT_TRUE(f.socket.deleted().empty());
}

TEST(RunController, ASettingsFileThatCannotBeWrittenIsReportedAndTheCommandGoesOn)
{
    AppFixture f;
    enableUnsolicitedRule(f);
    ASSERT_TRUE(QDir(f.dir.path()).mkdir(QStringLiteral("PostSweep.ini"))); // in the way
    f.controller.run();
    ASSERT_EQ(f.shell.calls.size(), 1);
    EXPECT_TRUE(f.shell.calls[0].startsWith(
        QStringLiteral("warn 設定ファイル「PostSweep.ini」を保存できませんでした。\n")));
    EXPECT_GT(f.shell.calls[0].size(), 40) << "with the reason";
    EXPECT_EQ(f.socket.connections(), 1) << "the run goes on";

    f.shell.calls.clear();
    f.controller.exit();
    ASSERT_EQ(f.shell.calls.size(), 2);
    EXPECT_TRUE(f.shell.calls[0].startsWith(QStringLiteral("warn ")));
    EXPECT_EQ(f.shell.calls[1], QStringLiteral("quit")) << "the exit goes on";
    EXPECT_EQ(f.logLines().last(), f.stamped(QStringLiteral("  終了キーが押されたので終了します")));
}

TEST(RunController, ServerSettingsFillsTheSingleServerDialogAndShowsTheSettingsDialog)
{
    AppFixture f;
    f.form.setMainWindowVisible(true);
    f.context.session.Pop3Server = QStringLiteral("pop.example.jp");
    f.context.session.Pop3Port = 995;
    f.context.session.Pop3Id = QStringLiteral("taro");
    f.context.session.Pop3PassWd = QStringLiteral("pw");
    f.controller.serverSettings();
    EXPECT_EQ(f.shell.calls, (QStringList{QStringLiteral("fill pop.example.jp 995 taro pw"),
                                          QStringLiteral("settings dialog")}));
    EXPECT_FALSE(f.form.mainWindowVisible());
}

TEST(RunController, HelpDropsTopmostAndOpensTheHelpFileBesideTheProgram)
{
    AppFixture f;
    f.controller.help();
    EXPECT_FALSE(f.form.topmost());
    EXPECT_EQ(f.shell.calls,
              QStringList{QStringLiteral("open ") + f.dir.file(QStringLiteral("postsweep.html"))});
}

} // namespace
