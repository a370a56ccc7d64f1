// A run over the five profiles: which servers are visited, in what order and when.

#include "support/AppHarness.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Profiles 1..5 on pop1.example..pop5.example, those in enabled switched on. Profile 4's password
// is wrong: its error does not stop the run. Each profile takes one 500 ms tick of Timer4, and so
// does the end of the run.
TEST(ServerRotation, VisitsOnlyTheEnabledProfilesInOrder)
{
    // clang-format off
    const struct { const char* name; std::initializer_list<int> enabled; QStringList connects; qint64 endOfRunAt; ProfileConnection connection = {}; const char* optionsProblem = ""; } rows[] = {
        {"only 2, over TLS on the companion file's port", {2}, {"connect-tls pop2.example:995 -"}, 1000, {ConnectionSecurity::Tls, u"995"_qs, {}}},
        {"1, 4 and 5", {1, 4, 5}, {"connect pop1.example:110", "connect pop4.example:110", "connect pop5.example:110"}, 2000},
        {"none", {}, {}, 500},
        {"1 and 2 over STARTTLS, but the companion file is damaged: none, logged", {1, 2}, {}, 500, {ConnectionSecurity::StartTls, {}, {}}, "Profile3 の Port が正しくありません"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
            h.completeProfile(n, u"pop%1.example"_qs.arg(n));
            h.ctx.settings.profile(n).Enabled = std::ranges::count(row.enabled, n) > 0;
            h.ctx.settings.profile(n).Connection = row.connection;
        }
        h.ctx.settings.profile(4).PassWd = u"wrong"_qs;
        h.ctx.settings.optionsProblem = QString::fromUtf8(row.optionsProblem);
        h.server.setMailbox(AppHarness::mailbox(3, {}));
        h.ctx.rotation.setMonitor(&h.monitor);
        QList<qint64> endsOfRun;
        h.ctx.rotation.setEndOfRunHandler([&] {
            endsOfRun << h.loop.elapsedMilliseconds();
            h.ctx.rotation.Timer4().stop();
        });
        h.ctx.rotation.startRun();
        h.loop.advance(5000ms);
        EXPECT_EQ(h.server.transcript().filter(QRegularExpression(u"^connect"_qs)), row.connects);
        EXPECT_EQ(endsOfRun, QList<qint64>({row.endOfRunAt}));
        EXPECT_FALSE(h.monitor.visible);
        EXPECT_EQ(h.logLines().filter(u"でサーバに接続を開始しました"_qs).size(),
                  row.connects.size());
        EXPECT_EQ(
            h.logLines().filter(u"サーバがエラーを返しました"_qs),
            std::ranges::count(row.enabled, 4)
                ? QStringList{u"2026/01/05 9:00:00 pop4.example サーバがエラーを返しました"_qs}
                : QStringList());
        EXPECT_EQ(
            h.logLines().join('|').contains(u"を読み込めないため、どのサーバにも接続しません（"_qs +
                                            row.optionsProblem + u"）"_qs),
            *row.optionsProblem != 0);
    }
}

} // namespace
