// Commands sent ahead of their replies where the server offers PIPELINING, AUTH PLAIN,
// and the copy each marked message leaves in the keeper before its DELE.

#include "support/AppHarness.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

const QString kPipelining = u"PIPELINING\r\nUSER\r\n"_qs;

// count messages, those in spam marked; the rules delete subjects holding "SPAM".
ScriptedMailbox mailboxOf(int count, std::initializer_list<int> spam)
{
    ScriptedMailbox mailbox;
    for (int n = 1; n <= count; ++n) {
        const bool isSpam = std::find(spam.begin(), spam.end(), n) != spam.end();
        mailbox.headers.push_back(
            AppHarness::header((isSpam ? "SPAM " : "Lunch ") + QByteArray::number(n)));
    }
    mailbox.capabilities = kPipelining.toLatin1();
    return mailbox;
}

// A keeper that records what it is given, and what the client had sent at each call.
struct RecordingKeeper final : platform::MessageKeeper
{
    qint64 maxMessageBytes() const override { return max; }
    bool begin(const platform::KeptMessageInfo& info) override
    {
        infos.push_back(info);
        current.clear();
        return refuse != "begin" || info.number != refused;
    }
    bool append(QByteArrayView bytes) override
    {
        current += bytes;
        return refuse != "append" || infos.back().number != refused;
    }
    bool commit() override
    {
        if (refuse == "commit" && infos.back().number == refused)
            return false;
        committed[infos.back().number] = current;
        linesAtCommit[infos.back().number] = server->clientLines();
        return true;
    }
    void discard() override { ++discards; }

    const ScriptedTcpClient* server = nullptr; // set by run()
    qint64 max = 10 * 1024 * 1024;
    QByteArray refuse; // "begin", "append" or "commit"
    int refused = 0;   // of this message
    std::vector<platform::KeptMessageInfo> infos;
    QByteArray current;
    std::map<int, QByteArray> committed;
    std::map<int, QStringList> linesAtCommit;
    int discards = 0;
};

struct Outcome
{
    std::vector<int> deleted;
    QStringList log;
    QStringList lines;
    std::vector<int> writes;
    int maxInFlight;
    bool quit;
};

Outcome run(const ScriptedMailbox& mailbox, bool pipelining, RecordingKeeper* keeper = nullptr)
{
    AppHarness h;
    if (keeper)
        keeper->server = &h.server;
    h.server.setMailbox(mailbox);
    h.session.ServerConect({.server = u"pop.example"_qs,
                            .port = u"110"_qs,
                            .account = u"alice"_qs,
                            .password = u"secret"_qs,
                            .rules = RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}},
                            .keeper = keeper,
                            .pipelining = pipelining});
    h.settle();
    EXPECT_TRUE(h.ended());
    const QStringList lines = h.server.clientLines();
    return {h.server.deleted(),       h.logLines(),           lines,
            h.server.linesPerWrite(), h.server.maxInFlight(), lines.contains(u"QUIT "_qs)};
}

TEST(Pop3Pipeline, PipelinedRunDeletesAndLogsExactlyAsTheSequentialOne)
{
    const ScriptedMailbox mailbox = mailboxOf(70, {2, 33, 34, 69, 70});
    const Outcome sequential = run(mailbox, false);
    ASSERT_EQ(sequential.deleted, std::vector<int>({2, 33, 34, 69, 70}));
    ASSERT_EQ(sequential.maxInFlight, 1);

    const Outcome pipelined = run(mailbox, true);
    EXPECT_EQ(pipelined.deleted, sequential.deleted);
    EXPECT_EQ(pipelined.log, sequential.log);
    EXPECT_EQ(pipelined.lines.mid(0, 4),
              QStringList({"USER alice", "PASS secret", "CAPA", "STAT "}));

    // Every reply cut at every byte, over a mailbox small enough to do so.
    ScriptedMailbox split = mailboxOf(4, {2, 3});
    const Outcome whole = run(split, true);
    ASSERT_EQ(whole.deleted, std::vector<int>({2, 3}));
    for (int reply = 0; reply < 13; ++reply) // greeting .. QUIT
        for (qsizetype cut = 1; cut < 200; ++cut)
            split.splits[reply].push_back(cut);
    const Outcome bytewise = run(split, true);
    EXPECT_EQ(bytewise.deleted, whole.deleted);
    EXPECT_EQ(bytewise.log, whole.log);
    EXPECT_EQ(bytewise.lines, whole.lines);
}

