// Sessions that go wrong: refused commands, dropped connections, silence, socket
// errors. Nothing is ever deleted unless the server acknowledged QUIT.

#include "SessionHarness.h"

#include <gtest/gtest.h>

namespace {

const QString kOther10054 =
    QStringLiteral("\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 10054");
const QString kTimeout = QStringLiteral("\u3000サーバデータ転送タイムアウトエラー");

// Three messages, 2 and 3 spam: the dialogue has every state, DELE twice.
ScriptedMailbox threeMessages(std::vector<ScriptedFault> faults = {})
{
    ScriptedMailbox mailbox;
    mailbox.headers = {SessionHarness::header("Lunch"), SessionHarness::header("SPAM one"),
                       SessionHarness::header("SPAM two")};
    mailbox.faults = std::move(faults);
    return mailbox;
}

// Every state of the dialogue, and the last line the client has sent when it fails.
const struct StateRow
{
    const char* name;
    const char* step;
    int occurrence;
    const char* lastLine;
} kStates[] = {
    {"greeting", "greeting", 1, ""},    {"USER", "USER", 1, "USER alice"},
    {"PASS", "PASS", 1, "PASS secret"}, {"STAT", "STAT", 1, "STAT "},
    {"LIST", "LIST", 1, "LIST "},       {"first TOP", "TOP", 1, "TOP 1 0"},
    {"last TOP", "TOP", 3, "TOP 3 0"},  {"first DELE", "DELE", 1, "DELE 2"},
    {"last DELE", "DELE", 2, "DELE 3"}, {"QUIT", "QUIT", 1, "QUIT "},
};

QString lastClientLine(const SessionHarness& h)
{
    const QStringList lines = h.server.clientLines();
    return lines.isEmpty() ? QString() : lines.last();
}

TEST(Pop3Faults, ErrAtEveryStateEndsTheSessionAtOnceWithItsTwoLines)
{
    for (const StateRow& row : kStates) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.server.setMailbox(threeMessages({{row.step, row.occurrence, FaultKind::Err}}));
        h.start();
        h.settle();

        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
        EXPECT_EQ(lastClientLine(h), row.lastLine);
        const QStringList log = h.logLines();
        EXPECT_EQ(log.mid(log.size() - 3),
                  QStringList({"-ERR injected failure", "",
                               "2026/01/05 9:00:00 pop.example サーバがエラーを返しました"}));
        EXPECT_TRUE(h.monitor.transcript.endsWith("-ERR injected failure\r\n\r\nERROR!!\r\n"));
        EXPECT_EQ(h.monitor.statuses.last(), "Error");
        EXPECT_TRUE(h.server.deleted().empty());
    }
}

