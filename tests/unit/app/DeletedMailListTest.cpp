#include "app/control/DeletedMailList.h"

#include "AppFixture.h"
#include "archive/DeletedMailArchive.h"

#include <QFile>

namespace {

struct DeletedMailListTest : ::testing::Test
{
    TempDir dir;
    platform::VirtualEventLoop clock{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2))};
    archive::DeletedMailArchive archive{dir.path(), clock};
    RecordingShell<MonitorShell> shell;
    void keep(const QString& subject, const QByteArray& bytes, bool headerOnly = false)
    {
        const platform::KeptMessageInfo info{.server = u"pop.example.jp"_qs,
                                             .number = 1,
                                             .subject = subject,
                                             .from = u"ad@x.example"_qs,
                                             .rule = u"未承諾"_qs,
                                             .headerOnly = headerOnly};
        ASSERT_TRUE(archive.begin(info) && archive.append(bytes) && archive.commit());
        clock.advance(1s);
    }
};

TEST_F(DeletedMailListTest, ListsCopiesNewestFirstAndOpensThemThroughTheDesktop)
{
    keep(u"older"_qs, "Subject: older\r\nX-A: 1\r\n\r\nbody\r\n\r\nmore\r\n");
    keep(u"newer"_qs, "Subject: newer\r\n\r\n", true);
    DeletedMailList list(archive, shell);
    ASSERT_EQ(list.rowCount(), 2);
    QStringList newest;
    for (int column = 0; column < DeletedMailList::ColumnCount; ++column)
        newest << list.data(list.index(0, column)).toString();
    EXPECT_EQ(newest, (QStringList{u"2026/12/07 10:15:03"_qs, u"pop.example.jp"_qs,
                                   u"newer（ヘッダのみ）"_qs, u"ad@x.example"_qs, u"未承諾"_qs}));
    EXPECT_EQ(list.header(1), u"Subject: older\nX-A: 1\n"_qs);
    list.open(1);
    list.openFolder();
    EXPECT_EQ(shell.calls, (QStringList{u"open "_qs + archive.filePath(archive.entries()[1]),
                                        u"open "_qs + archive.folder()}));
}

TEST_F(DeletedMailListTest, ACopyThatIsGoneOrThatNothingOpensIsReported)
{
    keep(u"gone"_qs, "Subject: gone\r\n\r\n");
    keep(u"here"_qs, "Subject: here\r\n\r\n");
    DeletedMailList list(archive, shell);
    ASSERT_TRUE(QFile::remove(archive.filePath(archive.entries()[1])));
    shell.opens = false;
    list.open(1);
    EXPECT_EQ(list.header(1), std::nullopt);
    list.open(0);
    ASSERT_EQ(shell.calls.size(), 4);
    EXPECT_EQ(shell.calls.filter(u"warn 控えのファイル"_qs).size(), 2); // from open and header
    EXPECT_TRUE(shell.calls[2].startsWith(u"open "_qs));
    EXPECT_TRUE(shell.calls[3].startsWith(u"warn "_qs));
}

} // namespace
