// Replies however TCP cuts or joins them: the same dialogue, the same deletions.

#include "SessionHarness.h"
#include "pop3/ReplyFramer.h"

#include <gtest/gtest.h>

namespace {

using Kind = ReplyFramer::Kind;
constexpr qsizetype kMaxLine = ReplyFramer::kMaxLine;

struct Expected
{
    Kind kind;
    QByteArray text;
    bool operator==(const ReplyFramer::Reply& r) const { return r.kind == kind && r.text == text; }
};

// Feeds the arrivals in turn and collects what becomes complete.
std::vector<Expected> frame(bool multiLine, const std::vector<QByteArray>& arrivals)
{
    ReplyFramer framer;
    framer.expect(multiLine);
    std::vector<Expected> replies;
    for (const QByteArray& arrival : arrivals) {
        framer.append(arrival);
        while (const auto reply = framer.next())
            replies.push_back({reply->kind, reply->text});
    }
    return replies;
}

// A status line, then 70 lines of 64 KiB: 4.4 MiB with no end.
std::vector<QByteArray> overlongReply()
{
    std::vector<QByteArray> arrivals(71, QByteArray(kMaxLine - 2, 'x') + "\r\n");
    arrivals.front() = "+OK\r\n";
    return arrivals;
}

TEST(ReplyFramer, CompletesRepliesOnlyAtTheirTerminatingLine)
{
    const struct
    {
        const char* name;
        bool multiLine;
        std::vector<QByteArray> arrivals;
        std::vector<Expected> replies;
    } rows[] = {
        {"status line", false, {"+OK hi\r\n"}, {{Kind::Ok, "+OK hi\r\n"}}},
        {"CR and LF apart", false, {"+OK\r", "\n"}, {{Kind::Ok, "+OK\r\n"}}},
        {"no line end yet", false, {"+OK hi"}, {}},
        {"header line ending in a dot ends an arrival",
         true,
         {"+OK\r\nSubject: Hi.\r\n", "From: a\r\n\r\n.\r\n"},
         {{Kind::Ok, "+OK\r\nSubject: Hi.\r\nFrom: a\r\n\r\n.\r\n"}}},
        {"lone dot split from its line end",
         true,
         {"+OK\r\nA: b\r\n.", "\r\n"},
         {{Kind::Ok, "+OK\r\nA: b\r\n.\r\n"}}},
        {"dot-stuffed lines lose their first dot",
         true,
         {"+OK\r\n..\r\n..X-A: b\r\n.\r\n"},
         {{Kind::Ok, "+OK\r\n.\r\n.X-A: b\r\n.\r\n"}}},
        {"-ERR inside a header is content",
         true,
         {"+OK\r\n-ERR x\r\n.\r\n"},
         {{Kind::Ok, "+OK\r\n-ERR x\r\n.\r\n"}}},
        {"-ERR as the status line",
         true,
         {"-ERR no such message\r\n"},
         {{Kind::Err, "-ERR no such message\r\n"}}},
        {"stray line before the status",
         false,
         {"* hi\r\n+OK\r\n"},
         {{Kind::Stray, "* hi\r\n"}, {Kind::Ok, "+OK\r\n"}}},
        {"lowercase status is stray", false, {"+ok\r\n"}, {{Kind::Stray, "+ok\r\n"}}},
        {"bytes after the reply are unsolicited",
         false,
         {"+OK a\r\n", "+OK b\r\n+OK c\r\n"},
         {{Kind::Ok, "+OK a\r\n"}, {Kind::Unsolicited, "+OK b\r\n"}}},
        {"line of 64 KiB",
         false,
         {"+OK " + QByteArray(kMaxLine - 4, 'x') + "\r\n"},
         {{Kind::Ok, "+OK " + QByteArray(kMaxLine - 4, 'x') + "\r\n"}}},
        {"line of 64 KiB and one byte",
         true,
         {"+OK\r\nS: " + QByteArray(kMaxLine - 2, 'x') + "\r\n"},
         {{Kind::LineTooLong, "S: " + QByteArray(253, 'x')}}},
        {"endless line without its end",
         false,
         {"+OK ", QByteArray(kMaxLine, 'x')},
         {{Kind::LineTooLong, "+OK " + QByteArray(252, 'x')}}},
        {"reply of more than 4 MiB", true, overlongReply(), {{Kind::ReplyTooLong, "+OK\r\n"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Expected> replies = frame(row.multiLine, row.arrivals);
        ASSERT_EQ(replies.size(), row.replies.size());
        for (size_t i = 0; i < replies.size(); ++i) {
            EXPECT_EQ(replies[i].kind, row.replies[i].kind);
            EXPECT_EQ(replies[i].text, row.replies[i].text);
        }
    }
}

TEST(ReplyFramer, AfterABreachNothingMoreIsFramedAndItsMemoryIsReleased)
{
    ReplyFramer framer;
    framer.expect(false);
    framer.append("+OK a\r\n+OK b\r\n");
    EXPECT_EQ(framer.next()->text, "+OK a\r\n");
    EXPECT_EQ(framer.next()->kind, Kind::Unsolicited);
    framer.expect(false); // "+OK b" must not pass for the next command's reply
    framer.append("+OK c\r\n");
    EXPECT_FALSE(framer.next());
    EXPECT_EQ(framer.heldBytes(), 0);
}

// What a session leaves behind, to compare runs, and the replies the server made.
struct Outcome
{
    QStringList clientLines;
    std::vector<int> deleted;
    QStringList log;
    QString transcript;
    qint16 errorFlag;
    bool ended;
    std::vector<QByteArray> replies;
};

ScriptedMailbox framingMailbox()
{
    ScriptedMailbox mailbox;
    mailbox.headers = {SessionHarness::header("Lunch"),
                       "Subject: SPAM =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=.\r\n"
                       "From: x@example.com\r\n",
                       "From: y@example.com\r\nSubject: \x82\xa8\x92\x83.\r\n"};
    return mailbox;
}

Outcome run(ScriptedMailbox mailbox)
{
    SessionHarness h;
    h.server.setMailbox(std::move(mailbox));
    h.start();
    h.settle();
    return {h.server.clientLines(),
            h.server.deleted(),
            h.logLines(),
            h.monitor.transcript,
            h.session.variables().Pop3ErrorFlag,
            h.ended(),
            h.server.replies()};
}

void expectSameOutcome(const Outcome& got, const Outcome& want)
{
    EXPECT_EQ(got.clientLines, want.clientLines);
    EXPECT_EQ(got.deleted, want.deleted);
    EXPECT_EQ(got.log, want.log);
    EXPECT_EQ(got.transcript, want.transcript);
    EXPECT_EQ(got.errorFlag, 0);
    EXPECT_TRUE(got.ended);
}

TEST(Pop3Framing, EveryReplySplitAtEveryBytePositionGivesTheSameDialogue)
{
    const Outcome whole = run(framingMailbox());
    ASSERT_EQ(whole.deleted, std::vector<int>({2}));
    ASSERT_EQ(whole.log.at(5), "タイトル:SPAM こんにちは. 差出人:x@example.com を削除しました");
    ASSERT_EQ(whole.transcript.count(QStringLiteral("Subject: お茶.\r\n")), 1);
    ASSERT_EQ(whole.replies.size(), 10u); // greeting, USER, PASS, STAT, LIST, TOP x3, DELE, QUIT

    int runs = 0;
    for (int reply = 0; reply < static_cast<int>(whole.replies.size()); ++reply) {
        const qsizetype length = whole.replies[reply].size();
        for (qsizetype cut = 1; cut < length; ++cut) {
            SCOPED_TRACE(QStringLiteral("reply %1 cut at %2").arg(reply).arg(cut).toStdString());
            ScriptedMailbox mailbox = framingMailbox();
            mailbox.splits[reply] = {cut};
            expectSameOutcome(run(mailbox), whole);
            ++runs;
        }
        SCOPED_TRACE(QStringLiteral("reply %1 byte by byte").arg(reply).toStdString());
        ScriptedMailbox mailbox = framingMailbox();
        for (qsizetype cut = 1; cut < length; ++cut)
            mailbox.splits[reply].push_back(cut);
        expectSameOutcome(run(mailbox), whole);
    }
    EXPECT_GT(runs, 300);
}

} // namespace
