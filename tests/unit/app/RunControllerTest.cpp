#include "AppFixture.h"

#include <QDir>

namespace {

const QByteArray kSpam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                         "From: spam@example.com\r\nTo: me@example.jp\r\n";
const QByteArray kWanted = "Subject: hello\r\nFrom: friend@example.jp\r\nTo: me@example.jp\r\n";

// Profile 1 with the rule "未承諾" on, against a mailbox of a wanted and an unsolicited message.
void enableUnsolicitedRule(AppFixture& f)
{
    f.enableProfile(1, {kWanted, kSpam});
    f.ctx.settings.profile(1).RuleUnsolicited = 1;
}

TEST(RunController, ExitDuringASessionSavesLogsEndsAndDeletesNothing)
{
    AppFixture f;
    enableUnsolicitedRule(f);
    f.server.setMailbox({.headers = {kWanted, kSpam}, .faults = {{"TOP", 2, FaultKind::Silence}}});
    f.form.setCheck2(1);
    f.form.setCheck3(1);
    f.controller.run();
    f.advance(3s); // logged in, waiting for the second header
    ASSERT_TRUE(f.ctx.session.sessionInProgress());
    QFile::remove(f.ctx.settingsPath());
    f.controller.exit();

    EXPECT_EQ(f.shell.calls, QStringList{QStringLiteral("quit")});
    EXPECT_EQ(f.ctx.settings.global.CleanCond1, 1);
    EXPECT_EQ(f.ctx.settings.global.CleanCond2, 1);
    SettingsModel reloaded;
    EXPECT_EQ(LoadSettings(f.ctx.settingsPath(), reloaded), LoadOutcome::Complete);
    EXPECT_EQ(reloaded.global, f.ctx.settings.global);
    EXPECT_EQ(f.logLines().last(), f.stamped(QStringLiteral("  終了キーが押されたので終了します")));
    EXPECT_FALSE(f.anyTimerRunning());
    f.advance(1min);
    EXPECT_FALSE(f.server.clientLines().contains(QStringLiteral("QUIT ")));
    EXPECT_TRUE(f.server.deleted().empty());
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
    EXPECT_EQ(f.server.connections(), 1) << "the run goes on";

    f.shell.calls.clear();
    f.controller.exit();
    ASSERT_EQ(f.shell.calls.size(), 2);
    EXPECT_TRUE(f.shell.calls[0].startsWith(QStringLiteral("warn ")));
    EXPECT_EQ(f.shell.calls[1], QStringLiteral("quit")) << "the exit goes on";
    EXPECT_EQ(f.logLines().last(), f.stamped(QStringLiteral("  終了キーが押されたので終了します")));
}

} // namespace
