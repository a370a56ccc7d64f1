// Sessions that go wrong: nothing is ever deleted unless the server acknowledged QUIT.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

const QString kStart = u"2026/01/05 9:00:00"_qs;
const QString kOther10054 = u"\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 10054"_qs;
const QString kServerError = kStart + u" pop.example サーバがエラーを返しました"_qs;

// "-ERR" ends the session at once; a drop and silence end it exactly 30 s after the last reply
// that completed, however many are owed. No line follows the fault, nothing is deleted.
TEST(Pop3Faults, FaultAtEveryStateEndsTheSessionWithoutQuitAtItsExactDeadline)
{
    // clang-format off
    const struct { const char* step; int occurrence; const char* lastLine; bool pipelined = false; } states[] = {
        {"greeting", 1, ""}, {"USER", 1, "USER alice"}, {"PASS", 1, "PASS secret"},
        {"STAT", 1, "STAT "}, {"LIST", 1, "LIST "}, {"TOP", 1, "TOP 1 0"}, {"TOP", 3, "TOP 3 0"},
        {"DELE", 1, "DELE 2"}, {"DELE", 2, "DELE 3"}, {"QUIT", 1, "QUIT "},
        // pipelined: the whole window has gone out, and the recount comes before any DELE
        {"TOP", 1, "TOP 3 0", true}, {"STAT", 2, "STAT ", true}, {"DELE", 1, "DELE 3", true},
    };
    // clang-format on
    for (const FaultKind kind : {FaultKind::Err, FaultKind::Drop, FaultKind::Silence}) {
        for (const auto& state : states) {
            SCOPED_TRACE(testing::Message() << state.step << state.occurrence << " pipelined "
                                            << state.pipelined << " fault " << int(kind));
            AppHarness h;
            h.monitor.visible = true;
            h.target.pipelining = state.pipelined;
            h.run(AppHarness::mailbox(3, {2, 3}, {{state.step, state.occurrence, kind}}));
            const QStringList log = h.logLines();
            if (kind == FaultKind::Err) {
                EXPECT_TRUE(h.ended());
                EXPECT_EQ(log.mid(log.size() - 3),
                          QStringList({"-ERR injected failure", "", kServerError}));
                EXPECT_TRUE(
                    h.monitor.transcript.endsWith("-ERR injected failure\r\n\r\nERROR!!\r\n"));
            } else {
                EXPECT_EQ(log.last() == kStart + kOther10054, kind == FaultKind::Drop);
                h.loop.advance(29999ms);
                EXPECT_FALSE(h.ended());
                EXPECT_EQ(h.logLines(), log);
                h.loop.advance(1ms);
                EXPECT_TRUE(h.ended());
                EXPECT_EQ(h.logLines().mid(0, log.size()), log);
                EXPECT_EQ(h.logLines().last(),
                          u"2026/01/05 9:00:30\u3000サーバデータ転送タイムアウトエラー"_qs);
                EXPECT_FALSE(h.monitor.visible);
            }
            EXPECT_EQ(h.server.clientLines().join('|').section('|', -1), state.lastLine);
            EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
            EXPECT_FALSE(h.server.isOpen());
            EXPECT_TRUE(h.server.deleted().empty());
        }
    }
}

