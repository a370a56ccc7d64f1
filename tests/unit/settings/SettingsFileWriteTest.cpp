#include "settings/SettingsFile.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray crlfLines(std::initializer_list<const char*> lines)
{
    QByteArray bytes;
    for (const char* line : lines)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

// Every field set, Japanese and commas in the texts, quotes and commas in credentials.
SettingsModel fullModel()
{
    SettingsModel model;
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        ServerProfile& p = model.profile(n);
        const QString tag = QString::number(n);
        p.Server = u"pop"_qs + tag + u".example.jp"_qs;
        p.Port = QString::number(100 + n);
        p.Id = u"ユーザー"_qs + tag;
        p.PassWd = u"p\"a,ss"_qs + tag;
        p.MyAddress = u"me"_qs + tag + u"@example.jp"_qs;
        for (int i = 0; i < ServerProfile::kWordCount; ++i) {
            p.SubjectWords[i] = u"件名,%1-%2"_qs.arg(n).arg(i);
            p.SenderWords[i] = u"差出人 %1/%2 ～①"_qs.arg(n).arg(i);
        }
        p.RuleUnsolicited = 1;
        p.RuleNoJapanese = n % 2;
        p.RuleSubjectWords = 2;
        p.RuleSenderWords = (n + 1) % 2;
        p.RuleNotToMe = 1;
        p.RuleNotCcMe = 0;
        p.Enabled = true;
    }
    model.global = {1, 5, 1, 0, 2, 1, u"未承諾,広告"_qs, u"spam@example.com"_qs, 2, 1};
    return model;
}

} // namespace

TEST(SettingsFileBytes, SmallModelGivesTheseExactBytes)
{
    SettingsModel model;
    ServerProfile& p = model.profile(1);
    p.Server = u"pop.example.jp"_qs;
    p.SubjectWords[0] = u"未承諾"_qs;
    p.SubjectWords[9] = u"a,b"_qs;
    p.RuleUnsolicited = 1;
    p.RuleSubjectWords = 2;
    p.SenderWords[5] = u"x"_qs;
    p.RuleSenderWords = 1;
    p.MyAddress = u"me@example.jp"_qs;
    p.RuleNotCcMe = 1;
    model.profile(2).Port.clear();
    model.global = {1, 3, 0, 1, 1, 0, u"広告"_qs, QString(), 2, 1};

    // clang-format off
    const QByteArray expected = crlfLines({
        R"("110","HX?@F?f<_WfK@qWLMbO","","")",
        R"("","","","")",
        R"("110","","","")",
        R"("110","","","")",
        R"("110","","","")",
        "\"\x96\xA2\x8F\xB3\x91\xF8\",\"\",\"\",\"\",\"\"",
        R"("","","","","a,b")",
        "1,0,2",
        R"("","","","","")",
        R"("x","","","","")",
        R"(1,0,"me@example.jp",1)",
        R"("","","","","")", R"("","","","","")", "0,0,0",
        R"("","","","","")", R"("","","","","")", R"(0,0,"",0)",
        R"("","","","","")", R"("","","","","")", "0,0,0",
        R"("","","","","")", R"("","","","","")", R"(0,0,"",0)",
        R"("","","","","")", R"("","","","","")", "0,0,0",
        R"("","","","","")", R"("","","","","")", R"(0,0,"",0)",
        R"("","","","","")", R"("","","","","")", "0,0,0",
        R"("","","","","")", R"("","","","","")", R"(0,0,"",0)",
        "1,3,0,1,1,0,\"\x8D\x4C\x8D\x90\",\"\",2,1",
    });
    // clang-format on
    EXPECT_EQ(settingsFileBytes(model), expected);
}

TEST(SetDataWrite, ModelWrittenAndReadBackIsTheSame)
{
    TempDir dir;
    const QString path = dir.file(u"PostSweep.ini"_qs);
    const SettingsModel written = fullModel();
    ASSERT_TRUE(SetDataWrite(path, written).ok);

    SettingsModel read;
    ASSERT_EQ(LoadSettings(path, read), LoadOutcome::Complete);
    EXPECT_EQ(read, written);
    EXPECT_EQ(readFile(path), settingsFileBytes(written));
}

