#include "settings/ActivityLog.h"

#include "support/Files.h"
#include "support/VirtualEventLoop.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct ActivityLogTest : ::testing::Test
{
    TempDir dir;
    platform::VirtualEventLoop clock{QDateTime(QDate(2005, 3, 14), QTime(9, 5, 7))};
    ActivityLog log{dir.file("PostSweep.log"), clock};
    void SetUp() override { log.setLocale(QLocale::c()); }
};

} // namespace

TEST_F(ActivityLogTest, StampedBareAndEmptyLinesAreCodePage932WithCrLf)
{
    log.writeStamped(u"  実行を開始しました"_qs);
    log.WriteLogLine(u"1000  件のメールがあります"_qs);
    log.WriteLogLine(QString());
    log.writeStamped(u"　サーバ"_qs);
    EXPECT_EQ(readFile(log.path()),
              "2005/03/14 9:05:07  \x8E\xC0\x8D\x73\x82\xF0\x8A\x4A\x8E\x6E\x82\xB5\x82\xDC\x82\xB5"
              "\x82\xBD\r\n1000  \x8C\x8F\x82\xCC\x83\x81\x81\x5B\x83\x8B\x82\xAA\x82\xA0\x82\xE8"
              "\x82\xDC\x82\xB7\r\n\r\n2005/03/14 9:05:07\x81\x40\x83\x54\x81\x5B\x83\x6F\r\n"_qba);
}

// Clearing leaves an empty file, a missing one included; characters without a code in
// code page 932 are left out and the rest of the line is written.
TEST_F(ActivityLogTest, ClearingEmptiesTheFileAndLaterLinesStartAfresh)
{
    log.ClearLog();
    EXPECT_TRUE(QFile::exists(log.path()));
    log.WriteLogLine(u"old line"_qs);
    log.ClearLog();
    EXPECT_EQ(readFile(log.path()), QByteArray());
    log.WriteLogLine(u"a\U0001F600b～"_qs);
    EXPECT_EQ(readFile(log.path()), QByteArray("ab\x81\x60\r\n"));
}

TEST_F(ActivityLogTest, LinesCannotBeForgedOrCutAndTheFileIsOwnerOnly)
{
    const mode_t savedMask = umask(022);
    log.writeLines({u"-ERR a\r\n2005/03/14 9:05:07 forged\tx\x7f"_qs});
    const int createdMode = fileMode(log.path());
    chmod(log.path().toLocal8Bit().constData(), 0644);
    withFileSizeLimit(64 * 1024, [this] { log.WriteLogLine(QString(70000, u'x')); });
    umask(savedMask);
    EXPECT_EQ(readFile(log.path()), QByteArray("-ERR a  2005/03/14 9:05:07 forged x \r\n"));
    EXPECT_EQ(createdMode, 0600);
    EXPECT_EQ(fileMode(log.path()), 0600) << "tightened by the next append";
}

TEST(ActivityLogShown, SubjectsAndSendersAreCutAtAThousandCharactersAndMarked)
{
    const QString marker = u"…（以下省略）"_qs;
    EXPECT_EQ(ActivityLog::shown(QString(1000, u'a')), QString(1000, u'a'));
    EXPECT_EQ(ActivityLog::shown(QString(1001, u'a')), QString(1000, u'a') + marker);
    // A character outside the BMP is not cut in half.
    EXPECT_EQ(ActivityLog::shown(QString(999, u'a') + u"\U0001F600b"_qs),
              QString(999, u'a') + marker);
}

TEST(ActivityLogUnwritable, LineIsSkippedWithoutDisturbingTheCaller)
{
    TempDir dir;
    platform::VirtualEventLoop clock;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"PostSweep.log"_qs));
    const ActivityLog log(dir.file(u"PostSweep.log"_qs), clock);
    log.writeStamped(u"  実行を開始しました"_qs);
    log.writeLines({u"a"_qs, u"b"_qs});
    log.ClearLog();
    EXPECT_TRUE(QFileInfo(log.path()).isDir());
}

TEST(ActivityLogStamp, FollowsTheRegionalSettingsWithSecondsAdded)
{
    const QDateTime morning(QDate(2005, 3, 14), QTime(9, 5, 7));
    const std::pair<QLocale::Language, QString> rows[] = {
        {QLocale::Japanese, u"2005/03/14 9:05:07"_qs},
        {QLocale::German, u"14.03.05 09:05:07"_qs},
        {QLocale::Finnish, u"14.3.2005 9.05.07"_qs},
    };
    for (const auto& [language, expected] : rows)
        EXPECT_EQ(ActivityLog::stamp(morning, QLocale(language)), expected);
}
