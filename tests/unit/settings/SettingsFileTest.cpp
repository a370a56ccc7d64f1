#include "settings/SettingsFile.h"

#include "support/Files.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Japanese texts without commas, so that fields can be moved across lines freely.
SettingsModel plainModel()
{
    SettingsModel model;
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        ServerProfile& p = model.profile(n);
        const QString tag = QString::number(n);
        p.Server = u"mail"_qs + tag + u".example.jp"_qs;
        p.Port = u"11"_qs + tag;
        p.Id = u"user"_qs + tag;
        p.PassWd = u"秘密\"a,"_qs + tag; // scrambled: quotes and commas are safe
        p.MyAddress = u"me@example.jp"_qs;
        for (int i = 0; i < ServerProfile::kWordCount; ++i) {
            p.SubjectWords[i] = u"件名%1 %2"_qs.arg(n).arg(i);
            p.SenderWords[i] = i % 3 ? QString() : u"差出人%1"_qs.arg(i);
        }
        p.RuleUnsolicited = 1;
        p.RuleNoJapanese = 2;
        p.RuleSenderWords = 1;
        p.RuleNotCcMe = n % 2;
        p.Enabled = true;
    }
    model.global = {1, 2, 1, 1, 0, 1, u"未承諾"_qs, u"広告"_qs, 1, 1};
    return model;
}

// The lines of a model's file, without their line ends; joined again with any line end.
const QByteArrayList& fileLines()
{
    static const QByteArrayList lines = [] {
        QByteArrayList out = settingsFileBytes(plainModel()).split('\n');
        out.removeLast();
        for (QByteArray& line : out)
            line.chop(1);
        return out;
    }();
    return lines;
}

QByteArray joined(const QByteArrayList& lines, const QByteArray& lineEnd = "\r\n")
{
    return lines.join(lineEnd) + lineEnd;
}

QByteArrayList replaced(int lineNumber, const QByteArray& line)
{
    QByteArrayList out = fileLines();
    out[lineNumber - 1] = line;
    return out;
}

// Global settings that differ from everything the files below hold.
const GlobalSettings kPrior{0, 4, 2, 2, 2, 2, u"prior"_qs, u"prior"_qs, 0, 0};

struct ReadTest : ::testing::Test
{
    TempDir dir;
    QString path = dir.file(u"PostSweep.ini"_qs);
    LoadOutcome load(const QByteArray& bytes, SettingsModel& model)
    {
        EXPECT_TRUE(writeFile(path, bytes));
        return LoadSettings(path, model);
    }
};

} // namespace

TEST_F(ReadTest, NoFileOrAnEmptyFileIsPathAAndChangesNothing)
{
    SettingsModel model, before;
    model.global = before.global = kPrior;
    EXPECT_EQ(LoadSettings(path, model), LoadOutcome::PathA);
    EXPECT_EQ(load("", model), LoadOutcome::PathA);
    EXPECT_EQ(model, before);
}

TEST_F(ReadTest, LineBoundariesAndBlanksDoNotMatter)
{
    // clang-format off
    const std::pair<const char*, QByteArray> rows[] = {
        {"as written", joined(fileLines())},
        {"every field on a line of its own", joined(fileLines()).replace(',', "\r\n")},
        {"LF line ends", joined(fileLines(), "\n")},
        {"CR line ends", joined(fileLines(), "\r")},
        {"blanks before fields", joined(fileLines()).replace(",", ", \t")},
        {"no line end after the last line", joined(fileLines()).chopped(2)},
        {"no line end after a quoted last field", joined(replaced(36, fileLines()[35].chopped(1) + "\"1\"")).chopped(2)},
    };
    // clang-format on
    for (const auto& [name, bytes] : rows) {
        SettingsModel model;
        EXPECT_EQ(load(bytes, model), LoadOutcome::Complete) << name;
        EXPECT_EQ(model, plainModel()) << name;
    }
}

TEST_F(ReadTest, IntegersMayBeQuotedSignedOrEmpty)
{
    QByteArrayList lines = replaced(8, "\"1\", +2,"); // profile 1: 1, 2, and an empty field as 0
    lines[35] = "-1,\"7\",0,0,0,0,\"\",\"\",-3,0";    // stored as read
    SettingsModel model;
    ASSERT_EQ(load(joined(lines), model), LoadOutcome::Complete);
    const ServerProfile& p = model.profile(1);
    const GlobalSettings& g = model.global;
    EXPECT_EQ((std::array{p.RuleUnsolicited, p.RuleNoJapanese, p.RuleSubjectWords, g.IntCheck,
                          g.TimePosition, g.MailSoftSelect}),
              (std::array<qint16, 6>{1, 2, 0, -1, 7, -3}));
}