// A server that breaks the dialogue must not shift one message's reply onto
// another: the session ends at once, without QUIT, and says why.
TEST(Pop3Faults, HostileServerEndsTheSessionWithoutQuitAndReleasesTheBuffer)
{
    const QByteArray longLine = "Subject: " + QByteArray(64 * 1024 - 8, 'x') + "\r\n";
    const QByteArray endless =
        "+OK\r\n" + ("X-Junk: " + QByteArray(990, 'x') + "\r\n").repeated(5000);
    const struct
    {
        const char* name;
        ScriptedFault fault;
        QString logged; // the offending line, then the stamped reason
        QString why;
    } rows[] = {
        {"TOP reply sent twice", {"TOP", 1, FaultKind::Twice}, "+OK", "要求していないデータを受信"},
        {"replies sent ahead of their commands",
         {"greeting", 1, FaultKind::Replace, "+OK ready\r\n+OK\r\n+OK\r\n"},
         "+OK",
         "要求していないデータを受信"},
        {"line of 64 KiB and one byte",
         {"TOP", 2, FaultKind::Replace, "+OK\r\n" + longLine + ".\r\n"},
         "Subject: " + QString(247, u'x'),
         "64KBを超える行"},
        {"reply that never ends",
         {"TOP", 1, FaultKind::Replace, endless},
         "+OK",
         "4MBを超える応答"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.server.setMailbox(threeMessages({row.fault}));
        h.start();
        h.settle();

        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
        EXPECT_FALSE(h.server.clientLines().contains("QUIT "));
        EXPECT_TRUE(h.server.deleted().empty());
        const QStringList log = h.logLines();
        EXPECT_EQ(
            log.mid(log.size() - 3),
            QStringList({row.logged, "",
                         "2026/01/05 9:00:00 pop.example サーバの応答が不正なため切断しました（" +
                             row.why + "）"}));
        EXPECT_EQ(h.session.heldReplyBytes(), 0);
    }
}

// A server that says why and closes at once, without a line end: its words are
// logged, control characters blanked, and "-ERR" ends the session then and there.
TEST(Pop3Faults, LastWordsWithoutLineEndAreLoggedAsTheReply)
{
    SessionHarness h;
    h.start();
    h.server.serverSends("-ERR mailbox locked\rforged\x07line");
    h.server.socketError(10054);
    h.settle();
    EXPECT_TRUE(h.ended());
    EXPECT_EQ(h.logLines(),
              QStringList({"-ERR mailbox locked forged line", "",
                           "2026/01/05 9:00:00 pop.example サーバがエラーを返しました"}));

    SessionHarness other;
    other.start();
    other.server.serverSends("* bye");
    other.server.socketError(10054);
    other.settle();
    EXPECT_EQ(other.logLines(), QStringList({"* bye", "2026/01/05 9:00:00" + kOther10054}));
}

TEST(Pop3Faults, DroppedConnectionAtEveryStateLogsAtOnceAndTimesOutThirtySecondsLater)
{
    for (const StateRow& row : kStates) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.server.setMailbox(threeMessages({{row.step, row.occurrence, FaultKind::Drop}}));
        h.start();
        h.settle();

        EXPECT_EQ(h.logLines().last(), "2026/01/05 9:00:00" + kOther10054);
        EXPECT_EQ(lastClientLine(h), row.lastLine);
        h.loop.advance(29999ms);
        EXPECT_FALSE(h.ended());
        h.loop.advance(1ms);
        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.logLines().last(), "2026/01/05 9:00:30" + kTimeout);
        EXPECT_EQ(lastClientLine(h), row.lastLine);
        EXPECT_TRUE(h.server.deleted().empty());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
    }
}

TEST(Pop3Faults, SilenceAtEveryStateTimesOutAtExactlyThirtySeconds)
{
    for (const StateRow& row : kStates) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.monitor.visible = true;
        h.server.setMailbox(threeMessages({{row.step, row.occurrence, FaultKind::Silence}}));
        h.start();
        h.settle();
        const qsizetype linesBefore = h.logLines().size();

        h.loop.advance(29999ms);
        EXPECT_FALSE(h.ended());
        EXPECT_EQ(h.logLines().size(), linesBefore);
        h.loop.advance(1ms);
        EXPECT_TRUE(h.ended());
        EXPECT_GT(h.logLines().size(), linesBefore);
        EXPECT_EQ(h.logLines().last(), "2026/01/05 9:00:30" + kTimeout);
        EXPECT_FALSE(h.monitor.visible);
        EXPECT_FALSE(h.server.isOpen());
        EXPECT_TRUE(h.server.deleted().empty());
    }
}

