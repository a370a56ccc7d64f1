#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "rules/DeletionRules.h"
#include "settings/ActivityLog.h"
#include "support/TempDir.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kStart = QStringLiteral("  削除メールを指定条件で検索しています");
const QString kEnd = QStringLiteral("  削除メールを指定条件で検索・削除を終了しました");

class RecordingMonitor : public CommandMonitor
{
public:
    QStringList events;
    void appendTranscript(const QString& text) override { events << "transcript:" + text; }
    void setStatus(const QString& text) override { events << "status:" + text; }
    void showMonitor() override { events << "show"; }
    void hideMonitor() override { events << "hide"; }
};

class EvaluateDeletionRulesTest : public testing::Test
{
protected:
    TempDir dir;
    platform::VirtualEventLoop clock{QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7))};
    ActivityLog log{dir.file("PostSweep.log"), clock};
    RecordingMonitor monitor;
    HeaderStore store;
    qint16 busy = 0;

    void put(int n, const QString& subject, const QString& from, const QString& to = {},
             const QString& cc = {})
    {
        store.MailSubject(n) = subject;
        store.MailFrom(n) = from;
        store.MailTo(n) = to;
        store.MailCc(n) = cc;
    }

    void evaluate(const RuleSet& rules) { EvaluateDeletionRules(rules, store, log, monitor, busy); }

    std::vector<int> eraseList() const
    {
        std::vector<int> numbers;
        for (int i = 0; i < store.MaxEraseNo; ++i)
            numbers.push_back(store.EraseList(i));
        return numbers;
    }

    QByteArray logBytes() const
    {
        QFile file(log.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The log as lines of code page 932, each ended by CR LF.
    QByteArray expectedLog(const QStringList& lines) const
    {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += platform::encodeCp932(line).bytes + "\r\n";
        return bytes;
    }

    QString stamp() const { return ActivityLog::stamp(clock.now()); }
};

} // namespace

TEST_F(EvaluateDeletionRulesTest, LogsStartEachMarkedMessageAndEnd)
{
    put(1, "Cheap watches", "spam@x.example", "taro@example.com");
    put(2, "会議の件", "boss@example.com", "taro@example.com");
    put(3, "未承諾広告※", "出会い <ad@y.example>", "taro@example.com");
    store.MaxMail = 3;

    evaluate(RuleSet{.RuleNoJapanese = 1, .RuleUnsolicited = 1});

    EXPECT_EQ(eraseList(), (std::vector<int>{1, 3}));
    EXPECT_EQ(store.MaxEraseNo, 2);
    EXPECT_EQ(logBytes(), expectedLog({
                              stamp() + kStart,
                              "タイトル:Cheap watches 差出人:spam@x.example を削除しました",
                              "タイトル:未承諾広告※ 差出人:出会い <ad@y.example> を削除しました",
                              stamp() + kEnd,
                          }));
    EXPECT_EQ(monitor.events, QStringList({"show", "status:削除メールをチェック中", "hide"}));
    EXPECT_EQ(busy, 0);
}

TEST_F(EvaluateDeletionRulesTest, MarkedLineIsWrittenInCodePage932)
{
    put(1, "Hi", "a");
    store.MaxMail = 1;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    // "タイトル:Hi 差出人:a を削除しました" in Shift_JIS, then CR LF.
    const QByteArray line = QByteArray::fromHex("835e83438367838b3a486920"
                                                "8db78f6f906c3a6120"
                                                "82f08ded8f9c82b582dc82b582bd0d0a");
    const QByteArray bytes = logBytes();
    const QByteArray startLine = platform::encodeCp932(stamp() + kStart).bytes + "\r\n";
    ASSERT_TRUE(bytes.startsWith(startLine));
    EXPECT_EQ(bytes.mid(startLine.size(), line.size()), line);
}

TEST_F(EvaluateDeletionRulesTest, MessageMatchedBySeveralRulesIsListedAndLoggedOnce)
{
    put(1, "未承諾 FREE offer", "spam@x.example", "someone@else.example");
    store.MaxMail = 1;
    RuleSet rules{.RuleNoJapanese = 1,
                  .RuleUnsolicited = 1,
                  .MyAddress = "taro@example.com",
                  .RuleNotToMe = 1,
                  .RuleSubjectWords = 1,
                  .SubjectWords = {"FREE", "offer"},
                  .RuleSenderWords = 1,
                  .SenderWords = {"spam", "x.example"}};

    evaluate(rules);

    EXPECT_EQ(eraseList(), (std::vector<int>{1}));
    EXPECT_EQ(logBytes(),
              expectedLog({stamp() + kStart,
                           "タイトル:未承諾 FREE offer 差出人:spam@x.example を削除しました",
                           stamp() + kEnd}));
}

TEST_F(EvaluateDeletionRulesTest, NoMessagesGivesStartThenEndLine)
{
    store.MaxEraseNo = 5; // left by the previous server
    put(1, "Stale spam", "spam@x.example");
    store.MaxMail = 0;
    busy = -1;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    EXPECT_EQ(store.MaxEraseNo, 0);
    EXPECT_EQ(logBytes(), expectedLog({stamp() + kStart, stamp() + kEnd}));
    EXPECT_EQ(monitor.events, QStringList({"show", "status:削除メールをチェック中", "hide"}));
    EXPECT_EQ(busy, 0);
}

TEST_F(EvaluateDeletionRulesTest, EmptySubjectIsNeverListed)
{
    put(1, "", "spam@x.example");
    put(2, "x", "spam@x.example");
    store.MaxMail = 2;

    evaluate(RuleSet{.RuleNoJapanese = 1, .RuleSenderWords = 1, .SenderWords = {"spam"}});

    EXPECT_EQ(eraseList(), (std::vector<int>{2}));
}

TEST_F(EvaluateDeletionRulesTest, EmptySenderIsLoggedAsNothingBetweenTheLabels)
{
    put(1, "Hello", "");
    store.MaxMail = 1;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    EXPECT_EQ(logBytes(), expectedLog({stamp() + kStart, "タイトル:Hello 差出人: を削除しました",
                                       stamp() + kEnd}));
}

TEST_F(EvaluateDeletionRulesTest, LineBreaksInAValueDoNotSplitTheLogLine)
{
    put(1, "Win\r\n2026/03/14 9:05:07  forged", "a\nb");
    store.MaxMail = 1;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    EXPECT_EQ(logBytes(),
              expectedLog({stamp() + kStart,
                           "タイトル:Win  2026/03/14 9:05:07  forged 差出人:a b を削除しました",
                           stamp() + kEnd}));
}

TEST_F(EvaluateDeletionRulesTest, FullMailboxIsListedInAscendingOrder)
{
    for (int n = 1; n <= 1000; ++n)
        put(n, n % 2 ? "odd" : "偶数", "x");
    store.MaxMail = 1000;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    ASSERT_EQ(store.MaxEraseNo, 500);
    EXPECT_EQ(store.EraseList(0), 1);
    EXPECT_EQ(store.EraseList(1), 3);
    EXPECT_EQ(store.EraseList(499), 999);
    const auto list = eraseList();
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

TEST_F(EvaluateDeletionRulesTest, CountBeyondTheStoreIsCappedAtItsLastMessage)
{
    for (int n = 1; n <= 1001; ++n)
        put(n, "spam", "x");
    store.MaxMail = 32767;

    evaluate(RuleSet{.RuleNoJapanese = 1});

    EXPECT_EQ(store.MaxEraseNo, 1000);
    EXPECT_EQ(store.EraseList(999), 1000);
    EXPECT_EQ(busy, 0);
}
