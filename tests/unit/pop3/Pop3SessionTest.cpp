// Complete dialogues with a well-behaved server: what is sent, logged and deleted, however
// TCP cuts or joins the replies.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

const QString kStart = u"2026/01/05 9:00:00"_qs;

// A login check stops once the password is accepted (shown masked); an empty mailbox is asked
// for no header, and the rules run once.
TEST(Pop3Session, LoginCheckStopsAfterPassAndAnEmptyMailboxQuitsWithoutTop)
{
    for (const Pop3Mode mode : {Pop3Mode::LoginCheck, Pop3Mode::Run}) {
        AppHarness h;
        h.target.mode = mode;
        const bool run = mode == Pop3Mode::Run;
        h.run(AppHarness::mailbox(run ? 0 : 2, {1}));
        EXPECT_EQ(h.server.clientLines(),
                  QStringList({"USER alice", "PASS secret"}) +
                      (run ? QStringList{"STAT ", "LIST ", "QUIT "} : QStringList()));
        EXPECT_EQ(
            h.logLines().mid(2),
            QStringList(kStart + " pop.example\u306b\u3000ID:aliceでサーバに接続しました") +
                (run ? QStringList{"0  件のメールがあります",
                                   kStart + "  削除メールを指定条件で検索しています",
                                   kStart + "  削除メールを指定条件で検索・削除を終了しました"}
                     : QStringList()));
        EXPECT_TRUE(h.monitor.transcript.contains(u"PASS *******\r\n+OK logged in\r\n"_qs));
        EXPECT_EQ(h.session.variables().Pop3ConnectOk, -1);
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag, 0);
        EXPECT_TRUE(h.ended());
        EXPECT_FALSE(h.server.isOpen());
    }
}

