// A run over the five profiles: which servers are visited, in what order and when.

#include "SessionHarness.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kTimeout = QStringLiteral("\u3000サーバデータ転送タイムアウトエラー");

struct RotationHarness : SessionHarness
{
    RotationHarness(std::initializer_list<int> enabled)
    {
        for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
            completeProfile(n, QStringLiteral("pop%1.example").arg(n));
            ServerProfile& p = settings.profile(n);
            p.RuleSubjectWords = 1;
            p.SubjectWords[0] = QStringLiteral("SPAM");
            p.Enabled = std::find(enabled.begin(), enabled.end(), n) != enabled.end();
        }
        server.setMailbox({.headers = {header("SPAM now"), header("Junk"), header("Lunch")}});
        rotation.setMonitor(&monitor);
        rotation.setEndOfRunHandler([this] {
            endsOfRun << loop.elapsedMilliseconds();
            rotation.Timer4().stop();
        });
    }

    QStringList connects() const
    {
        return server.transcript().filter(QRegularExpression(QStringLiteral("^connect")));
    }

    SettingsModel& settings = ctx.settings;
    ServerRotation& rotation = ctx.rotation;
    QList<qint64> endsOfRun;
};

TEST(ServerRotation, VisitsOnlyTheEnabledProfilesInOrder)
{
    const struct
    {
        const char* name;
        std::initializer_list<int> enabled;
        QStringList connects;
        qint64 endOfRunAt;
        ProfileConnection connection = {};
        const char* optionsProblem = ""; // the companion file exists and cannot be read
    } rows[] = {
        {"only 2, over TLS on the companion file's port",
         {2},
         {"connect-tls pop2.example:995 -"},
         1000,
         {ConnectionSecurity::Tls, u"995"_qs, {}}},
        {"1 and 4", {1, 4}, {"connect pop1.example:110", "connect pop4.example:110"}, 1500},
        {"all",
         {1, 2, 3, 4, 5},
         {"connect pop1.example:110", "connect pop2.example:110", "connect pop3.example:110",
          "connect pop4.example:110", "connect pop5.example:110"},
         3000},
        {"none", {}, {}, 500},
        {"1 and 2 over STARTTLS, but the companion file is damaged: none, logged",
         {1, 2},
         {},
         500,
         {ConnectionSecurity::StartTls, {}, {}},
         "Profile3 の Port が正しくありません"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RotationHarness h(row.enabled);
        for (ServerProfile& p : h.settings.profiles)
            p.Connection = row.connection;
        h.settings.optionsProblem = QString::fromUtf8(row.optionsProblem);
        h.rotation.startRun();
        h.loop.advance(5000ms);

        EXPECT_EQ(h.connects(), row.connects);
        EXPECT_EQ(h.endsOfRun, QList<qint64>({row.endOfRunAt}));
        EXPECT_EQ(h.rotation.RunFinished, -1);
        EXPECT_FALSE(h.monitor.visible);
        EXPECT_EQ(h.logLines().filter(QStringLiteral("でサーバに接続を開始しました")).size(),
                  row.connects.size());
        EXPECT_EQ(h.logLines()
                      .filter(QStringLiteral("を読み込めないため、どのサーバにも接続しま"
                                             "せん（Profile3 の Port が正しくありません）"))
                      .size(),
                  *row.optionsProblem ? 1 : 0);
    }
}

TEST(ServerRotation, ServerErrorMovesToTheNextProfileWithinHalfASecond)
{
    RotationHarness h({2, 3});
    h.settings.profile(2).PassWd = QStringLiteral("wrong");
    h.rotation.startRun();
    h.settle();
    ASSERT_EQ(h.session.variables().Pop3ErrorFlag, -1);

    h.loop.advance(499ms);
    EXPECT_EQ(h.connects().size(), 1);
    h.loop.advance(1ms);
    EXPECT_EQ(h.connects(), QStringList({"connect pop2.example:110", "connect pop3.example:110"}));
    EXPECT_EQ(h.logLines().filter(QStringLiteral("サーバがエラーを返しました")),
              QStringList({"2026/01/05 9:00:00 pop2.example サーバがエラーを返しました"}));
    EXPECT_EQ(h.server.deleted(), std::vector<int>({1}));
}

TEST(ServerRotation, PortTextThatIsNoPortSkipsTheProfileWithALogLine)
{
    const struct
    {
        const char* text;
        const char* expected; // the log line, or the connection when the port is valid
    } rows[] = {
        {"abc", "\u3000ポート番号が正しくありません\u3000abc"},
        {"70000", "\u3000ポート番号が正しくありません\u300070000"},
        {"", "\u3000ポート番号が正しくありません\u3000"},
        {"40000", "connect pop1.example:40000"},
        {"0000040000", "connect pop1.example:40000"}, // ten digits are still a port
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        RotationHarness h({1, 2});
        h.settings.profile(1).Port = QString::fromUtf8(row.text);
        h.rotation.startRun();
        h.loop.advance(2000ms);

        const QString expected = QString::fromUtf8(row.expected);
        if (expected.startsWith(QStringLiteral("connect"))) {
            EXPECT_EQ(h.connects().first(), expected);
        } else {
            EXPECT_EQ(h.logLines().first(), "2026/01/05 9:00:00" + expected);
            EXPECT_EQ(h.connects(), QStringList({"connect pop2.example:110"}));
        }
        EXPECT_EQ(h.endsOfRun.size(), 1);
    }
}

} // namespace
