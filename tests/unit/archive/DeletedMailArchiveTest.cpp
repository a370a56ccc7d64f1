#include "archive/DeletedMailArchive.h"

#include "core/KeptCopies.h"
#include "support/AppHarness.h"
#include "support/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using archive::DeletedMailArchive;

struct SetClock : platform::Clock
{
    QDateTime time = QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2, 345));
    QDateTime now() const override { return time; }
};

const QByteArray kMessage = "Subject: Cheap\r\nFrom: ad@x.example\r\n\r\n.body\r\n\0\xff\r\n"_qba;

platform::KeptMessageInfo info(QString subject = u"Cheap"_qs, qint16 number = 12)
{
    return {.server = u"pop.example.jp"_qs,
            .account = u"taro"_qs,
            .number = number,
            .subject = std::move(subject),
            .from = u"ad@x.example"_qs,
            .rule = u"英文のみ"_qs};
}

bool keep(DeletedMailArchive& archive, const platform::KeptMessageInfo& what,
          const QByteArray& bytes = kMessage)
{
    return archive.begin(what) && archive.append(bytes.first(5)) &&
           archive.append(bytes.sliced(5)) && archive.commit();
}

// Every file under the folder, relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

TEST(DeletedMailArchive, KeptCopyIsTheMessageByteForByteOwnerOnlyAndListed)
{
    TempDir dir;
    SetClock clock;
    DeletedMailArchive archive(dir.path(), clock);
    ASSERT_TRUE(keep(archive, info()));
    // The same number on the same server in the same second: a name of its own.
    ASSERT_TRUE(keep(archive, info(u"Again"_qs)));
    clock.time = clock.time.addSecs(60);
    ASSERT_TRUE(keep(archive, info(u"Later"_qs, 3)));

    const QString first = u"2026-12/20261207-101502-pop.example.jp-12.eml"_qs;
    EXPECT_EQ(filesUnder(archive.folder()),
              (QStringList{u"2026-12/20261207-101502-pop.example.jp-12-2.eml"_qs, first,
                           u"2026-12/20261207-101602-pop.example.jp-3.eml"_qs, u"index.tsv"_qs}));
    EXPECT_EQ(readFile(archive.folder() + u'/' + first), kMessage);
    EXPECT_EQ(fileMode(archive.folder() + u'/' + first), 0600);
    EXPECT_EQ(fileMode(archive.indexPath()), 0600);
    EXPECT_EQ(fileMode(archive.folder()), 0700);
    EXPECT_EQ(fileMode(archive.folder() + u"/2026-12"_qs), 0700);

    const QList<archive::ArchiveEntry> entries = archive.entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].subject, u"Later"_qs); // newest first
    EXPECT_EQ(entries[2],
              (archive::ArchiveEntry{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 2)),
                                     u"pop.example.jp"_qs, u"taro"_qs, u"Cheap"_qs,
                                     u"ad@x.example"_qs, u"英文のみ"_qs, false, first}));
}