// A reply that does not fit what is outstanding: no QUIT, nothing said deleted, the
// buffer released.
TEST(Pop3Faults, ServerThatBreaksTheDialogueEndsTheSessionWithoutQuit)
{
    const QString unasked = u"要求していないデータを受信"_qs,
                  garbage = u"* garbage from the server"_qs;
    // clang-format off
    const struct { const char* name; bool pipelined; ScriptedFault fault; int deles; QString logged; QString why; } rows[] = {
        {"TOP reply sent twice", false, {"TOP", 1, FaultKind::Twice}, 0, "+OK", unasked},
        {"replies ahead of their commands", false, {"greeting", 1, FaultKind::Replace, "+OK ready\r\n+OK\r\n+OK\r\n"}, 0, "+OK", unasked},
        {"line of 64 KiB and one byte", false, {"TOP", 2, FaultKind::Replace, "+OK\r\nSubject: " + QByteArray(64 * 1024 - 8, 'x') + "\r\n.\r\n"}, 0, "Subject: " + QString(247, u'x'), "64KBを超える行"},
        {"line that never ends", false, {"TOP", 1, FaultKind::Replace, "+OK\r\n" + QByteArray(70000, 'x')}, 0, QString(256, u'x'), "64KBを超える行"},
        {"reply that never ends", false, {"TOP", 1, FaultKind::Replace, "+OK\r\n" + ("X-Junk: " + QByteArray(990, 'x') + "\r\n").repeated(5000)}, 0, "+OK", "4MBを超える応答"},
        {"one at a time, a stray line where a DELE's reply is due", false, {"DELE", 1, FaultKind::Garbage}, 1, garbage, unasked},
        {"a TOP reply twice", true, {"TOP", 3, FaultKind::Twice}, 0, "+OK", unasked},
        {"a lowercase status line is no status", true, {"TOP", 2, FaultKind::Replace, "+ok\r\n"}, 0, "+ok", unasked},
        {"a stray line while several replies are owed", true, {"TOP", 2, FaultKind::Garbage}, 0, garbage, unasked},
        {"an extra line after the last DELE", true, {"DELE", 3, FaultKind::Replace, "+OK\r\n+OK\r\n"}, 3, "+OK", unasked},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        h.target.pipelining = row.pipelined;
        h.run(AppHarness::mailbox(10, {2, 3, 7}, {row.fault}));
        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
        EXPECT_FALSE(h.server.clientLines().contains("QUIT "));
        EXPECT_EQ(h.server.clientLines().filter(u"DELE"_qs).size(), row.deles);
        const QStringList log = h.logLines();
        EXPECT_EQ(log.mid(log.size() - 3),
                  QStringList({row.logged, "",
                               kStart + " pop.example サーバの応答が不正なため切断しました（" +
                                   row.why + "）"}));
        EXPECT_TRUE(log.filter(u"を削除しました"_qs).isEmpty());
        EXPECT_EQ(h.session.heldReplyBytes(), 0);
    }
}

// Last words without a line end are logged, control characters blanked; "-ERR" ends the session
// at once, and so does the sender with a reply waiting (Timer1 must not run on).
TEST(Pop3Faults, SocketErrorIsLoggedWithTheServersLastWords)
{
    const QString other = kStart + kOther10054;
    // clang-format off
    const struct { QByteArray words; QStringList log; bool ended; } rows[] = {
        {"-ERR mailbox locked\rforged\x07line", {"-ERR mailbox locked forged line", "", kServerError}, true},
        {"* bye", {"* bye", other}, false},
        {"+OK hello\r\n", {other}, true},
    };
    // clang-format on
    for (const auto& row : rows) {
        AppHarness h;
        h.start();
        h.server.serverSends(row.words);
        h.server.socketError(10054);
        h.settle();
        EXPECT_EQ(h.logLines(), row.log);
        EXPECT_EQ(h.ended(), row.ended);
        EXPECT_TRUE(h.server.clientLines().isEmpty());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, -1);
    }
}

// A port is one to ten digits for 1..65535; a profile that cannot be used is logged and
// ends the session at once, without connecting; one that can is connected to.
TEST(Pop3Faults, ProfileThatCannotBeUsedEndsTheSessionAtOnceWithoutConnecting)
{
    // clang-format off
    const struct { const char* name; QString port; QString line; QString id = u"alice"_qs; QString password = u"secret"_qs; } rows[] = {
        {"port 0", "0", "\u3000ポート番号が正しくありません\u30000"},
        {"port not a number", "abc", "\u3000ポート番号が正しくありません\u3000abc"},
        {"port above 65535", "70000", "\u3000ポート番号が正しくありません\u300070000"},
        {"no port", "", "\u3000ポート番号が正しくありません\u3000"},
        {"the highest port", "65535", "connect pop.example:65535"},
        {"ten digits are still a port", "0000040000", "connect pop.example:40000"},
        {"account code page 932 cannot carry", "110", " pop.example アカウント名に送信できない文字が含まれています", "ren\u00e9"},
        {"password code page 932 cannot carry", "110", " pop.example パスワードに送信できない文字が含まれています", "alice", "pa\U0001F511ss"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        h.target.port = row.port;
        h.target.account = row.id;
        h.target.password = row.password;
        h.start();
        h.loop.advance(100ms);
        const bool connects = row.line.startsWith(u"connect"_qs);
        EXPECT_EQ(h.server.transcript().value(0), connects ? row.line : QString());
        EXPECT_EQ(h.ended(), !connects);
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, connects ? 0 : -1);
        EXPECT_EQ(h.logLines(), connects ? QStringList() : QStringList{kStart + row.line});
        EXPECT_EQ(h.monitor.transcript.startsWith(row.line), !connects);
    }
}

