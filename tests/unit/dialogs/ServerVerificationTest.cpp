#include "dialogs/control/ServerVerification.h"

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

QStringList statuses(const ServerVerification& v)
{
    return {v.status(1), v.status(2), v.status(3), v.status(4), v.status(5)};
}

TEST(ServerVerification, MarksEachProfileOnItsTick)
{
    AppHarness h;
    h.server.setMailbox({.headers = {"Subject: one\r\n", "Subject: two\r\n"}});
    h.completeProfile(3);
    ServerVerification v(h.ctx);
    v.start();
    h.loop.advance(499ms);
    EXPECT_EQ(statuses(v), QStringList(5, "未チェック"));
    h.loop.advance(1ms);
    EXPECT_EQ(statuses(v),
              QStringList({"未設定", "未設定", "未チェック", "未チェック", "未チェック"}));
    h.loop.advance(500ms);
    EXPECT_EQ(v.status(3), "設定完了");
    EXPECT_EQ(v.buttonCaption(), "キャンセル");
    h.loop.advance(500ms);
    EXPECT_EQ(statuses(v), QStringList({"未設定", "未設定", "設定完了", "未設定", "未設定"}));
    EXPECT_EQ(v.buttonCaption(), "OK");
    EXPECT_FALSE(h.ctx.engine.heldBy(EngineOwner::User::Check));
    EXPECT_EQ(h.loop.activeTimerCount(), 0);
}

TEST(ServerVerification, ARefusedCertificateCanBePinnedAfterwards)
{
    AppHarness h;
    const QByteArray sha256(32, '\x5a');
    h.server.setMailbox({.headers = {}, .tlsRefusal = platform::TlsFailure{"untrusted", sha256}});
    h.completeProfile(2);
    h.ctx.settings.profile(2).Connection = {ConnectionSecurity::Tls, "995", {}};
    ServerVerification v(h.ctx);
    EXPECT_FALSE(v.pinRefusedCertificate(2));
    v.start();
    h.loop.advance(5s);
    EXPECT_EQ(v.status(2), "エラー発生");
    EXPECT_EQ(v.connectionText(2), "SSL/TLS ポート 995");
    EXPECT_EQ(v.certificateRefusal(2).value_or(platform::TlsFailure{}).sha256, sha256);
    EXPECT_FALSE(v.certificateRefusal(1).has_value());
    EXPECT_EQ(h.ctx.settings.profile(2).Connection.pinSha256, QByteArray());
    EXPECT_TRUE(v.pinRefusedCertificate(2));
    EXPECT_EQ(h.ctx.settings.profile(2).Connection.pinSha256, sha256);
}

} // namespace