// The two marked messages' lines and the end of the rules' block, as a session that
// failed after the rules ran leaves them; never "を削除しました".
TEST(Pop3Faults, MarkedMessagesAreLoggedAsDeletedOnlyOnceQuitIsAcknowledged)
{
    const QString notDone = QStringLiteral(" は削除されませんでした（サーバに残っています）");
    const QString unconfirmed = QStringLiteral(" は削除されたか確認できませんでした");
    const struct
    {
        const char* name;
        ScriptedFault fault;
        QString ending;
        const char* settledAt; // when the session learnt of the failure
    } rows[] = {
        {"-ERR to the second DELE", {"DELE", 2, FaultKind::Err}, notDone, "9:00:00"},
        {"dropped at the first DELE", {"DELE", 1, FaultKind::Drop}, notDone, "9:00:00"},
        {"silence after the second DELE", {"DELE", 2, FaultKind::Silence}, notDone, "9:00:30"},
        {"dropped before QUIT's reply", {"QUIT", 1, FaultKind::Drop}, unconfirmed, "9:00:00"},
        {"silence after QUIT", {"QUIT", 1, FaultKind::Silence}, unconfirmed, "9:00:30"},
        {"-ERR to QUIT", {"QUIT", 1, FaultKind::Err}, unconfirmed, "9:00:00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.server.setMailbox(threeMessages({row.fault}));
        h.start();
        h.settle();
        h.loop.advance(30000ms);
        ASSERT_TRUE(h.ended());

        const QStringList log = h.logLines();
        const qsizetype first = log.indexOf("タイトル:SPAM one 差出人:a@example.com" + row.ending);
        ASSERT_GE(first, 0) << log.join('\n').toStdString();
        EXPECT_EQ(log.mid(first + 1, 2),
                  QStringList({"タイトル:SPAM two 差出人:a@example.com" + row.ending,
                               "2026/01/05 " + QString(row.settledAt) +
                                   "  削除メールを指定条件で検索・削除を終了しました"}));
        EXPECT_FALSE(log.join('|').contains(QStringLiteral("を削除しました")));
        EXPECT_TRUE(h.server.deleted().empty());
    }
}

TEST(Pop3Faults, WatchdogCountsFromTheLastCommandSent)
{
    SessionHarness h;
    h.start();
    h.loop.advance(10000ms);
    h.server.serverSends("+OK hello\r\n");
    h.settle(); // USER goes out at 10 s
    ASSERT_EQ(h.server.clientLines(), QStringList({"USER alice"}));

    h.loop.advance(29999ms);
    EXPECT_FALSE(h.ended());
    h.loop.advance(1ms);
    EXPECT_TRUE(h.ended());
    EXPECT_EQ(h.logLines().last(), "2026/01/05 9:00:40" + kTimeout);
}

TEST(Pop3Faults, ConnectingAgainRestartsTheWatchdog)
{
    SessionHarness h;
    h.start();
    h.loop.advance(20000ms);
    h.start(); // a leftover countdown must not end the new session at 30 s
    h.loop.advance(29999ms);
    EXPECT_FALSE(h.ended());
    h.loop.advance(1ms);
    EXPECT_TRUE(h.ended());
    EXPECT_EQ(h.logLines(), QStringList({"2026/01/05 9:00:50" + kTimeout}));
}

TEST(Pop3Faults, ConnectionErrorsAreLoggedByNumberThenTimeOut)
{
    const struct
    {
        int number;
        QString line;
    } rows[] = {
        {10060, QStringLiteral("\u3000Winsocket エラー\uFF1Aサーバ接続タイムアウト\u300010060")},
        {11001, QStringLiteral("\u3000Winsocket エラー\uFF1Aサーバが見つかりません\u300011001")},
        {10061, QStringLiteral("\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 10061")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        SessionHarness h;
        h.server.failHost(QStringLiteral("pop.example"), row.number);
        h.start();
        h.settle();
        EXPECT_EQ(h.logLines(), QStringList({"2026/01/05 9:00:00" + row.line}));
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);

        h.loop.advance(30000ms);
        EXPECT_EQ(h.logLines(),
                  QStringList({"2026/01/05 9:00:00" + row.line, "2026/01/05 9:00:30" + kTimeout}));
        EXPECT_TRUE(h.ended());
        EXPECT_TRUE(h.server.clientLines().isEmpty());
    }
}

// A reply that completed just before the socket failed: the sender ends the session
// instead of sending, so the rotation is not left waiting with Timer1 running.
TEST(Pop3Faults, SocketErrorWithAReplyWaitingEndsTheSessionAtTheSender)
{
    SessionHarness h;
    h.start();
    h.server.serverSends("+OK hello\r\n");
    h.server.socketError(10054);
    h.settle();

    EXPECT_TRUE(h.ended());
    EXPECT_TRUE(h.server.clientLines().isEmpty());
    EXPECT_TRUE(h.monitor.transcript.endsWith("Error!!\r\n"));
    EXPECT_EQ(h.monitor.statuses.last(), "Error!!");
    h.loop.advance(60000ms);
    EXPECT_EQ(h.logLines(), QStringList({"2026/01/05 9:00:00" + kOther10054}));
}

TEST(Pop3Faults, ServerClosingRightAfterQuitIsAnOrdinaryEnd)
{
    SessionHarness h;
    ScriptedMailbox mailbox = threeMessages();
    mailbox.closeAfterQuit = true;
    h.server.setMailbox(mailbox);
    h.start();
    h.settle();

    EXPECT_TRUE(h.ended());
    EXPECT_EQ(h.session.variables().Pop3ErrorFlag, 0);
    EXPECT_EQ(h.server.deleted(), std::vector<int>({2, 3}));
    EXPECT_FALSE(h.logLines().join('|').contains(QStringLiteral("Winsocket")));
}

TEST(Pop3Faults, ProfileThatCannotBeUsedEndsTheSessionAtOnceWithoutConnecting)
{
    const struct
    {
        const char* name;
        QString port;
        QString id;
        QString password;
        QString line;
    } rows[] = {
        {"port 0", "0", "alice", "secret", "\u3000ポート番号が正しくありません\u30000"},
        {"account code page 932 cannot carry", "110", "ren\u00e9", "secret",
         " pop.example アカウント名に送信できない文字が含まれています"},
        {"password code page 932 cannot carry", "110", "alice", "pa\U0001F511ss",
         " pop.example パスワードに送信できない文字が含まれています"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        h.session.ServerConect({.server = QStringLiteral("pop.example"),
                                .port = row.port,
                                .account = row.id,
                                .password = row.password});
        h.loop.advance(100ms);
        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.server.connections(), 0);
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
        EXPECT_EQ(h.logLines(), QStringList({"2026/01/05 9:00:00" + row.line}));
        EXPECT_TRUE(h.monitor.transcript.startsWith(row.line));
    }
}

TEST(Pop3Faults, AbortClosesWithoutQuitAndDeletesNothing)
{
    SessionHarness h;
    ScriptedMailbox mailbox = threeMessages({{"DELE", 2, FaultKind::Silence}});
    h.server.setMailbox(mailbox);
    h.start();
    h.settle();
    ASSERT_EQ(h.server.clientLines().last(), "DELE 3");

    h.session.abort();
    h.loop.advance(60000ms);
    EXPECT_TRUE(h.ended());
    EXPECT_FALSE(h.server.isOpen());
    EXPECT_FALSE(h.server.clientLines().contains("QUIT "));
    EXPECT_TRUE(h.server.deleted().empty());
    EXPECT_FALSE(h.logLines().join('|').contains(kTimeout));
}

} // namespace

