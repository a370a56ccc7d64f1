// Commands sent ahead of their replies where PIPELINING is offered; a copy kept before each DELE.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

// Records what it is given, and the last line the client had sent at each commit.
struct RecordingKeeper final : platform::MessageKeeper
{
    explicit RecordingKeeper(AppHarness& h, QByteArray refusing = {}, qint64 cap = 1 << 20)
        : server(h.server), refuse(refusing), max(cap)
    {
        h.target.keeper = this;
    }
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
        committed[infos.back().number] = {current, server.clientLines().last()};
        return true;
    }
    void discard() override { ++discards; }
    bool refuses(const char* step) const { return refuse == step && infos.back().number == 2; }

    const ScriptedTcpClient& server;
    QByteArray refuse; // "begin", "append" or "commit" of message 2
    qint64 max;
    std::vector<platform::KeptMessageInfo> infos;
    QByteArray current;
    QMap<int, std::pair<QByteArray, QString>> committed; // and the last line sent
    int discards = 0;
};

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
    AppHarness sequential;
    sequential.run(mailbox);
    ASSERT_EQ(sequential.server.deleted(), std::vector<int>({2, 33, 34, 35, 64, 65, 69, 70}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedMailbox offered = mailbox;
        offered.capabilities = row.capabilities;
        for (int reply = 0; reply < 200; ++reply)
            for (qsizetype cut = 1; cut < 100; ++cut)
                offered.splits[reply].push_back(cut);
        AppHarness h;
        h.target.pipelining = row.allowed;
        h.run(offered);
        const QStringList lines = h.server.clientLines();
        EXPECT_EQ(h.server.deleted(), sequential.server.deleted());
        EXPECT_EQ(h.logLines(), sequential.logLines());
        EXPECT_EQ(h.server.maxInFlight(), row.window);
        EXPECT_EQ(lines.contains(u"CAPA"_qs), row.allowed);
        QMap<qsizetype, int> writeAt; // first line of a write -> its lines
        for (qsizetype line = 0; const int count : h.server.linesPerWrite()) {
            writeAt[line] = count;
            line += count;
        }
        EXPECT_EQ(writeAt[lines.indexOf(u"TOP 1 0"_qs)], row.window);
        EXPECT_EQ(writeAt[lines.indexOf(u"DELE 2"_qs)], std::min(row.window, 8)); // 8 marked
    }
}

// A late copy of a reply sent twice moves every later header onto the next message; the
// STAT asked again before any DELE then gets a TOP's status line, and no DELE goes out.
TEST(Pop3Pipeline, ARecountOutOfStepStopsTheSessionBeforeAnyDele)
{
    const QByteArray top3 = "+OK\r\n" + AppHarness::header("SPAM 3") + "\r\n.\r\n";
    AppHarness h;
    h.target.pipelining = true;
    h.run(AppHarness::mailbox(10, {2, 3, 7},
                              {{"TOP", 3, FaultKind::Replace, top3 + top3},
                               {"TOP", 10, FaultKind::Silence},
                               {"STAT", 2, FaultKind::Replace, "+OK\r\n"}})); // the late TOP's
    const QStringList lines = h.server.clientLines(), log = h.logLines();
    EXPECT_EQ(lines.last(), "STAT ");
    EXPECT_TRUE(lines.filter(u"DELE"_qs).isEmpty()) << lines.join('\n').toStdString();
    EXPECT_TRUE(log.last().endsWith(u"（応答の順序の乱れ）"_qs)) << log.join('\n').toStdString();
}

// A copy still streaming in is progress: the watchdog counts from its last part.
TEST(Pop3Pipeline, WatchdogCountsFromTheLastPartOfACopy)
{
    AppHarness h;
    RecordingKeeper keeper(h);
    h.run(AppHarness::mailbox(3, {2, 3}, {{"RETR", 2, FaultKind::Silence}}));
    ASSERT_EQ(h.server.clientLines().last(), "RETR 3");
    h.loop.advance(29999ms);
    h.server.serverSends("+OK\r\nSubject: SPAM 3\r\n"); // the copy's first part
    h.loop.advance(29999ms);
    EXPECT_FALSE(h.ended());
    h.loop.advance(1ms);
    EXPECT_TRUE(h.ended());
    EXPECT_TRUE(h.logLines().last().endsWith(u"サーバデータ転送タイムアウトエラー"_qs));
    EXPECT_TRUE(keeper.committed.size() == 1 && keeper.discards == 1);
}

// Whole, or the header alone when LIST says the message is larger than the keeper takes; a
// refused copy skips its DELE, one streaming past the keeper's size ends the session.
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
            AppHarness h;
            RecordingKeeper keeper(h, row.refuse, row.capMiB << 20);
            h.target.pipelining = pipelining;
            h.run(mailbox);
            EXPECT_TRUE(h.ended());
            const QStringList lines = h.server.clientLines(), log = h.logLines();
            EXPECT_EQ(h.server.deleted(), row.deleted);
            EXPECT_EQ(lines.mid(lines.indexOf(u"TOP 4 0"_qs) + 1),
                      (pipelining ? QStringList{u"STAT "_qs} : QStringList()) + row.sentAfterTop4);
            const QByteArray header2 = mailbox.headers[1] + "\r\n";
            EXPECT_EQ(keeper.committed.value(2).first, row.kept2 == Whole    ? header2 + body
                                                       : row.kept2 == Header ? header2
                                                                             : "");
            EXPECT_EQ(keeper.discards, row.kept2 == None ? 1 : 0);
            if (row.deleted.size() == 2)
                EXPECT_EQ(keeper.committed[4],
                          std::pair(mailbox.headers[3] + "\r\nx\r\n", u"RETR 4"_qs));
            EXPECT_TRUE(log.contains(u"タイトル:SPAM 2 差出人:a@example.com"_qs + row.line2));
            EXPECT_EQ(log.last().endsWith(u"（一覧の大きさを超えるメール）"_qs),
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
