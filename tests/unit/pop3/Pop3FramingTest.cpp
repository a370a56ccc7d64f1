// Replies however TCP cuts or joins them: the same dialogue, the same deletions.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

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

TEST(Pop3Framing, EveryReplySplitAtEveryBytePositionGivesTheSameDialogue)
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