TEST(Pop3Pipeline, CommandsGoOutAWindowAtATimeOnlyWhereOfferedAndAllowed)
{
    const struct
    {
        const char* name;
        std::optional<QByteArray> capabilities;
        bool allowed;
        int window; // most commands in flight and in one write
        bool asksCapa;
    } rows[] = {
        {"offered and allowed", "PIPELINING\r\nUSER\r\n", true, 32, true},
        {"not offered", "USER\r\nTOP\r\n", true, 1, true},
        {"-ERR to CAPA", std::nullopt, true, 1, true},
        {"forbidden by the target", "PIPELINING\r\n", false, 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedMailbox mailbox = mailboxOf(80, {});
        for (int n = 1; n <= 40; ++n)
            mailbox.headers[n * 2 - 1] = AppHarness::header("SPAM " + QByteArray::number(n));
        mailbox.capabilities = row.capabilities;
        const Outcome got = run(mailbox, row.allowed);

        EXPECT_EQ(got.deleted.size(), 40u);
        EXPECT_EQ(got.maxInFlight, row.window);
        EXPECT_EQ(*std::max_element(got.writes.begin(), got.writes.end()), row.window);
        EXPECT_EQ(got.lines.contains(u"CAPA"_qs), row.asksCapa);
        // The first window of TOP and of DELE each leave in one write.
        const qsizetype firstTop = got.lines.indexOf(u"TOP 1 0"_qs);
        const qsizetype firstDele = got.lines.indexOf(u"DELE 2"_qs);
        int line = 0;
        std::map<qsizetype, int> writeAt; // first line of a write -> its lines
        for (const int lines : got.writes) {
            writeAt[line] = lines;
            line += lines;
        }
        EXPECT_EQ(writeAt[firstTop], row.window);
        EXPECT_EQ(writeAt[firstDele], row.window);
        EXPECT_EQ(got.lines.last(), "QUIT ");
    }
}

// "-ERR" or a reply that does not fit what is outstanding: no QUIT, nothing said deleted.
TEST(Pop3Pipeline, FaultInsideAWindowEndsWithoutQuit)
{
    const struct
    {
        const char* name;
        ScriptedFault fault;
        const char* lastLog;
    } rows[] = {
        {"-ERR to a TOP in mid-window", {"TOP", 5, FaultKind::Err}, "サーバがエラーを返しました"},
        {"-ERR to the second DELE", {"DELE", 2, FaultKind::Err}, "サーバがエラーを返しました"},
        {"a TOP reply twice", {"TOP", 3, FaultKind::Twice}, "（要求していないデータを受信）"},
        {"a stray line while several replies are owed",
         {"TOP", 2, FaultKind::Garbage},
         "（要求していないデータを受信）"},
        {"an extra line after the last DELE",
         {"DELE", 3, FaultKind::Replace, "+OK\r\n+OK\r\n"},
         "（要求していないデータを受信）"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedMailbox mailbox = mailboxOf(10, {2, 3, 7});
        mailbox.faults = {row.fault};
        const Outcome got = run(mailbox, true);

        EXPECT_FALSE(got.quit);
        EXPECT_TRUE(got.deleted.empty());
        EXPECT_TRUE(got.log.last().endsWith(QString::fromUtf8(row.lastLog)))
            << got.log.last().toStdString();
        for (const QString& line : got.log)
            EXPECT_FALSE(line.endsWith(u"を削除しました"_qs)) << line.toStdString();
    }
}

// 30 s with no reply completing ends the session, however many replies are owed;
// a copy still streaming in is progress.
TEST(Pop3Pipeline, WatchdogCountsFromTheLastReplyThatCompleted)
{
    const struct
    {
        const char* name;
        ScriptedFault silence;
    } rows[] = {
        {"last TOP of a window unanswered", {"TOP", 10, FaultKind::Silence}},
        {"last DELE of a window unanswered", {"DELE", 3, FaultKind::Silence}},
        {"a copy trickling in", {"RETR", 2, FaultKind::Silence}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool copying = row.silence.step == "RETR";
        AppHarness h;
        RecordingKeeper keeper;
        keeper.server = &h.server;
        ScriptedMailbox mailbox = mailboxOf(10, {2, 3, 7});
        mailbox.faults = {row.silence};
        h.server.setMailbox(mailbox);
        h.session.ServerConect({.server = u"pop.example"_qs,
                                .port = u"110"_qs,
                                .account = u"alice"_qs,
                                .password = u"secret"_qs,
                                .rules = RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}},
                                .keeper = copying ? &keeper : nullptr});
        h.settle();
        if (copying) {
            ASSERT_EQ(h.server.clientLines().last(), "RETR 3");
            for (const QByteArray& part : {"+OK\r\nSubject: SPAM 3\r\n", "\r\nbody\r\n"}) {
                h.loop.advance(29999ms);
                h.server.serverSends(part);
            }
        }
        h.loop.advance(29999ms);
        EXPECT_FALSE(h.ended());
        h.loop.advance(1ms);
        EXPECT_TRUE(h.ended());
        EXPECT_TRUE(h.logLines().last().endsWith(u"サーバデータ転送タイムアウトエラー"_qs));
        EXPECT_FALSE(h.server.clientLines().contains(u"QUIT "_qs));
    }
}

TEST(Pop3Pipeline, AuthPlainWhereCapaOffersSaslPlainButNoUser)
{
    AppHarness h;
    ScriptedMailbox mailbox = mailboxOf(1, {});
    mailbox.capabilities = "SASL LOGIN PLAIN\r\n";
    h.server.setMailbox(mailbox);
    h.session.ServerConect({.server = u"pop.example"_qs,
                            .port = u"995"_qs,
                            .account = u"アリス"_qs,
                            .password = u"secret"_qs,
                            .security = ConnectionSecurity::Tls});
    h.settle();

    // base64("\0" + "アリス" in code page 932 + "\0secret")
    EXPECT_EQ(h.server.clientLines().mid(0, 3),
              QStringList({"CAPA", "AUTH PLAIN AINBg4qDWABzZWNyZXQ=", "STAT "}));
    EXPECT_TRUE(h.monitor.transcript.contains(u"AUTH PLAIN *******\r\n"_qs));
    EXPECT_FALSE(h.monitor.transcript.contains(u"AINBg4qD"_qs));
    EXPECT_EQ(h.session.variables().Pop3ConnectOk, -1);
    EXPECT_EQ(h.session.variables().Pop3ErrorFlag, 0);
}

TEST(Pop3Pipeline, EachMarkedMessageIsKeptBeforeItsDele)
{
    const QByteArray body = "Hello\r\n.hidden dot\r\n..two\r\n.\r\nend\r\n";
    const QString refusedLine = u"タイトル:SPAM 2 差出人:a@example.com "
                                u"は控えを保存できなかったため削除しませんでした"_qs;
    const struct
    {
        const char* name;
        QByteArray refuse;
        std::vector<int> deleted;
        QStringList sentAfterList; // from the first copy on
    } rows[] = {
        {"every copy kept", {}, {2, 4}, {"RETR 2", "DELE 2", "RETR 4", "DELE 4", "QUIT "}},
        {"begin refused", "begin", {4}, {"RETR 4", "DELE 4", "QUIT "}},
        {"append refused", "append", {4}, {"RETR 2", "RETR 4", "DELE 4", "QUIT "}},
        {"commit refused", "commit", {4}, {"RETR 2", "RETR 4", "DELE 4", "QUIT "}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const bool pipelining : {false, true}) {
            SCOPED_TRACE(pipelining ? "pipelined" : "sequential");
            ScriptedMailbox mailbox = mailboxOf(4, {2, 4});
            mailbox.bodies = {{}, body, {}, "x\r\n"};
            RecordingKeeper keeper;
            keeper.refuse = row.refuse;
            keeper.refused = 2;
            const Outcome got = run(mailbox, pipelining, &keeper);

            EXPECT_EQ(got.deleted, row.deleted);
            EXPECT_EQ(got.lines.mid(got.lines.indexOf(u"TOP 4 0"_qs) + 1), row.sentAfterList);
            // Committed only after every byte, un-stuffed, and before its DELE was sent.
            EXPECT_EQ(keeper.committed[4], mailbox.headers[3] + "\r\nx\r\n");
            EXPECT_FALSE(keeper.linesAtCommit[4].contains(u"DELE 4"_qs));
            EXPECT_EQ(keeper.linesAtCommit[4].last(), "RETR 4");
            if (row.refuse.isEmpty()) {
                EXPECT_EQ(keeper.committed[2], mailbox.headers[1] + "\r\n" + body);
                EXPECT_EQ(keeper.discards, 0);
            } else {
                EXPECT_FALSE(keeper.committed.contains(2));
                EXPECT_EQ(keeper.discards, 1);
                EXPECT_TRUE(got.log.contains(refusedLine));
            }
            EXPECT_EQ(keeper.infos.back().server, "pop.example");
            EXPECT_EQ(keeper.infos.back().account, "alice");
            EXPECT_EQ(keeper.infos.back().number, 4);
            EXPECT_EQ(keeper.infos.back().subject, "SPAM 4");
            EXPECT_EQ(keeper.infos.back().from, "a@example.com");
            EXPECT_EQ(keeper.infos.back().listedSize, mailbox.headers[3].size() + 103);
        }
    }
}

TEST(Pop3Pipeline, MessageOverTheKeepersSizeKeepsItsHeaderOrEndsTheSession)
{
    ScriptedMailbox mailbox = mailboxOf(2, {2});
    mailbox.bodies = {{}, QByteArray(1000, 'b').append("\r\n").repeated(1200)};
    {
        SCOPED_TRACE("LIST gives a size above the cap: the header alone");
        RecordingKeeper keeper;
        keeper.max = 1024 * 1024;
        const Outcome got = run(mailbox, true, &keeper);

        EXPECT_EQ(got.lines.mid(got.lines.indexOf(u"TOP 2 0"_qs) + 1),
                  QStringList({"TOP 2 0", "DELE 2", "QUIT "}));
        EXPECT_TRUE(keeper.infos.at(0).headerOnly);
        EXPECT_EQ(keeper.committed[2], mailbox.headers[1] + "\r\n");
        EXPECT_EQ(got.deleted, std::vector<int>({2}));
        EXPECT_TRUE(got.log.contains(u"タイトル:SPAM 2 差出人:a@example.com "
                                     u"は1MBを超えるためヘッダのみ控えに保存しました"_qs));
    }
    {
        SCOPED_TRACE("a server whose LIST understates the size streams past the cap");
        RecordingKeeper keeper;
        keeper.max = 1024 * 1024;
        mailbox.faults = {{"LIST", 1, FaultKind::Replace, "+OK\r\n1 100\r\n2 100\r\n.\r\n"}};
        const Outcome got = run(mailbox, true, &keeper);

        EXPECT_FALSE(got.quit);
        EXPECT_TRUE(got.deleted.empty());
        EXPECT_TRUE(keeper.committed.empty());
        EXPECT_EQ(keeper.discards, 1);
        EXPECT_TRUE(got.log.last().endsWith(u"（一覧の大きさを超えるメール）"_qs));
        EXPECT_TRUE(got.log.contains(
            u"タイトル:SPAM 2 差出人:a@example.com は削除されませんでした（サーバに残っています）"_qs));
    }
}

} // namespace
