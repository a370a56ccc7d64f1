#include "archive/DeletedMailArchive.h"

#include "core/KeptCopies.h"
#include "support/AppHarness.h"
#include "support/Files.h"

#include <QDir>
#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

using archive::DeletedMailArchive;
using namespace std::chrono_literals;

const QByteArray kMessage = "Subject: Cheap\r\nFrom: ad@x.example\r\n\r\n.body\r\n\0\xff\r\n"_qba;

platform::KeptMessageInfo info(QString subject = u"Cheap"_qs, qint16 number = 12,
                               QString server = u"pop.example.jp"_qs)
{
    return {server, u"taro"_qs, number, -1, subject, u"ad@x.example"_qs, u"英文のみ"_qs};
}

bool keep(DeletedMailArchive& archive, const platform::KeptMessageInfo& what = info(),
          const QByteArray& bytes = kMessage)
{
    return archive.begin(what) && archive.append(bytes.first(5)) &&
           archive.append(bytes.sliced(5)) && archive.commit();
}

// Every file under the folder, relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

struct DeletedMailArchiveTest : ::testing::Test
{
    TempDir dir;
    platform::VirtualEventLoop clock{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2, 345))};
    DeletedMailArchive archive{dir.path(), clock};
};

TEST_F(DeletedMailArchiveTest, KeptCopyIsTheMessageByteForByteOwnerOnlyAndListedOnOneLine)
{
    ASSERT_TRUE(keep(archive));
    // The same number on the same server in the same second: a name of its own; values
    // with tabs and line breaks cannot split the index line.
    ASSERT_TRUE(keep(archive, info(u"a\tb\r\nc\u2028d"_qs)));
    clock.advance(60s);
    ASSERT_TRUE(keep(archive, info(u"Later"_qs, 3, u"../AZ-09.az/"_qs))); // a name of a file
    const QString first = u"2026-12/20261207-101502-pop.example.jp-12.eml"_qs;
    EXPECT_EQ(filesUnder(archive.folder()),
              (QStringList{u"2026-12/20261207-101502-pop.example.jp-12-2.eml"_qs, first,
                           u"2026-12/20261207-101602-_AZ-09.az_-3.eml"_qs, u"index.tsv"_qs}));
    EXPECT_EQ(readFile(archive.folder() + u'/' + first), kMessage);
    for (const QString& path : {archive.folder() + u'/' + first, archive.indexPath()})
        EXPECT_EQ(fileMode(path), 0600);
    for (const QString& path : {archive.folder(), archive.folder() + u"/2026-12"_qs})
        EXPECT_EQ(fileMode(path), 0700);
    EXPECT_EQ(readFile(archive.indexPath()).count('\n'), 3);
    const QList<archive::ArchiveEntry> entries = archive.entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ((QStringList{entries[0].subject, entries[1].subject}),
              (QStringList{u"Later"_qs, u"a b  c d"_qs})); // newest first
    EXPECT_EQ(entries[2],
              (archive::ArchiveEntry{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2)),
                                     u"pop.example.jp"_qs, u"taro"_qs, u"Cheap"_qs,
                                     u"ad@x.example"_qs, u"英文のみ"_qs, false, first}));
}

TEST_F(DeletedMailArchiveTest, CopyThatCannotBeKeptLeavesNothingBehind)
{
    // A folder ("x/") or a file put in the way first, then what is done.
    // clang-format off
    const struct { const char* name; const char* blocker; std::function<bool(DeletedMailArchive&)> act = [](auto& a) { return keep(a); }; } rows[] = {
        {"the index cannot be written", "index.tsv/"},
        {"a file where the month folder belongs", "2026-12"},
        {"one octet beyond the cap and its slack", "", [](auto& a) { a.setMaxMessageBytes(100); return keep(a, info(), QByteArray(100 + DeletedMailArchive::kSlackBytes + 1, 'x')); }},
        {"a full disk", "", [](auto& a) { bool kept = true; withFileSizeLimit(1000, [&] { kept = keep(a, info(), QByteArray(5000, 'x')); }); return kept; }},
        {"discarded", "", [](auto& a) { return a.begin(info()) && a.append(kMessage) && (a.discard(), a.commit()); }},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir here;
        DeletedMailArchive archive(here.path(), clock);
        const QString blocker = archive.folder() + u'/' + QString::fromUtf8(row.blocker);
        if (*row.blocker) {
            ASSERT_TRUE(
                QDir().mkpath(archive.folder()) &&
                (blocker.endsWith(u'/') ? QDir().mkpath(blocker) : writeFile(blocker, "x")));
        }
        const QStringList before = filesUnder(archive.folder());
        EXPECT_FALSE(row.act(archive));
        EXPECT_EQ(filesUnder(archive.folder()), before);
        EXPECT_TRUE(archive.entries().isEmpty());
    }
}

TEST(DeletedMailArchive, RetentionRemovesOnlyCopiesOlderThanItsDaysByTheIndexDate)
{
    TempDir dir;
    platform::VirtualEventLoop clock(QDateTime(QDate(2026, 10, 31), QTime(9, 0)));
    DeletedMailArchive archive(dir.path(), clock);
    ASSERT_TRUE(keep(archive, info(u"old"_qs)));
    clock.advance(7 * 24h + 1h);
    ASSERT_TRUE(keep(archive, info(u"just kept"_qs)));
    ASSERT_TRUE(writeFile(dir.file(u"PostSweep.ini"_qs), "settings"));
    // A forged line pointing outside the folder is neither listed nor followed.
    ASSERT_TRUE(
        writeFile(archive.indexPath(),
                  readFile(archive.indexPath()) +
                      "2000-01-01T00:00:00\ts\ta\tx\ty\tz\t0\t2026-10/../../PostSweep.ini\n"));
    ASSERT_TRUE(writeFile(archive.folder() + u"/2026-11/cut-short.eml.part"_qs, "half"));
    clock.advance(30 * 24h - 30min);
    EXPECT_EQ(archive.removeExpired(30), 1);
    EXPECT_EQ(filesUnder(archive.folder()),
              (QStringList{u"2026-11/20261107-100000-pop.example.jp-12.eml"_qs, u"index.tsv"_qs}));
    ASSERT_EQ(archive.entries().size(), 1);
    EXPECT_EQ(archive.entries()[0].subject, u"just kept"_qs);
    EXPECT_EQ(readFile(dir.file(u"PostSweep.ini"_qs)), "settings");
    EXPECT_TRUE(readFile(archive.indexPath()).contains("PostSweep.ini")); // kept as it was
    EXPECT_EQ(fileMode(archive.indexPath()), 0600);
}

TEST(KeptCopiesAtStartUp, TakeTheCapAndRemoveExpiredCopiesWithOneLogLine)
{
    AppHarness h;
    ASSERT_TRUE(keep(h.ctx.archive));
    h.loop.advance(31 * 24h);
    startKeptCopies(h.ctx, {.retentionDays = 30, .maxSizeMB = 2});
    EXPECT_EQ(h.ctx.archive.maxMessageBytes(), 2 * 1024 * 1024);
    EXPECT_EQ(h.logLines(), QStringList(u"2026/02/05 9:00:00  保存期間（30 日）を過ぎた"
                                        u"削除メールの控え 1 件を削除しました"_qs));
}

} // namespace
