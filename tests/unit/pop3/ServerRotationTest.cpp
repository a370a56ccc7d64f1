// A run over the five profiles: which servers are visited, in what order and when.

#include "support/AppHarness.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Profiles 1..5 on pop1.example..pop5.example, those in enabled switched on, each
// deleting "SPAM"; every end of run is noted with its virtual time.
struct RotationHarness : AppHarness
{
    RotationHarness(std::initializer_list<int> enabled)
    {
        for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
            completeProfile(n, u"pop%1.example"_qs.arg(n));
            ServerProfile& p = ctx.settings.profile(n);
            p.RuleSubjectWords = 1;
            p.SubjectWords[0] = u"SPAM"_qs;
            p.Enabled = std::ranges::count(enabled, n) > 0;
        }
        server.setMailbox(mailbox(3, {1}));
        ctx.rotation.setMonitor(&monitor);
        ctx.rotation.setEndOfRunHandler([this] {
            endsOfRun << loop.elapsedMilliseconds();
            ctx.rotation.Timer4().stop();
        });
    }
    QStringList connects() const
    {
        return server.transcript().filter(QRegularExpression(u"^connect"_qs));
    }

    QList<qint64> endsOfRun;
};

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
        RotationHarness h(row.enabled);
        for (ServerProfile& p : h.ctx.settings.profiles)
            p.Connection = row.connection;
        h.ctx.settings.optionsProblem = QString::fromUtf8(row.optionsProblem);
        h.ctx.rotation.startRun();
        h.loop.advance(5000ms);
        EXPECT_EQ(h.connects(), row.connects);
        EXPECT_EQ(h.endsOfRun, QList<qint64>({row.endOfRunAt}));
        EXPECT_EQ(h.ctx.rotation.RunFinished, -1);
        EXPECT_FALSE(h.monitor.visible);
        EXPECT_EQ(h.logLines().filter(u"でサーバに接続を開始しました"_qs).size(),
                  row.connects.size());
        EXPECT_EQ(h.logLines()
                      .filter(u"を読み込めないため、どのサーバにも接続しません（"_qs +
                              row.optionsProblem + u"）"_qs)
                      .size(),
                  *row.optionsProblem ? 1 : 0);
    }
}

TEST(ServerRotation, ServerErrorMovesToTheNextProfileWithinHalfASecond)
{
    RotationHarness h({2, 3});
    h.ctx.settings.profile(2).PassWd = u"wrong"_qs;
    h.ctx.rotation.startRun();
    h.settle();
    ASSERT_EQ(h.session.variables().Pop3ErrorFlag, -1);
    h.loop.advance(499ms);
    EXPECT_EQ(h.connects().size(), 1);
    h.loop.advance(1ms);
    EXPECT_EQ(h.connects(), QStringList({"connect pop2.example:110", "connect pop3.example:110"}));
    EXPECT_EQ(h.logLines().filter(u"サーバがエラーを返しました"_qs),
              QStringList({"2026/01/05 9:00:00 pop2.example サーバがエラーを返しました"}));
    EXPECT_EQ(h.server.deleted(), std::vector<int>({1}));
}

} // namespace
