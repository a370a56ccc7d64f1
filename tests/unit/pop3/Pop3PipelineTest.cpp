// Commands sent ahead of their replies where the server offers PIPELINING, and the copy each marked
// message leaves in the keeper before its DELE.

#include "support/AppHarness.h"

#include <gtest/gtest.h>
#include <map>

namespace {

// Records what it is given, and the last line the client had sent at each commit.
struct RecordingKeeper final : platform::MessageKeeper
{
    explicit RecordingKeeper(QByteArray refusing = {}, qint64 cap = 1 << 20)
        : refuse(refusing), max(cap)
    {}
    qint64 maxMessageBytes() const override { return max; }
    bool begin(const platform::KeptMessageInfo& info) override
    {
        infos.push_back(info);
        current.clear();
        return !refuses("begin");
    }
    bool append(QByteArrayView bytes) override { return current += bytes, !refuses("append"); }
    bool commit() override
    {
        if (refuses("commit"))
            return false;
        committed[infos.back().number] = {current, server->clientLines().last()};
        return true;
    }
    void discard() override { ++discards; }
    bool refuses(const char* step) const { return refuse == step && infos.back().number == 2; }

    QByteArray refuse; // "begin", "append" or "commit" of message 2
    qint64 max;
    const ScriptedTcpClient* server = nullptr;
    std::vector<platform::KeptMessageInfo> infos;
    QByteArray current;
    QMap<int, std::pair<QByteArray, QString>> committed; // and the last line sent
    int discards = 0;
};

struct Outcome
{
    std::vector<int> deleted;
    QStringList log, lines;
    std::vector<int> writes; // lines per write
    int maxInFlight;
    bool quit;
};

Outcome run(const ScriptedMailbox& mailbox, bool pipelining, RecordingKeeper* keeper = nullptr)
{
    AppHarness h;
    h.target.pipelining = pipelining;
    h.target.keeper = keeper;
    if (keeper)
        keeper->server = &h.server;
    h.run(mailbox);
    EXPECT_TRUE(h.ended());
    const QStringList lines = h.server.clientLines();
    return {h.server.deleted(),       h.logLines(),           lines,
            h.server.linesPerWrite(), h.server.maxInFlight(), lines.contains(u"QUIT "_qs)};
}

// Deletions and log are those of the same mailbox served one command at a time, whole,
// even with every reply arriving a byte at a time.
TEST(Pop3Pipeline, CommandsGoOutAWindowAtATimeOnlyWhereOfferedAndAllowed)
{
    // clang-format off
    const struct { const char* name; QByteArray capabilities; bool allowed; int window; /* most commands in flight, and the first TOPs and DELEs in one write */ } rows[] = {
        {"offered and allowed", "PIPELINING\r\nUSER\r\n", true, 32},
        {"not offered", "USER\r\nTOP\r\n", true, 1},
        {"forbidden by the target: no CAPA either", "PIPELINING\r\n", false, 1},
    };
    // clang-format on
    const ScriptedMailbox mailbox = AppHarness::mailbox(70, {2, 33, 34, 35, 64, 65, 69, 70});
    const Outcome sequential = run(mailbox, false);
    ASSERT_EQ(sequential.deleted, std::vector<int>({2, 33, 34, 35, 64, 65, 69, 70}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedMailbox offered = mailbox;
        offered.capabilities = row.capabilities;
        for (int reply = 0; reply < 200; ++reply)
            for (qsizetype cut = 1; cut < 100; ++cut)
                offered.splits[reply].push_back(cut);
        const Outcome got = run(offered, row.allowed);
        EXPECT_EQ(got.deleted, sequential.deleted);
        EXPECT_EQ(got.log, sequential.log);
        EXPECT_EQ(got.maxInFlight, row.window);
        EXPECT_EQ(got.lines.contains(u"CAPA"_qs), row.allowed);
        std::map<qsizetype, int> writeAt; // first line of a write -> its lines
        for (qsizetype line = 0; const int lines : got.writes) {
            writeAt[line] = lines;
            line += lines;
        }
        EXPECT_EQ(writeAt[got.lines.indexOf(u"TOP 1 0"_qs)], row.window);
        EXPECT_EQ(writeAt[got.lines.indexOf(u"DELE 2"_qs)], std::min(row.window, 8)); // 8 marked
    }
}

// A reply sent twice whose copy arrives late moves every later header onto the next
// message; STAT asked again before any DELE then gets a TOP's status line: nothing is
// deleted, not even asked for.
TEST(Pop3Pipeline, ARecountOutOfStepStopsTheSessionBeforeAnyDele)
{
    const QByteArray top3 = "+OK\r\n" + AppHarness::header("SPAM 3") + "\r\n.\r\n";
    const Outcome got = run(AppHarness::mailbox(10, {2, 3, 7},
                                                {{"TOP", 3, FaultKind::Replace, top3 + top3},
                                                 {"TOP", 10, FaultKind::Silence},
                                                 // the late TOP's first line
                                                 {"STAT", 2, FaultKind::Replace, "+OK\r\n"}}),
                            true);
    EXPECT_TRUE(got.lines.filter(u"DELE"_qs).isEmpty()) << got.lines.join('\n').toStdString();
    EXPECT_FALSE(got.quit);
    EXPECT_TRUE(got.log.last().endsWith(u"（応答の順序の乱れ）"_qs))
        << got.log.join('\n').toStdString();
    EXPECT_TRUE(got.log.filter(u"を削除しました"_qs).isEmpty());
}

// 30 s with no reply completing ends the session, however many replies are owed;
// a copy still streaming in is progress.
TEST(Pop3Pipeline, WatchdogCountsFromTheLastReplyThatCompleted)
{
    for (const ScriptedFault& silence : {ScriptedFault{"TOP", 10, FaultKind::Silence},
                                         ScriptedFault{"RETR", 2, FaultKind::Silence}}) {
        SCOPED_TRACE(silence.step.constData());
        AppHarness h;
        RecordingKeeper keeper;
        keeper.server = &h.server;
        const bool copying = silence.step == "RETR";
        h.target.pipelining = true;
        h.target.keeper = copying ? &keeper : nullptr;
        h.run(AppHarness::mailbox(10, {2, 3, 7}, {silence}));
        if (copying) {
            ASSERT_EQ(h.server.clientLines().last(), "RETR 3");
            h.loop.advance(29999ms);
            h.server.serverSends("+OK\r\nSubject: SPAM 3\r\n"); // the copy's first part
        }
        h.loop.advance(29999ms);
        EXPECT_FALSE(h.ended());
        h.loop.advance(1ms);
        EXPECT_TRUE(h.ended());
        EXPECT_TRUE(h.logLines().last().endsWith(u"サーバデータ転送タイムアウトエラー"_qs));
        EXPECT_FALSE(h.server.clientLines().contains(u"QUIT "_qs));
    }
}

// Each marked message is copied before its DELE, one at a time: whole, or its header
// alone when LIST says it is larger than the keeper takes. A copy the keeper refuses
// skips that DELE; a message that streams past the keeper's size ends the session.
TEST(Pop3Pipeline, EachMarkedMessageIsKeptBeforeItsDele)
{
    const QByteArray body = "Hello\r\n.hidden dot\r\n..two\r\n.\r\nend\r\n" +
                            QByteArray(1000, 'b').append("\r\n").repeated(1200);
    const QString refused = u" は控えを保存できなかったため削除しませんでした"_qs,
                  headerOnly = u" は1MBを超えるためヘッダのみ控えに保存しました"_qs;
    enum Kept { None, Header, Whole };
    // clang-format off
    const struct { const char* name; QByteArray refuse; int capMiB; QByteArray list; QStringList sentAfterTop4; std::vector<int> deleted; Kept kept2; QString line2; } rows[] = {
        {"kept whole", {}, 10, {}, {"RETR 2", "DELE 2", "RETR 4", "DELE 4", "QUIT "}, {2, 4}, Whole, u" を削除しました"_qs},
        {"begin refused", "begin", 10, {}, {"RETR 4", "DELE 4", "QUIT "}, {4}, None, refused},
        {"append refused", "append", 10, {}, {"RETR 2", "RETR 4", "DELE 4", "QUIT "}, {4}, None, refused},
        {"commit refused", "commit", 10, {}, {"RETR 2", "RETR 4", "DELE 4", "QUIT "}, {4}, None, refused},
        {"over the cap: the header alone", {}, 1, {}, {"TOP 2 0", "DELE 2", "RETR 4", "DELE 4", "QUIT "}, {2, 4}, Header, headerOnly},
        {"a LIST line without a size is passed over", {}, 1, "+OK\r\n2 2000000\r\n2 x\r\n.\r\n", {"TOP 2 0", "DELE 2", "RETR 4", "DELE 4", "QUIT "}, {2, 4}, Header, headerOnly},
        {"a LIST that understates the size: the copy streams past the cap", {}, 1, "+OK\r\n2 100\r\n4 100\r\n.\r\n", {"RETR 2"}, {}, None, u" は削除されませんでした（サーバに残っています）"_qs},
    };
    // clang-format on
    for (const auto& row : rows) {
        for (const bool pipelining : {false, true}) {
            SCOPED_TRACE(row.name + std::string(pipelining ? ", pipelined" : ", sequential"));
            ScriptedMailbox mailbox = AppHarness::mailbox(4, {2, 4});
            mailbox.bodies = {{}, body, {}, "x\r\n"};
            if (!row.list.isEmpty())
                mailbox.faults = {{"LIST", 1, FaultKind::Replace, row.list}};
            RecordingKeeper keeper(row.refuse, row.capMiB << 20);
            const Outcome got = run(mailbox, pipelining, &keeper);
            EXPECT_EQ(got.deleted, row.deleted);
            // A pipelined run asks STAT again first.
            EXPECT_EQ(got.lines.mid(got.lines.indexOf(u"TOP 4 0"_qs) + 1),
                      (pipelining ? QStringList{u"STAT "_qs} : QStringList()) + row.sentAfterTop4);
            const QByteArray header2 = mailbox.headers[1] + "\r\n";
            EXPECT_EQ(keeper.committed.value(2).first, row.kept2 == Whole    ? header2 + body
                                                       : row.kept2 == Header ? header2
                                                                             : "");
            EXPECT_EQ(keeper.discards, row.kept2 == None ? 1 : 0);
            if (row.deleted.size() == 2)
                EXPECT_EQ(keeper.committed[4],
                          std::pair(mailbox.headers[3] + "\r\nx\r\n", u"RETR 4"_qs));
            EXPECT_TRUE(got.log.contains(u"タイトル:SPAM 2 差出人:a@example.com"_qs + row.line2));
            EXPECT_EQ(got.log.last().endsWith(u"（一覧の大きさを超えるメール）"_qs),
                      row.deleted.empty());
            const platform::KeptMessageInfo& info = keeper.infos.front();
            EXPECT_EQ(QStringList({info.server, info.account, info.subject, info.from}),
                      QStringList({"pop.example", "alice", "SPAM 2", "a@example.com"}));
            EXPECT_EQ(info.number, 2);
            EXPECT_EQ(info.headerOnly, row.kept2 == Header);
            if (row.list.isEmpty())
                EXPECT_EQ(info.listedSize, header2.size() + 98 + body.size());
        }
    }
}

} // namespace
