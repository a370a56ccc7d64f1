// Replies however TCP cuts or joins them: the same dialogue, the same deletions.

#include "support/AppHarness.h"

#include <gtest/gtest.h>

namespace {

// The client lines, deletions, log, monitor and error flag of one session.
using Outcome = std::tuple<QStringList, std::vector<int>, QStringList, QString, qint16, bool>;

Outcome run(std::map<int, std::vector<qsizetype>> splits,
            std::vector<QByteArray>* replies = nullptr)
{
    AppHarness h;
    h.run({.headers = {AppHarness::header("Lunch") + "-ERR inside a header is content\r\n",
                       "Subject: SPAM =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=.\r\n"
                       "From: x@example.com\r\n",
                       "From: y@example.com\r\nSubject: \x82\xa8\x92\x83.\r\n"},
           .splits = std::move(splits)});
    if (replies)
        *replies = h.server.replies();
    return {h.server.clientLines(),
            h.server.deleted(),
            h.logLines(),
            h.monitor.transcript,
            h.session.variables().Pop3ErrorFlag,
            h.ended()};
}

TEST(Pop3Framing, EveryReplySplitAtEveryBytePositionGivesTheSameDialogue)
{
    std::vector<QByteArray> replies;
    const Outcome whole = run({}, &replies);
    ASSERT_EQ(std::get<1>(whole), std::vector<int>({2}));
    ASSERT_EQ(std::get<2>(whole).at(5),
              "タイトル:SPAM こんにちは. 差出人:x@example.com を削除しました");
    ASSERT_EQ(std::get<3>(whole).count(u"Subject: お茶.\r\n"_qs), 1);
    ASSERT_EQ(replies.size(), 10u); // greeting, USER, PASS, STAT, LIST, TOP x3, DELE, QUIT

    for (int reply = 0; reply < int(replies.size()); ++reply) {
        std::vector<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < replies[reply].size(); ++cut) {
            SCOPED_TRACE(u"reply %1 cut at %2"_qs.arg(reply).arg(cut).toStdString());
            EXPECT_EQ(run({{reply, {cut}}}), whole);
            everyByte.push_back(cut);
        }
        SCOPED_TRACE(u"reply %1 byte by byte"_qs.arg(reply).toStdString());
        EXPECT_EQ(run({{reply, everyByte}}), whole);
    }
}

} // namespace
