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

// The check walks the profiles on its 500 ms tick and leaves no timer behind.
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

} // namespace