namespace {

// Profiles over TLS: no credential leaves before the connection is encrypted, and
// nothing the server said in clear before the handshake counts.
TEST(Pop3Faults, TlsProfilesSendNoCredentialBeforeTheHandshake)
{
    const QStringList fullRun = {"USER alice", "PASS secret", "STAT ",  "LIST ",  "TOP 1 0",
                                 "TOP 2 0",    "TOP 3 0",     "DELE 2", "DELE 3", "QUIT "};
    const QByteArray pin(32, '\x5a');
    const platform::TlsFailure untrusted{u"証明書の発行者が信頼されていません"_qs,
                                         QByteArray(32, '\x01')};
    struct Row
    {
        const char* name;
        ConnectionSecurity security;
        std::optional<QByteArray> capabilities;
        std::vector<ScriptedFault> faults;
        std::optional<platform::TlsFailure> refusal;
        QString firstEntry; // the transcript's connect line
        QStringList lines;  // sent by the client
        std::vector<int> deleted;
        QString lastLog; // the log's last line ends with this; empty: not an error
    } rows[] = {
        {"STLS offered: CAPA again once encrypted",
         ConnectionSecurity::StartTls,
         "STLS\r\nUSER\r\n",
         {},
         {},
         u"connect pop.example:110"_qs,
         QStringList{"CAPA", "STLS", "CAPA"} + fullRun,
         {2, 3},
         {}},
        {"STLS required but not offered",
         ConnectionSecurity::StartTls,
         "USER\r\nPIPELINING\r\n",
         {},
         {},
         u"connect pop.example:110"_qs,
         {"CAPA"},
         {},
         u"pop.example サーバが STARTTLS に対応していないため、ログインせずに切断しました"_qs},
        {"plaintext injected after the STLS +OK is dropped",
         ConnectionSecurity::StartTls,
         "STLS\r\n",
         {{"STLS", 1, FaultKind::Replace, "+OK go\r\n+OK\r\nUSER\r\n.\r\n-ERR injected\r\n"}},
         {},
         u"connect pop.example:110"_qs,
         QStringList{"CAPA", "STLS", "CAPA"} + fullRun,
         {2, 3},
         {}},
        {"-ERR to CAPA means no capabilities",
         ConnectionSecurity::Tls,
         std::nullopt,
         {},
         {},
         u"connect-tls pop.example:995 -"_qs,
         QStringList{"CAPA"} + fullRun,
         {2, 3},
         {}},
        {"untrusted certificate at connect",
         ConnectionSecurity::Tls,
         std::nullopt,
         {},
         untrusted,
         u"connect-tls pop.example:995 -"_qs,
         {},
         {},
         u"\u3000証明書の SHA-256 指紋: 01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:"
         u"01:01:01:01:01:01:01:01:01:01:01:01:01"_qs},
        {"untrusted certificate after STLS",
         ConnectionSecurity::StartTls,
         "STLS\r\n",
         {},
         untrusted,
         u"connect pop.example:110"_qs,
         {"CAPA", "STLS"},
         {},
         u"01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:01:"
         u"01:01:01:01"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SessionHarness h;
        ScriptedMailbox mailbox = threeMessages(row.faults);
        mailbox.capabilities = row.capabilities;
        mailbox.tlsRefusal = row.refusal;
        h.server.setMailbox(mailbox);
        const bool implicit = row.security == ConnectionSecurity::Tls;
        h.session.ServerConect({.server = u"pop.example"_qs,
                                .port = implicit ? u"995"_qs : u"110"_qs,
                                .account = u"alice"_qs,
                                .password = u"secret"_qs,
                                .rules = RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}},
                                .security = row.security});
        h.settle();

        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.server.transcript().value(0), row.firstEntry);
        EXPECT_EQ(h.server.clientLines(), row.lines);
        EXPECT_EQ(h.server.deleted(), row.deleted);
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, row.lastLog.isEmpty() ? 0 : -1);
        if (!row.lastLog.isEmpty()) {
            EXPECT_TRUE(h.logLines().last().endsWith(row.lastLog))
                << h.logLines().last().toStdString();
        }
    }

    // A pin goes to the transport with the connection; the reason reaches the log.
    SessionHarness h;
    ScriptedMailbox mailbox = threeMessages();
    mailbox.tlsRefusal = untrusted;
    h.server.setMailbox(mailbox);
    h.session.ServerConect({.server = u"pop.example"_qs,
                            .port = u"995"_qs,
                            .account = u"alice"_qs,
                            .password = u"secret"_qs,
                            .security = ConnectionSecurity::Tls,
                            .pinSha256 = pin});
    h.settle();
    EXPECT_EQ(h.server.transcript().value(0),
              u"connect-tls pop.example:995 "_qs + QString::fromLatin1(pin.toHex()));
    EXPECT_TRUE(
        h.logLines()
            .value(h.logLines().size() - 2)
            .endsWith(
                u"pop.example の証明書を受け入れられないため切断しました（証明書の発行者が信頼されていません）"_qs));
}

} // namespace
