// Sessions that go wrong: refused commands, dropped connections, silence, hostile
// servers. Nothing is ever deleted unless the server acknowledged QUIT.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

const QString kOther10054 = u"\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 10054"_qs;
const QString kTimeout = u"\u3000サーバデータ転送タイムアウトエラー"_qs;
const QString kServerError = u"2026/01/05 9:00:00 pop.example サーバがエラーを返しました"_qs;

// Three messages, 2 and 3 spam: the dialogue has every state, DELE twice.
ScriptedMailbox threeMessages(std::vector<ScriptedFault> faults = {})
{
    return {.headers = {AppHarness::header("Lunch"), AppHarness::header("SPAM one"),
                        AppHarness::header("SPAM two")},
            .faults = std::move(faults)};
}

QString lastClientLine(const AppHarness& h)
{
    return h.server.clientLines().value(h.server.clientLines().size() - 1);
}

// A fault at each state of the dialogue: "-ERR" ends the session at once with the
// server's words; a drop logs at once; both a drop and silence end it exactly 30 s after
// the last command. The client never sends another line and deletes nothing.
TEST(Pop3Faults, FaultAtEveryStateEndsTheSessionWithoutQuitAtItsExactDeadline)
{
    // clang-format off
    const struct { const char* step; int occurrence; const char* lastLine; } states[] = {
        {"greeting", 1, ""}, {"USER", 1, "USER alice"}, {"PASS", 1, "PASS secret"},
        {"STAT", 1, "STAT "}, {"LIST", 1, "LIST "}, {"TOP", 1, "TOP 1 0"}, {"TOP", 3, "TOP 3 0"},
        {"DELE", 1, "DELE 2"}, {"DELE", 2, "DELE 3"}, {"QUIT", 1, "QUIT "},
    };
    // clang-format on
    for (const FaultKind kind : {FaultKind::Err, FaultKind::Drop, FaultKind::Silence}) {
        for (const auto& state : states) {
            SCOPED_TRACE(std::string(state.step) + " " + std::to_string(state.occurrence) +
                         " fault " + std::to_string(int(kind)));
            AppHarness h;
            h.monitor.visible = true;
            h.server.setMailbox(threeMessages({{state.step, state.occurrence, kind}}));
            h.start();
            h.settle();
            const QStringList log = h.logLines();
            if (kind == FaultKind::Err) {
                EXPECT_TRUE(h.ended());
                EXPECT_EQ(log.mid(log.size() - 3),
                          QStringList({"-ERR injected failure", "", kServerError}));
                EXPECT_TRUE(
                    h.monitor.transcript.endsWith("-ERR injected failure\r\n\r\nERROR!!\r\n"));
                EXPECT_EQ(h.monitor.statuses.last(), "Error");
            } else {
                EXPECT_EQ(log.last() == "2026/01/05 9:00:00" + kOther10054,
                          kind == FaultKind::Drop);
                h.loop.advance(29999ms);
                EXPECT_FALSE(h.ended());
                EXPECT_EQ(h.logLines(), log);
                h.loop.advance(1ms);
                EXPECT_TRUE(h.ended());
                EXPECT_EQ(h.logLines().mid(0, log.size()), log);
                EXPECT_EQ(h.logLines().last(), "2026/01/05 9:00:30" + kTimeout);
                EXPECT_FALSE(h.monitor.visible);
            }
            EXPECT_EQ(lastClientLine(h), state.lastLine);
            EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
            EXPECT_FALSE(h.server.isOpen());
            EXPECT_TRUE(h.server.deleted().empty());
        }
    }
}