TEST(SetDataWrite, RefusesUnstorableTextBeforeWritingAnything)
{
    // clang-format off
    const struct { const char* name; std::function<void(SettingsModel&)> spoil; int profile; QString field; } rows[] = {
        {"double quote in a subject string", [](SettingsModel& m) { m.profile(2).SubjectWords[3] = u"a\"b"_qs; }, 2, u"SubjectWords[3]"_qs},
        {"line feed in the own address", [](SettingsModel& m) { m.profile(5).MyAddress = u"a\nb"_qs; }, 5, u"MyAddress"_qs},
        {"double quote in a port", [](SettingsModel& m) { m.profile(1).Port = u"\"110"_qs; }, 1, u"Port"_qs},
        {"double quote in the main window's words", [](SettingsModel& m) { m.global.MainSenderWords = u"\""_qs; }, 0, u"MainSenderWords"_qs},
    };
    // clang-format on
    TempDir dir;
    const QString path = dir.file(u"PostSweep.ini"_qs);
    const QByteArray before = "previous contents\r\n";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(writeFile(path, before));
        SettingsModel model = fullModel();
        row.spoil(model);

        const auto found = findUnstorableField(model);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->profile, row.profile);
        EXPECT_EQ(found->field, row.field);
        EXPECT_FALSE(found->message().contains(row.field)) << "the caption, not the field's name";

        const WriteResult result = SetDataWrite(path, model);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, found->message());
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"PostSweep.ini"_qs});
    }
}

TEST(SetDataWrite, FailingWriteLeavesThePreviousFileByteForByte)
{
    TempDir dir;
    const QString path = dir.file(u"PostSweep.ini"_qs);
    ASSERT_TRUE(SetDataWrite(path, fullModel()).ok);
    const QByteArray before = readFile(path);

    SettingsModel huge = fullModel();
    for (QString& word : huge.profile(3).SenderWords)
        word = QString(20000, u'あ');

    // The file-size limit makes the write fail part of the way through.
    WriteResult result;
    withFileSizeLimit(64 * 1024, [&] { result = SetDataWrite(path, huge); });

    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"PostSweep.ini"_qs});
}

// The file holds the passwords, scrambled reversibly: no one else may read it.
TEST(SetDataWrite, WritesTheFileOwnerOnlyAndTightensOneOthersCouldRead)
{
    TempDir dir;
    const QString path = dir.file(u"PostSweep.ini"_qs);
    const mode_t savedMask = umask(022);
    const bool created = SetDataWrite(path, fullModel()).ok;
    const mode_t createdMode = fileMode(path);
    chmod(path.toLocal8Bit().constData(), 0644);
    const bool rewritten = SetDataWrite(path, fullModel()).ok;
    umask(savedMask);
    ASSERT_TRUE(created && rewritten);
    EXPECT_EQ(createdMode, 0600);
    EXPECT_EQ(fileMode(path), 0600);
}

TEST(SetDataWrite, ReportsAPlaceItCannotWriteToInOneJapaneseSentence)
{
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"PostSweep.ini"_qs));
    // clang-format off
    const std::pair<QString, QString> rows[] = {
        {dir.file(u"missing/PostSweep.ini"_qs), u"保存先のフォルダがありません"_qs},
        {dir.file(u"PostSweep.ini"_qs), u"同じ名前のフォルダがあります"_qs},
    };
    // clang-format on
    for (const auto& [path, reason] : rows) {
        SCOPED_TRACE(path.toStdString());
        const WriteResult result = SetDataWrite(path, SettingsModel());
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error,
                  u"設定ファイル「%1」を保存できませんでした（%2）。"_qs.arg(path, reason));
    }
    EXPECT_TRUE(QFileInfo(dir.file(u"PostSweep.ini"_qs)).isDir());
}