// A preview sends no DELE; an allow-listed sender is kept even with a From that cannot be
// decoded (logged empty); a stray line before a header is passed over; 64 KiB lines are read.
TEST(Pop3Session, MarkedMessagesAreLoggedAsDeletedOnlyOnceQuitIsAcknowledged)
{
    const QString done = u" を削除しました"_qs,
                  judged = u" を削除対象と判定しました（確認のみ）"_qs,
                  notDone = u" は削除されませんでした（サーバに残っています）"_qs,
                  unconfirmed = u" は削除されたか確認できませんでした"_qs;
    // clang-format off
    const struct { const char* name; QStringList sent; std::vector<int> deleted; QString ending; ScriptedFault fault = {}; bool preview = false; QStringList allowList = {}; bool closeAfterQuit = false; bool abort = false; } rows[] = {
        {"run", {"TOP 8 0", "DELE 3", "DELE 7", "QUIT "}, {3, 7}, done},
        {"closed right after QUIT's +OK", {"DELE 3", "DELE 7", "QUIT "}, {3, 7}, done, {}, false, {}, true},
        {"preview", {"TOP 7 0", "TOP 8 0", "QUIT "}, {}, judged, {}, true},
        {"allow-listed sender", {"TOP 8 0", "DELE 7", "QUIT "}, {7}, done, {}, false, {u"boss@example.com"_qs}},
        {"-ERR to the second DELE", {"DELE 3", "DELE 7"}, {}, notDone, {"DELE", 2, FaultKind::Err}},
        {"aborted after the second DELE", {"DELE 3", "DELE 7"}, {}, notDone, {"DELE", 2, FaultKind::Silence}, false, {}, false, true},
        {"dropped before QUIT's reply", {"DELE 7", "QUIT "}, {}, unconfirmed, {"QUIT", 1, FaultKind::Drop}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        ScriptedMailbox mailbox =
            AppHarness::mailbox(8, {3, 7}, {{"TOP", 1, FaultKind::Garbage}, row.fault});
        mailbox.headers[2] =
            AppHarness::header("SPAM 3", "=?X-UNKNOWN?B?YWJj?= <Boss@example.com>");
        mailbox.headers[0] += "X-Long: " + QByteArray(64 * 1024 - 8, 'x') + "\r\n"; // no breach
        mailbox.closeAfterQuit = row.closeAfterQuit;
        h.target.preview = row.preview;
        h.target.rules.AllowList = row.allowList;
        h.run(mailbox);
        if (row.abort)
            h.session.abort();
        h.loop.advance(30000ms);
        ASSERT_TRUE(h.ended());
        const QStringList lines = h.server.clientLines();
        EXPECT_EQ(lines.mid(lines.size() - row.sent.size()), row.sent);
        EXPECT_EQ(h.server.deleted(), row.deleted);
        QStringList block{kStart + "  削除メールを指定条件で検索しています"};
        for (const int n : row.allowList.isEmpty() ? std::vector<int>{3, 7} : std::vector<int>{7})
            block << u"タイトル:SPAM %1 差出人:"_qs.arg(n) +
                         (n == 3 ? QString() : u"a@example.com"_qs) + row.ending;
        block << kStart + "  削除メールを指定条件で検索・削除を終了しました";
        const QStringList log = h.logLines();
        EXPECT_EQ(log.mid(log.indexOf(block.first()), block.size()), block);
        EXPECT_EQ(log.at(2) == kStart + " pop.example 確認のみ（削除しません）", row.preview);
        EXPECT_TRUE(h.monitor.transcript.contains(u"* garbage from the server\r\n"_qs));
        EXPECT_EQ(h.session.variables().Pop3ErrorFlag,
                  (row.ending == notDone && !row.abort) || row.ending == unconfirmed ? -1 : 0);
        EXPECT_FALSE(h.server.isOpen());
        EXPECT_FALSE(h.monitor.visible);
    }
}

// The count is read without overflow and capped at 1000; a STAT reply that is not
// "+OK count size" ends the session as a server error.
TEST(Pop3Session, StatReplyGivesTheCountOrAServerError)
{
    // clang-format off
    const struct { const char* name; QByteArray reply; const char* countLine; /* nullptr: a server error */ } rows[] = {
        {"leading zeros", "+OK 00000007 3456\r\n", "7  件のメールがあります"},
        {"above the cap", "+OK 1001 1\r\n", "1000  件のメールがあります"},
        {"above 64 bits", "+OK 99999999999999999999999 1\r\n", "1000  件のメールがあります"},
        {"trailing words", "+OK 3 300 messages\r\n", "3  件のメールがあります"},
        {"no size", "+OK 12\r\n", nullptr},
        {"negative count", "+OK -1 10\r\n", nullptr},
        {"size not a number", "+OK 1 2x\r\n", nullptr},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AppHarness h;
        h.start();
        h.reply({"+OK\r\n", "+OK\r\n", "+OK\r\n", row.reply});
        const QStringList serverError = {QString::fromLatin1(row.reply.chopped(2)), "",
                                         kStart + " pop.example サーバがエラーを返しました"};
        EXPECT_EQ(h.logLines().mid(3), row.countLine ? QStringList{row.countLine} : serverError);
        EXPECT_EQ(h.server.clientLines().last(), row.countLine ? "LIST " : "STAT ");
        EXPECT_EQ(h.ended(), !row.countLine);
    }
}

// The client lines, log and monitor of one session, reply r arriving cut at the offsets.
QStringList run(int reply, std::vector<qsizetype> cuts, std::vector<QByteArray>* replies = nullptr)
{
    AppHarness h;
    h.run({.headers = {AppHarness::header("Lunch") + "-ERR inside a header is content\r\n",
                       "Subject: SPAM =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=.\r\n"
                       "From: x@example.com\r\n",
                       "From: y@example.com\r\nSubject: \x82\xa8\x92\x83.\r\n"},
           .splits = {{reply, std::move(cuts)}}});
    if (replies)
        *replies = h.server.replies();
    return h.server.clientLines() + h.logLines() + QStringList(h.monitor.transcript);
}

TEST(Pop3Session, EveryReplySplitAtEveryBytePositionGivesTheSameDialogue)
{
    std::vector<QByteArray> replies;
    const QStringList whole = run(0, {}, &replies);
    ASSERT_TRUE(whole.contains("タイトル:SPAM こんにちは. 差出人:x@example.com を削除しました"));
    ASSERT_EQ(whole.last().count(u"Subject: お茶.\r\n"_qs), 1);
    ASSERT_EQ(replies.size(), 10u); // greeting, USER, PASS, STAT, LIST, TOP x3, DELE, QUIT
    for (int reply = 0; reply < int(replies.size()); ++reply) {
        std::vector<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < replies[reply].size(); ++cut) {
            everyByte.push_back(cut);
            EXPECT_EQ(run(reply, {cut}), whole) << "reply " << reply << " cut at " << cut;
        }
        EXPECT_EQ(run(reply, everyByte), whole) << "reply " << reply << " byte by byte";
    }
}

} // namespace