TEST(Pop3Faults, HostileServerEndsTheSessionWithoutQuitAndReleasesTheBuffer)
{
    const QByteArray longLine = "Subject: " + QByteArray(64 * 1024 - 8, 'x') + "\r\n";
    const QByteArray endless =
        "+OK\r\n" + ("X-Junk: " + QByteArray(990, 'x') + "\r\n").repeated(5000);
    // clang-format off
    const struct { const char* name; ScriptedFault fault; QString logged; QString why; } rows[] = {
        {"TOP reply sent twice", {"TOP", 1, FaultKind::Twice}, "+OK", "要求していないデータを受信"},
        {"replies ahead of their commands", {"greeting", 1, FaultKind::Replace, "+OK ready\r\n+OK\r\n+OK\r\n"}, "+OK", "要求していないデータを受信"},
        {"line of 64 KiB and one byte", {"TOP", 2, FaultKind::Replace, "+OK\r\n" + longLine + ".\r\n"}, "Subject: " + QString(247, u'x'), "64KBを超える行"},
        {"reply that never ends", {"TOP", 1, FaultKind::Replace, endless}, "+OK", "4MBを超える応答"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
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
    const struct
    {
        QByteArray words;
        QStringList log;
    } rows[] = {
        {"-ERR mailbox locked\rforged\x07line",
         {"-ERR mailbox locked forged line", "", kServerError}},
        {"* bye", {"* bye", "2026/01/05 9:00:00" + kOther10054}},
    };
    for (const auto& row : rows) {
        AppHarness h;
        h.start();
        h.server.serverSends(row.words);
        h.server.socketError(10054);
        h.settle();
        EXPECT_EQ(h.logLines(), row.log);
        EXPECT_EQ(h.ended(), row.words.startsWith("-ERR"));
    }
}

// A new connection starts the watchdog afresh: a leftover countdown must not end it early.
TEST(Pop3Faults, WatchdogCountsFromTheLastCommandSent)
{
    AppHarness h;
    h.start();
    h.loop.advance(10000ms);
    h.server.serverSends("+OK hello\r\n");
    h.settle(); // USER goes out at 10 s
    ASSERT_EQ(h.server.clientLines(), QStringList({"USER alice"}));
    h.loop.advance(20000ms);
    h.start();
    h.loop.advance(29999ms);
    EXPECT_FALSE(h.ended());
    h.loop.advance(1ms);
    EXPECT_TRUE(h.ended());
    EXPECT_EQ(h.logLines().last(), "2026/01/05 9:01:00" + kTimeout);
    EXPECT_EQ(h.logLines().filter(kTimeout).size(), 1);
}

TEST(Pop3Faults, ConnectionErrorsAreLoggedByNumberThenTimeOut)
{
    const struct
    {
        int number;
        QString line;
    } rows[] = {
        {10060, u"\u3000Winsocket エラー\uFF1Aサーバ接続タイムアウト\u300010060"_qs},
        {11001, u"\u3000Winsocket エラー\uFF1Aサーバが見つかりません\u300011001"_qs},
        {10061, u"\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 10061"_qs},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        AppHarness h;
        h.server.failHost(u"pop.example"_qs, row.number);
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
    AppHarness h;
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

TEST(Pop3Faults, ProfileThatCannotBeUsedEndsTheSessionAtOnceWithoutConnecting)
{
    // clang-format off
    const struct { const char* name; QString port; QString id; QString password; QString line; } rows[] = {
        {"port 0", "0", "alice", "secret", "\u3000ポート番号が正しくありません\u30000"},
        {"account code page 932 cannot carry", "110", "ren\u00e9", "secret", " pop.example アカウント名に送信できない文字が含まれています"},
        {"password code page 932 cannot carry", "110", "alice", "pa\U0001F511ss", " pop.example パスワードに送信できない文字が含まれています"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        h.session.ServerConect({.server = u"pop.example"_qs,
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

// The marked messages' lines and the end of the rules' block, as a session that failed
// after the rules ran leaves them; "を削除しました" only once QUIT is acknowledged, and an
// abort closes without QUIT.
TEST(Pop3Faults, MarkedMessagesAreLoggedAsDeletedOnlyOnceQuitIsAcknowledged)
{
    const QString notDone = u" は削除されませんでした（サーバに残っています）"_qs;
    const QString unconfirmed = u" は削除されたか確認できませんでした"_qs;
    const QString done = u" を削除しました"_qs;
    // clang-format off
    const struct { const char* name; ScriptedFault fault; QString ending; const char* settledAt; bool closeAfterQuit = false; bool abort = false; } rows[] = {
        {"-ERR to the second DELE", {"DELE", 2, FaultKind::Err}, notDone, "9:00:00"},
        {"dropped at the first DELE", {"DELE", 1, FaultKind::Drop}, notDone, "9:00:00"},
        {"silence after the second DELE", {"DELE", 2, FaultKind::Silence}, notDone, "9:00:30"},
        {"aborted after the second DELE", {"DELE", 2, FaultKind::Silence}, notDone, "9:00:00", false, true},
        {"dropped before QUIT's reply", {"QUIT", 1, FaultKind::Drop}, unconfirmed, "9:00:00"},
        {"silence after QUIT", {"QUIT", 1, FaultKind::Silence}, unconfirmed, "9:00:30"},
        {"-ERR to QUIT", {"QUIT", 1, FaultKind::Err}, unconfirmed, "9:00:00"},
        {"closed right after QUIT's +OK", {}, done, "9:00:00", true},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        ScriptedMailbox mailbox = threeMessages({row.fault});
        mailbox.closeAfterQuit = row.closeAfterQuit;
        h.server.setMailbox(mailbox);
        h.start();
        h.settle();
        if (row.abort)
            h.session.abort();
        h.loop.advance(30000ms);
        ASSERT_TRUE(h.ended());

        const QStringList log = h.logLines();
        const qsizetype first = log.indexOf("タイトル:SPAM one 差出人:a@example.com" + row.ending);
        ASSERT_GE(first, 0) << log.join('\n').toStdString();
        EXPECT_EQ(log.mid(first + 1, 2),
                  QStringList({"タイトル:SPAM two 差出人:a@example.com" + row.ending,
                               "2026/01/05 " + QString(row.settledAt) +
                                   "  削除メールを指定条件で検索・削除を終了しました"}));
        EXPECT_EQ(log.join('|').count(done), row.ending == done ? 2 : 0);
        EXPECT_FALSE(row.abort && log.join('|').contains(kTimeout));
        EXPECT_EQ(h.server.deleted().size(), row.ending == done ? 2u : 0u);
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, row.ending == done || row.abort ? 0 : -1);
        EXPECT_EQ(h.server.clientLines().contains("QUIT "), !row.abort && row.fault.step != "DELE");
        EXPECT_FALSE(h.server.isOpen());
    }
}

TEST(Pop3Faults, TlsProfilesSendNoCredentialBeforeTheHandshake)
{
    const QStringList fullRun = {"USER alice", "PASS secret", "STAT ",  "LIST ",  "TOP 1 0",
                                 "TOP 2 0",    "TOP 3 0",     "DELE 2", "DELE 3", "QUIT "};
    const platform::TlsFailure untrusted{u"証明書の発行者が信頼されていません"_qs,
                                         QByteArray(32, '\x01')};
    const QString fingerprint = QStringLiteral("01:").repeated(31) + u"01"_qs;
    const auto tls = ConnectionSecurity::Tls, starttls = ConnectionSecurity::StartTls;
    const QString plain = u"connect pop.example:110"_qs,
                  implicit = u"connect-tls pop.example:995 -"_qs;
    // clang-format off
    const struct {
        const char* name; ConnectionSecurity security; std::optional<QByteArray> capabilities;
        std::vector<ScriptedFault> faults; std::optional<platform::TlsFailure> refusal;
        QString firstEntry; QStringList lines; QString lastLog; // empty: not an error
    } rows[] = {
        {"STLS offered: CAPA again once encrypted", starttls, "STLS\r\nUSER\r\n", {}, {}, plain, QStringList{"CAPA", "STLS", "CAPA"} + fullRun, {}},
        {"STLS required but not offered", starttls, "USER\r\nPIPELINING\r\n", {}, {}, plain, {"CAPA"}, u"pop.example サーバが STARTTLS に対応していないため、ログインせずに切断しました"_qs},
        {"plaintext injected after the STLS +OK is dropped", starttls, "STLS\r\n", {{"STLS", 1, FaultKind::Replace, "+OK go\r\n+OK\r\nUSER\r\n.\r\n-ERR injected\r\n"}}, {}, plain, QStringList{"CAPA", "STLS", "CAPA"} + fullRun, {}},
        {"-ERR to CAPA means no capabilities", tls, std::nullopt, {}, {}, implicit, QStringList{"CAPA"} + fullRun, {}},
        {"untrusted certificate at connect", tls, std::nullopt, {}, untrusted, implicit, {}, u"\u3000証明書の SHA-256 指紋: "_qs + fingerprint},
        {"untrusted certificate after STLS", starttls, "STLS\r\n", {}, untrusted, plain, {"CAPA", "STLS"}, fingerprint},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        ScriptedMailbox mailbox = threeMessages(row.faults);
        mailbox.capabilities = row.capabilities;
        mailbox.tlsRefusal = row.refusal;
        h.server.setMailbox(mailbox);
        h.start(Pop3Mode::Run, u"secret"_qs, row.security);
        h.settle();

        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.server.transcript().value(0), row.firstEntry);
        EXPECT_EQ(h.server.clientLines(), row.lines);
        EXPECT_EQ(h.server.deleted(),
                  row.lastLog.isEmpty() ? std::vector<int>({2, 3}) : std::vector<int>());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, row.lastLog.isEmpty() ? 0 : -1);
        EXPECT_TRUE(h.logLines().last().endsWith(row.lastLog)) << h.logLines().last().toStdString();
    }

    // A pin goes to the transport with the connection; the reason reaches the log.
    AppHarness h;
    ScriptedMailbox mailbox = threeMessages();
    mailbox.tlsRefusal = untrusted;
    h.server.setMailbox(mailbox);
    h.pin = QByteArray(32, '\x5a');
    h.start(Pop3Mode::Run, u"secret"_qs, tls);
    h.settle();
    EXPECT_EQ(h.server.transcript().value(0),
              u"connect-tls pop.example:995 "_qs + u"5a"_qs.repeated(32));
    EXPECT_TRUE(
        h.logLines()
            .value(h.logLines().size() - 2)
            .endsWith(
                u"pop.example の証明書を受け入れられないため切断しました（証明書の発行者が信頼されていません）"_qs));
}

} // namespace