TEST_F(ReadTest, EnabledOnlyWithServerAccountAndPasswordAndNeverCleared)
{
    SettingsModel written;
    // clang-format off
    written.profiles = {{{.Server = "pop.a.jp", .Id = "alice", .PassWd = "pw"}, {.Port = "", .Id = "bob", .PassWd = "pw"}, {.Server = "pop.c.jp", .Id = "carol"}, {.Server = "pop.d.jp", .PassWd = "pw"}, {}}};
    // clang-format on
    // How each profile connects comes from the companion file beside it.
    ASSERT_TRUE(
        writeFile(dir.file(u"PostSweepOptions.ini"_qs), "[Profile1]\nSecurity=tls\nPort=995\n"));
    SettingsModel model;
    model.profile(5).Enabled = true; // set earlier, e.g. by the dialog
    ASSERT_EQ(load(settingsFileBytes(written), model), LoadOutcome::Complete);
    EXPECT_EQ(model.profile(1).connectionPort(), u"995"_qs);
    EXPECT_EQ(model.profile(3).Connection, ProfileConnection{});
    EXPECT_EQ(model.profile(3).connectionPort(), u"110"_qs);
    const bool expected[] = {true, false, false, false, true};
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(model.profile(n).Enabled, expected[n - 1]) << "profile " << n;
    EXPECT_EQ(model.profile(2).Port, QString()); // no default put in its place
    EXPECT_EQ(model.profile(3).Id, u"carol"_qs);
}

TEST_F(ReadTest, FailureInTheGlobalRecordIsPathBKeepingWhatWasRead)
{
    // clang-format off
    const struct { const char* name; QByteArrayList lines; GlobalSettings expected; } rows[] = {
        {"35 lines", fileLines().mid(0, 35), kPrior},
        {"line 36 cut after five fields", replaced(36, "1,7,1,0,2"), {1, 7, 1, 0, 2, 2, u"prior"_qs, u"prior"_qs, 0, 0}},
        {"clear-log value a check box does not take", replaced(36, "1,2,1,1,0,1,\"a\",\"b\",1,3"), {1, 2, 1, 1, 0, 1, u"a"_qs, u"b"_qs, 1, 0}},
        {"interval not a number", replaced(36, "1,x,1,1,0,1,\"a\",\"b\",1,1"), {1, 4, 2, 2, 2, 2, u"prior"_qs, u"prior"_qs, 0, 0}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SettingsModel model;
        model.global = kPrior;
        EXPECT_EQ(load(joined(row.lines), model), LoadOutcome::PathB) << row.name;
        EXPECT_EQ(model.profiles, plainModel().profiles) << row.name; // every profile enabled
        EXPECT_EQ(model.global, row.expected) << row.name;
    }
}

TEST_F(ReadTest, FailureInTheProfilePartIsPathAWithNoProfileEnabled)
{
    const auto edited = [](int lineNumber, qsizetype at, const char* text) {
        QByteArray line = fileLines()[lineNumber - 1];
        return replaced(lineNumber, line.replace(at < 0 ? line.size() + at : at, 1, text));
    };
    // clang-format off
    const std::pair<const char*, QByteArrayList> rows[] = {
        {"check value 3", replaced(8, "1,2,3")},
        {"negative check value", replaced(14, "-1,0,0")},
        {"check value not a number", replaced(35, "1,0,\"me@example.jp\",yes")},
        {"integer beyond 16 bits", replaced(11, "70000,0,\"\",0")},
        {"scrambled password with a character above z", edited(3, -3, "{")},
        {"text after a closing quote, as in \"W\"IN\"", edited(6, 0, "\"W\"IN")},
        {"quote inside an unquoted field", replaced(14, "1,0\",0")},
        {"only the credentials", fileLines().mid(0, 5)},
    };
    // clang-format on
    for (const auto& [name, lines] : rows) {
        SettingsModel model;
        model.global = kPrior;
        EXPECT_EQ(load(joined(lines), model), LoadOutcome::PathA) << name;
        EXPECT_FALSE(model.anyEnabled()) << name;
        EXPECT_EQ(model.global, kPrior) << name;
    }
}

struct WriteTest : ::testing::Test
{
    TempDir dir;
    QString path = dir.file(u"PostSweep.ini"_qs);
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }
};

