#include "dialogs/control/ServerVerification.h"

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

QStringList statuses(const ServerVerification& v)
{
    QStringList all;
    for (int n = 1; n <= 5; ++n)
        all << v.status(n);
    return all;
}

const ScriptedMailbox kTwoMessages{.headers = {"Subject: one\r\n", "Subject: two\r\n"}};

TEST(ServerVerification, ServersWithoutProfileAreMarkedInTheSameTick)
{
    AppHarness h;
    h.server.setMailbox(kTwoMessages);
    h.completeProfile(3);
    ServerVerification v(h.ctx);
    v.start();

    h.loop.advance(499ms);
    EXPECT_EQ(statuses(v), QStringList(5, "未チェック"));
    h.loop.advance(1ms);
    EXPECT_EQ(statuses(v),
              QStringList({"未設定", "未設定", "未チェック", "未チェック", "未チェック"}));
    EXPECT_EQ(h.server.transcript().first(), "connect pop.example:110");
    h.loop.advance(500ms);
    EXPECT_EQ(v.status(3), "設定完了");
    EXPECT_EQ(v.buttonCaption(), "キャンセル");
    h.loop.advance(500ms);
    EXPECT_EQ(statuses(v), QStringList({"未設定", "未設定", "設定完了", "未設定", "未設定"}));
    EXPECT_EQ(v.buttonCaption(), "OK");
    EXPECT_FALSE(v.running());
}

TEST(ServerVerification, APortThatIsNotANumberIsAnErrorWithoutConnecting)
{
    AppHarness h;
    h.server.setMailbox(kTwoMessages);
    h.completeProfile(5);
    h.ctx.settings.profile(5).Port = QStringLiteral("abc");
    ServerVerification v(h.ctx);
    v.start();
    h.loop.advance(2s);

    EXPECT_EQ(statuses(v), QStringList({"未設定", "未設定", "未設定", "未設定", "エラー発生"}));
    EXPECT_EQ(h.server.connections(), 0);
}

TEST(ServerVerification, AFailedLoginLeavesNoWatchdogBehind)
{
    AppHarness h;
    h.server.failHost(QStringLiteral("nonexistent.invalid"), platform::TcpClient::HostNotFound);
    h.completeProfile(5, QStringLiteral("nonexistent.invalid"));
    ServerVerification v(h.ctx);
    v.start();
    h.loop.advance(1s);
    ASSERT_EQ(v.status(5), "エラー発生");
    const qsizetype linesAfterCheck = h.logLines().size();

    h.loop.advance(60s);
    EXPECT_EQ(h.logLines().size(), linesAfterCheck);
    EXPECT_EQ(h.loop.activeTimerCount(), 0);
}

TEST(ServerVerification, ASecondVerificationStartsAgainFromUnchecked)
{
    AppHarness h;
    h.server.setMailbox(kTwoMessages);
    h.completeProfile(1);
    ServerVerification v(h.ctx);
    v.start();
    h.loop.advance(3s);
    ASSERT_EQ(v.buttonCaption(), "OK");

    v.start();
    EXPECT_EQ(statuses(v), QStringList(5, "未チェック"));
    EXPECT_EQ(v.buttonCaption(), "キャンセル");
    h.loop.advance(3s);
    EXPECT_EQ(v.status(1), "設定完了");
    EXPECT_EQ(h.server.connections(), 2);
}

} // namespace