TEST(Pop3Faults, TlsProfilesSendNoCredentialBeforeTheHandshake)
{
    const QStringList fullRun = {"USER alice", "PASS secret", "STAT ",  "LIST ",  "TOP 1 0",
                                 "TOP 2 0",    "TOP 3 0",     "DELE 2", "DELE 3", "QUIT "};
    const platform::TlsFailure untrusted{u"証明書の発行者が信頼されていません"_qs,
                                         QByteArray(32, '\x01')};
    const auto tls = ConnectionSecurity::Tls, starttls = ConnectionSecurity::StartTls;
    const QString plain = u"connect pop.example:110"_qs,
                  implicit = u"connect-tls pop.example:110 "_qs + u"5a"_qs.repeated(32);
    // clang-format off
    const struct { const char* name; ConnectionSecurity security; std::optional<QByteArray> capabilities; std::vector<ScriptedFault> faults; std::optional<platform::TlsFailure> refusal; QString firstEntry; QStringList lines; QString logEnd; /* empty: not an error */ } rows[] = {
        {"STLS required but not offered", starttls, "USER\r\nPIPELINING\r\n", {}, {}, plain, {"CAPA"}, u"pop.example サーバが STARTTLS に対応していないため、ログインせずに切断しました"_qs},
        {"plaintext injected after the STLS +OK is dropped", starttls, "STLS\r\n", {{"STLS", 1, FaultKind::Replace, "+OK go\r\n+OK\r\nUSER\r\n.\r\n-ERR injected\r\n"}}, {}, plain, QStringList{"CAPA", "STLS", "CAPA"} + fullRun, {}},
        {"SASL PLAIN but no USER: AUTH PLAIN", tls, "SASL LOGIN PLAIN\r\n", {}, {}, implicit, QStringList{"CAPA", "AUTH PLAIN AGFsaWNlAHNlY3JldA=="} + fullRun.mid(2), {}},
        {"-ERR to CAPA means no capabilities", tls, std::nullopt, {}, {}, implicit, QStringList{"CAPA"} + fullRun, {}},
        {"untrusted certificate, the pin with the connection", tls, std::nullopt, {}, untrusted, implicit, {}, u"pop.example の証明書を受け入れられないため切断しました（証明書の発行者が信頼されていません）|\u3000証明書の SHA-256 指紋: "_qs + QStringLiteral("01:").repeated(31) + u"01"_qs},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        ScriptedMailbox mailbox = AppHarness::mailbox(3, {2, 3}, row.faults);
        mailbox.capabilities = row.capabilities;
        mailbox.tlsRefusal = row.refusal;
        h.target.security = row.security;
        h.target.pinSha256 = QByteArray(32, '\x5a');
        h.run(mailbox);
        EXPECT_TRUE(h.ended());
        EXPECT_EQ(h.server.transcript().value(0), row.firstEntry);
        EXPECT_EQ(h.server.clientLines(), row.lines);
        EXPECT_EQ(h.server.deleted(),
                  row.logEnd.isEmpty() ? std::vector<int>({2, 3}) : std::vector<int>());
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, row.logEnd.isEmpty() ? 0 : -1);
        EXPECT_FALSE(h.monitor.transcript.contains(u"secret"_qs) ||
                     h.monitor.transcript.contains(u"AGFsaWNl"_qs));
        EXPECT_TRUE(h.logLines().join('|').endsWith(row.logEnd))
            << h.logLines().last().toStdString();
    }
}

} // namespace