TEST(DeletedMailArchive, CopyThatCannotBeKeptLeavesNothingBehind)
{
    const struct
    {
        const char* name;
        std::function<void(const QString& folder)> prepare;
        std::function<bool(DeletedMailArchive&)> act;
    } rows[] = {
        {"one octet beyond the cap and its slack",
         {},
         [](DeletedMailArchive& a) {
             a.setMaxMessageBytes(100);
             return a.begin(info()) &&
                    a.append(QByteArray(100 + DeletedMailArchive::kSlackBytes + 1, 'x')) &&
                    a.commit();
         }},
        {"a full disk",
         {},
         [](DeletedMailArchive& a) {
             bool kept = true;
             withFileSizeLimit(1000, [&] { kept = keep(a, info(), QByteArray(5000, 'x')); });
             return kept;
         }},
        {"the index cannot be written",
         [](const QString& folder) { QDir().mkpath(folder + u"/index.tsv"_qs); },
         [](DeletedMailArchive& a) { return keep(a, info()); }},
        {"a file where the month folder belongs",
         [](const QString& folder) {
             QDir().mkpath(folder);
             writeFile(folder + u"/2026-12"_qs, "x");
         },
         [](DeletedMailArchive& a) { return keep(a, info()); }},
        {"discarded",
         {},
         [](DeletedMailArchive& a) {
             if (a.begin(info()) && a.append(kMessage))
                 a.discard();
             return a.commit();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        SetClock clock;
        DeletedMailArchive archive(dir.path(), clock);
        if (row.prepare)
            row.prepare(archive.folder());
        const QStringList before = filesUnder(archive.folder());
        EXPECT_FALSE(row.act(archive));
        EXPECT_EQ(filesUnder(archive.folder()), before);
        EXPECT_TRUE(archive.entries().isEmpty());
    }
}

TEST(DeletedMailArchive, RetentionRemovesOnlyCopiesOlderThanItsDaysByTheIndexDate)
{
    TempDir dir;
    SetClock clock;
    clock.time = QDateTime(QDate(2026, 10, 31), QTime(9, 0));
    DeletedMailArchive archive(dir.path(), clock);
    ASSERT_TRUE(keep(archive, info(u"old"_qs)));
    clock.time = QDateTime(QDate(2026, 11, 7), QTime(10, 0));
    ASSERT_TRUE(keep(archive, info(u"just kept"_qs)));
    ASSERT_TRUE(writeFile(dir.file(u"PostSweep.ini"_qs), "settings"));
    // A forged line pointing outside the folder is neither listed nor followed.
    QFile index(archive.indexPath());
    ASSERT_TRUE(index.open(QIODevice::Append));
    index.write("2000-01-01T00:00:00\ts\ta\tx\ty\tz\t0\t2026-10/../../PostSweep.ini\n");
    index.close();
    ASSERT_TRUE(writeFile(archive.folder() + u"/2026-11/cut-short.eml.part"_qs, "half"));

    clock.time = QDateTime(QDate(2026, 12, 7), QTime(9, 30)); // 30 days after the second copy
    EXPECT_EQ(archive.removeExpired(30), 1);

    EXPECT_EQ(filesUnder(archive.folder()),
              (QStringList{u"2026-11/20261107-100000-pop.example.jp-12.eml"_qs, u"index.tsv"_qs}));
    ASSERT_EQ(archive.entries().size(), 1);
    EXPECT_EQ(archive.entries()[0].subject, u"just kept"_qs);
    EXPECT_EQ(readFile(dir.file(u"PostSweep.ini"_qs)), "settings");
    EXPECT_TRUE(readFile(archive.indexPath()).contains("PostSweep.ini")); // kept as it was
    EXPECT_EQ(fileMode(archive.indexPath()), 0600);
}

TEST(DeletedMailArchive, IndexValuesCannotSplitALine)
{
    TempDir dir;
    SetClock clock;
    DeletedMailArchive archive(dir.path(), clock);
    ASSERT_TRUE(keep(archive, info(u"a\tb\r\nc\u2028d"_qs)));
    EXPECT_EQ(readFile(archive.indexPath()).count('\n'), 1);
    ASSERT_EQ(archive.entries().size(), 1);
    EXPECT_EQ(archive.entries()[0].subject, u"a b  c d"_qs);
}

TEST(KeptCopiesAtStartUp, TakeTheCapAndRemoveExpiredCopiesWithOneLogLine)
{
    AppHarness h;
    ASSERT_TRUE(keep(h.ctx.archive, info()));
    h.loop.advance(std::chrono::hours(24 * 31));
    startKeptCopies(h.ctx, {.retentionDays = 30, .maxSizeMB = 2});
    EXPECT_EQ(h.ctx.archive.maxMessageBytes(), 2 * 1024 * 1024);
    EXPECT_TRUE(h.ctx.archive.entries().isEmpty());
    ASSERT_EQ(h.logLines().size(), 1);
    EXPECT_TRUE(h.logLines()[0].endsWith(
        u"  保存期間（30 日）を過ぎた削除メールの控え 1 件を削除しました"_qs));
}

} // namespace