TEST_F(WriteTest, SmallModelIsWrittenAsTheseExactBytesAndReadBack)
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
    const QByteArray five = R"("","","","","")";
    const QByteArrayList empty = {five, five, "0,0,0", five, five, R"(0,0,"",0)"};
    // clang-format off
    const QByteArray expected = (QByteArrayList{
        R"("110","HX?@F?f<_WfK@qWLMbO","","")", R"("","","","")", R"("110","","","")", R"("110","","","")", R"("110","","","")",
        "\"\x96\xA2\x8F\xB3\x91\xF8\",\"\",\"\",\"\",\"\"", R"("","","","","a,b")", "1,0,2",
        five, R"("x","","","","")", R"(1,0,"me@example.jp",1)"} + empty + empty + empty + empty + QByteArrayList{
        "1,3,0,1,1,0,\"\x8D\x4C\x8D\x90\",\"\",2,1", ""}).join("\r\n");
    // clang-format on
    ASSERT_TRUE(SetDataWrite(path, model).ok);
    EXPECT_EQ(readFile(path), expected);
    SettingsModel read;
    ASSERT_EQ(LoadSettings(path, read), LoadOutcome::Complete);
    EXPECT_EQ(read, model);
}

TEST_F(WriteTest, RefusesUnstorableTextBeforeWritingAnything)
{
    // clang-format off
    const struct { const char* name; void (*spoil)(SettingsModel&); int profile; QString field; } rows[] = {
        {"double quote in a subject string", [](SettingsModel& m) { m.profile(2).SubjectWords[3] = u"a\"b"_qs; }, 2, u"SubjectWords[3]"_qs},
        {"line feed in the own address", [](SettingsModel& m) { m.profile(5).MyAddress = u"a\nb"_qs; }, 5, u"MyAddress"_qs},
        {"double quote in the main window's subject words", [](SettingsModel& m) { m.global.MainSubjectWords = u"\""_qs; }, 0, u"MainSubjectWords"_qs},
        {"double quote in the main window's sender words", [](SettingsModel& m) { m.global.MainSenderWords = u"\""_qs; }, 0, u"MainSenderWords"_qs},
    };
    // clang-format on
    ASSERT_TRUE(writeFile(path, "previous contents"));
    for (const auto& row : rows) {
        SettingsModel model = plainModel();
        row.spoil(model);
        const auto found = findUnstorableField(model);
        ASSERT_TRUE(found.has_value()) << row.name;
        EXPECT_EQ(std::pair(found->profile, found->field), std::pair(row.profile, row.field));
        EXPECT_FALSE(found->message().contains(row.field)) << "the caption, not the field's name";
        const WriteResult result = SetDataWrite(path, model);
        EXPECT_EQ(std::pair(result.ok, result.error), std::pair(false, found->message()));
    }
    EXPECT_EQ(readFile(path), "previous contents");
    EXPECT_EQ(files(), QStringList{u"PostSweep.ini"_qs});
}

TEST_F(WriteTest, FailingWriteLeavesThePreviousFileByteForByte)
{
    ASSERT_TRUE(SetDataWrite(path, plainModel()).ok);
    const QByteArray before = readFile(path);
    SettingsModel huge = plainModel();
    huge.profile(3).SenderWords.fill(QString(20000, u'あ'));
    // The file-size limit makes the write fail part of the way through.
    WriteResult result;
    withFileSizeLimit(64 * 1024, [&] { result = SetDataWrite(path, huge); });
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(files(), QStringList{u"PostSweep.ini"_qs});
}

TEST_F(WriteTest, WritesTheFileOwnerOnlyAndTightensOneOthersCouldRead)
{
    const mode_t savedMask = umask(022);
    const bool created = SetDataWrite(path, plainModel()).ok;
    const int createdMode = fileMode(path);
    chmod(path.toLocal8Bit().constData(), 0644);
    const bool rewritten = SetDataWrite(path, plainModel()).ok;
    umask(savedMask);
    ASSERT_TRUE(created && rewritten);
    EXPECT_EQ(createdMode, 0600);
    EXPECT_EQ(fileMode(path), 0600);
}

TEST_F(WriteTest, ReportsAPlaceItCannotWriteToInOneJapaneseSentence)
{
    const QString to = dir.file(u"missing/PostSweep.ini"_qs);
    EXPECT_EQ(
        SetDataWrite(to, SettingsModel()).error,
        u"設定ファイル「%1」を保存できませんでした（保存先のフォルダがありません）。"_qs.arg(to));
}
