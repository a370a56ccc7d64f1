#include "AppFixture.h"
#include "dialogs/control/ServerVerification.h"
#include "settings/OptionsFile.h"

#include <QDir>

namespace {

const QByteArray kSpam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                         "From: spam@example.com\r\nTo: me@example.jp\r\n";
const QByteArray kWanted = "Subject: hello\r\nFrom: friend@example.jp\r\nTo: me@example.jp\r\n";
const QString kExitLine = u"  終了キーが押されたので終了します"_qs;

// Profile 1 with the rule "未承諾" on, against a mailbox of a wanted and an unsolicited message.
struct UnsolicitedRule : AppFixture
{
    UnsolicitedRule()
    {
        enableProfile(1, {kWanted, kSpam});
        ctx.settings.profile(1).RuleUnsolicited = 1;
    }
};

TEST(MailProgram, ADesktopEntryStartsTheApplicationNotAComposeWindow)
{
    // clang-format off
    const struct { const char* name; QByteArray entry; QString program; QStringList arguments; QString caption; } rows[] = {
        {"URL field code dropped", "[Desktop Entry]\nName=Thunderbird\nExec=thunderbird %u\n", "thunderbird", {}, "Thunderbird"},
        {"Japanese name, quoted path, percent sign", "[Desktop Entry]\nName=Mail\nName[ja]=メール\nExec=\"/opt/my mail/run\" --rate 50%% %U\n", "/opt/my mail/run", {"--rate", "50%"}, "メール"},
        {"an action's Exec is not the application's", "[Desktop Entry]\nName=Evolution\nExec=evolution %U\n\n[Desktop Action Compose]\n" "Exec=evolution mailto:\n", "evolution", {}, "Evolution"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto mail = MailProgram::fromDesktopEntry(row.entry);
        ASSERT_TRUE(mail.has_value());
        EXPECT_EQ(mail->program, row.program);
        EXPECT_EQ(mail->arguments, row.arguments);
        EXPECT_EQ(mail->name, row.caption);
    }
    EXPECT_FALSE(MailProgram::fromDesktopEntry("[Desktop Entry]\nName=No Exec\n").has_value());
    EXPECT_FALSE(MailProgram::fromCommand(u"   "_qs).has_value());
}

TEST(RunController, TheEndOfARunOnceLogsStartsTheChosenMailProgramAndEnds)
{
    const auto mutt = MailProgram::fromCommand(u"mutt -F \"my rc\""_qs);
    const QString ended = u"  削除が完了したのでメールソフトを起動して終了します"_qs;
    // clang-format off
    const struct { const char* name; int option2; std::optional<MailProgram> program; bool starts; QStringList calls; QString lastLine; } rows[] = {
        {"first option", 0, mutt, true, {"start mutt -F my rc", "quit"}, ended},
        {"second option, the same program", 1, mutt, true, {"start mutt -F my rc", "quit"}, ended},
        {"nothing to start", 2, mutt, true, {"quit"}, ended},
        {"no mail program known", 0, std::nullopt, true, {"quit"}, u"  起動するメールソフトが見つかりませんでした"_qs},
        {"the program does not start", 1, mutt, false, {"start mutt -F my rc", "quit"}, u"  メールソフト mutt を起動できませんでした"_qs},
    };
    // clang-format on
    for (const auto& row : rows) {
        UnsolicitedRule f;
        f.controller.setMailProgram(row.program);
        f.shell.starts = row.starts;
        f.form.setCheck1(1);
        f.form.setOption2(row.option2);
        f.controller.run();
        f.loop.advance(10s);
        EXPECT_EQ(f.shell.calls, row.calls) << row.name;
        EXPECT_EQ(f.messageOf(f.logLines().last()), row.lastLine) << row.name;
        EXPECT_EQ(f.server.deleted(), std::vector<int>{2});
        EXPECT_EQ(f.loop.activeTimerCount(), 0);
    }
}

TEST(RunController, AVerificationAskedForDuringARunWaitsForTheRunToEnd)
{
    UnsolicitedRule f;
    f.controller.run();
    ASSERT_TRUE(f.ctx.session.sessionInProgress());
    ServerVerification v(f.ctx);
    v.start();
    EXPECT_EQ(v.notice(), u"実行中です。終了後に確認します"_qs);
    EXPECT_FALSE(v.running());
    f.loop.advance(10s);
    EXPECT_EQ(f.server.deleted(), std::vector<int>{2}) << "the run went on whole";
    EXPECT_FALSE(f.logLines().join(u'\n').contains(u"エラー"_qs));
    EXPECT_TRUE(v.notice().isEmpty());
    EXPECT_EQ(v.status(1), u"設定完了"_qs) << "the check started by itself";
    EXPECT_EQ(f.ctx.engine.holder(), EngineOwner::User::None);
}

TEST(RunController, ExitDuringASessionSavesLogsEndsAndDeletesNothing)
{
    UnsolicitedRule f;
    f.server.setMailbox({.headers = {kWanted, kSpam}, .faults = {{"TOP", 2, FaultKind::Silence}}});
    f.form.setCheck2(1);
    f.form.setCheck3(1);
    f.controller.run();
    f.loop.advance(3s); // logged in, waiting for the second header
    ASSERT_TRUE(f.ctx.session.sessionInProgress());
    QFile::remove(f.ctx.settingsPath());
    // Chosen in the settings dialog and left by キャンセル: saved with the server all the same.
    f.ctx.settings.profile(1).Connection = {ConnectionSecurity::Tls, u"995"_qs, {}};
    f.ctx.settings.profile(1).AllowList = {u"boss@example.jp"_qs};
    f.controller.exit();
    EXPECT_EQ(f.shell.calls, QStringList{u"quit"_qs});
    EXPECT_EQ(f.ctx.settings.global.CleanCond1, 1);
    EXPECT_EQ(f.ctx.settings.global.CleanCond2, 1);
    SettingsModel reloaded;
    EXPECT_EQ(LoadSettings(f.ctx.settingsPath(), reloaded), LoadOutcome::Complete);
    EXPECT_EQ(reloaded.global, f.ctx.settings.global);
    EXPECT_EQ(reloaded.profile(1).Connection, f.ctx.settings.profile(1).Connection);
    EXPECT_EQ(OptionsFile::load(f.ctx.directory).allowList(1), QStringList{u"boss@example.jp"_qs});
    EXPECT_EQ(f.messageOf(f.logLines().last()), kExitLine);
    EXPECT_EQ(f.loop.activeTimerCount(), 0);
    f.loop.advance(1min);
    EXPECT_FALSE(f.server.clientLines().contains(u"QUIT "_qs));
    EXPECT_TRUE(f.server.deleted().empty());
}

TEST(RunController, ASettingsFileThatCannotBeWrittenIsReportedAndTheCommandGoesOn)
{
    UnsolicitedRule f;
    ASSERT_TRUE(QDir(f.dir.path()).mkdir(u"PostSweep.ini"_qs)); // in the way
    f.controller.run();
    const QString warning =
        u"warn 設定ファイル「%1」を保存できませんでした（同じ名前のフォルダがあります）。"_qs.arg(
            f.ctx.settingsPath());
    EXPECT_EQ(f.shell.calls, QStringList{warning});
    EXPECT_EQ(f.server.connections(), 1) << "the run goes on";
    f.shell.calls.clear();
    f.controller.exit();
    EXPECT_EQ(f.shell.calls, (QStringList{warning, u"quit"_qs})) << "the exit goes on";
    EXPECT_EQ(f.messageOf(f.logLines().last()), kExitLine);
}
} // namespace
