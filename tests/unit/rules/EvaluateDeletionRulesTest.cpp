#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "pop3/HeaderStore.h"
#include "rules/DeletionRules.h"
#include "settings/ActivityLog.h"
#include "support/Files.h"
#include "support/RecordingMonitor.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kStart = QStringLiteral("  削除メールを指定条件で検索しています");
const QString kEnd = QStringLiteral("  削除メールを指定条件で検索・削除を終了しました");

struct Message
{
    QString subject;
    QString from;
    QString to;
};

// The store after a server's headers, the log and the monitor, at 2026/03/14 9:05:07.
struct Evaluation
{
    TempDir dir;
    platform::VirtualEventLoop clock{QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7))};
    ActivityLog log{dir.file("PostSweep.log"), clock};
    RecordingMonitor monitor;
    HeaderStore store;
    qint16 busy = 0;

    void put(int n, const Message& m)
    {
        store.MailSubject(n) = m.subject;
        store.MailFrom(n) = m.from;
        store.MailTo(n) = m.to;
    }
    void evaluate(const RuleSet& rules) { EvaluateDeletionRules(rules, store, log, monitor, busy); }
    std::vector<int> eraseList() const
    {
        std::vector<int> numbers;
        for (int i = 0; i < store.MaxEraseNo; ++i)
            numbers.push_back(store.EraseList(i));
        return numbers;
    }
    QString stamp() const { return ActivityLog::stamp(clock.now()); }
};

TEST(EvaluateDeletionRules, ListsAndLogsEachMarkedMessageOnceBetweenStartAndEnd)
{
    const struct
    {
        const char* name;
        RuleSet rules;
        std::vector<Message> messages;
        std::vector<int> erased;
        QStringList lines; // logged between the start and the end
    } rows[] = {
        {"two of three",
         {.RuleNoJapanese = 1, .RuleUnsolicited = 1},
         {{"Cheap watches", "spam@x.example", "taro@example.com"},
          {"会議の件", "boss@example.com", "taro@example.com"},
          {"未承諾広告※", "出会い <ad@y.example>", "taro@example.com"}},
         {1, 3},
         {"タイトル:Cheap watches 差出人:spam@x.example を削除しました",
          "タイトル:未承諾広告※ 差出人:出会い <ad@y.example> を削除しました"}},
        {"empty sender",
         {.RuleNoJapanese = 1},
         {{"Hello", ""}},
         {1},
         {"タイトル:Hello 差出人: を削除しました"}},
        {"line breaks in the values do not split the line",
         {.RuleNoJapanese = 1},
         {{"Win\r\n2026/03/14 9:05:07  forged", "a\nb"}},
         {1},
         {"タイトル:Win  2026/03/14 9:05:07  forged 差出人:a b を削除しました"}},
        {"no messages", {.RuleNoJapanese = 1}, {}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Evaluation e;
        for (int n = 1; n <= int(row.messages.size()); ++n)
            e.put(n, row.messages[n - 1]);
        e.store.MaxMail = qint16(row.messages.size());
        // What the previous server left: a marked message beyond MaxMail, a longer list.
        e.put(e.store.MaxMail + 1, {"Stale spam", "spam@x.example"});
        e.store.MaxEraseNo = 5;
        e.busy = -1;

        e.evaluate(row.rules);

        EXPECT_EQ(e.eraseList(), row.erased);
        EXPECT_EQ(logLines(e.log.path()),
                  QStringList{e.stamp() + kStart} + row.lines + QStringList{e.stamp() + kEnd});
        EXPECT_EQ(e.monitor.shown, 1);
        EXPECT_EQ(e.monitor.statuses, QStringList{"削除メールをチェック中"});
        EXPECT_FALSE(e.monitor.visible);
        EXPECT_EQ(e.busy, 0);
    }
}

TEST(EvaluateDeletionRules, CountBeyondTheStoreIsCappedAtItsLastMessage)
{
    Evaluation e;
    for (int n = 1; n <= 1001; ++n)
        e.put(n, {"spam", "x"});
    e.store.MaxMail = 32767;

    e.evaluate(RuleSet{.RuleNoJapanese = 1});

    EXPECT_EQ(e.store.MaxEraseNo, 1000);
    EXPECT_EQ(e.store.EraseList(999), 1000);
    EXPECT_EQ(e.busy, 0);
}

} // namespace
