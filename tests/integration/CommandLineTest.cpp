// The program started from the command line, as cron or a timer starts it: no display,
// against Dovecot. What it deletes, logs and prints, and its exit statuses.

#include "settings/SettingsFile.h"
#include "support/DovecotServer.h"
#include "support/ExpectedLog.h"
#include "support/Files.h"
#include "support/SampleMailbox.h"

#include <QLockFile>
#include <QProcess>

#include <gtest/gtest.h>

using testsupport::SampleMessage;

namespace {

const QString kUser = QStringLiteral("taro");
const QString kPassword = QStringLiteral("Kx7-pw!q2");

struct Finished
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

// The built program with these arguments, without a display and under Japanese
// regional settings (the log's stamps), given at most 60 s.
Finished runProgram(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ja_JP.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(POSTSWEEP_PROGRAM), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            out.split(QLatin1Char('\n')), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

// Each test with its own Dovecot on 127.0.0.1; skipped where Dovecot is not installed.
class CommandLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (testsupport::DovecotServer::executable().isEmpty())
            GTEST_SKIP() << "Dovecot is not installed (Debian package dovecot-pop3d)";
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        ASSERT_TRUE(server.addUser(kUser, kPassword));
    }
    // The sample rules, logging in to this server as user.
    ServerProfile accountProfile(const QString& user, const QString& password) const
    {
        ServerProfile profile = testsupport::sampleRuleProfile();
        profile.Server = server.host();
        profile.Port = QString::number(server.port());
        profile.Id = user;
        profile.PassWd = password;
        profile.Enabled = true;
        return profile;
    }
    // PostSweep.ini in the folder with these profiles.
    void writeSettings(const QList<ServerProfile>& profiles)
    {
        SettingsModel model;
        for (int n = 1; n <= profiles.size(); ++n)
            model.profile(n) = profiles.at(n - 1);
        ASSERT_TRUE(SetDataWrite(dir.file(QStringLiteral("PostSweep.ini")), model));
    }
    QStringList idsLeft() const { return server.messageIds(kUser); }

    testsupport::DovecotServer server;
    TempDir dir;
};

TEST_F(CommandLineTest, RunDeletesTheMarkedMailAndLogsAsTheDesktopRunOnceWithoutTouchingSettings)
{
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox();
    ASSERT_TRUE(server.setMessages(kUser, testsupport::messageTexts(mailbox)));
    writeSettings({accountProfile(kUser, kPassword)});
    const QByteArray settingsBefore = readFile(dir.file(QStringLiteral("PostSweep.ini")));

    const QDateTime started = QDateTime::currentDateTime();
    const Finished run = runProgram({QStringLiteral("--run"), QStringLiteral("--settings"),
                                     dir.path(), QStringLiteral("--verbose")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList expectedLog =
        QStringList{stamped(QStringLiteral("  実行を開始しました"))} +
        sessionLines(kUser, mailbox) +
        QStringList{
            stamped(QStringLiteral("  削除が完了したのでメールソフトを起動して終了します"))};
    EXPECT_EQ(asText(maskStamps(logLines(dir.file(QStringLiteral("PostSweep.log"))), started,
                                QDateTime::currentDateTime())),
              asText(expectedLog));
    EXPECT_EQ(asText(idsLeft()), asText(idsOf(mailbox, false)));

    QStringList expectedOut = {QStringLiteral("127.0.0.1 taro: %1 件, 削除 %2 件")
                                   .arg(mailbox.size())
                                   .arg(idsOf(mailbox, true).size())};
    for (const SampleMessage& m : mailbox)
        if (m.expectedDeleted)
            expectedOut.append(QStringLiteral("  削除: ") + m.subject);
    EXPECT_EQ(asText(run.out), asText(expectedOut));
    // The transcript hides the password as the monitor does; the settings stay as they were.
    EXPECT_TRUE(run.err.contains(QStringLiteral("PASS *******\n")));
    EXPECT_FALSE(run.err.contains(kPassword));
    EXPECT_EQ(readFile(dir.file(QStringLiteral("PostSweep.ini"))), settingsBefore);
}

TEST_F(CommandLineTest, CheckLogsInToEveryEnabledProfileAndAWrongPasswordExitsOne)
{
    ASSERT_TRUE(server.setMessages(
        kUser, testsupport::messageTexts(testsupport::sampleMailbox().mid(0, 3))));
    writeSettings({accountProfile(kUser, kPassword), ServerProfile{},
                   accountProfile(kUser, QStringLiteral("not-it"))});

    const Finished check =
        runProgram({QStringLiteral("--check"), QStringLiteral("--settings"), dir.path()});
    EXPECT_EQ(check.exitCode, 1) << check.err.toStdString();
    EXPECT_EQ(asText(check.out),
              asText({QStringLiteral("127.0.0.1 taro: 設定完了"),
                      QStringLiteral("127.0.0.1 taro: エラー発生: -ERR [AUTH] Authentication "
                                     "failed.")}));
    EXPECT_EQ(idsLeft().size(), 3); // a check deletes nothing
}

TEST_F(CommandLineTest, SettingsThatCannotBeUsedOrAnotherCopyEndTheRunBeforeAnyServer)
{
    struct Row
    {
        const char* name;
        const char* command;
        QList<ServerProfile> profiles; // empty: no settings file
        bool holdLock;
        int exitCode;
    };
    const ServerProfile account = accountProfile(kUser, kPassword);
    ServerProfile noPassword = account;
    noPassword.PassWd.clear();
    const QList<Row> rows = {
        {"no settings file", "--run", {}, false, 2},
        {"nothing enabled", "--run", {noPassword}, false, 2},
        {"an unknown option", "--rum", {account}, false, 2},
        {"another copy holds the lock", "--run", {account}, true, 3},
    };
    ASSERT_TRUE(server.setMessages(
        kUser, testsupport::messageTexts(testsupport::sampleMailbox().mid(0, 5))));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir folder;
        if (!row.profiles.isEmpty()) {
            SettingsModel model;
            model.profile(1) = row.profiles.first();
            ASSERT_TRUE(SetDataWrite(folder.file(QStringLiteral("PostSweep.ini")), model));
        }
        QLockFile lock(folder.file(QStringLiteral("PostSweep.lock")));
        if (row.holdLock) {
            ASSERT_TRUE(lock.tryLock(0));
        }
        const Finished run = runProgram(
            {QString::fromLatin1(row.command), QStringLiteral("--settings"), folder.path()});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_FALSE(run.err.isEmpty()); // says why
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("PostSweep.log"))));
    }
    EXPECT_EQ(idsLeft().size(), 5);
}

TEST_F(CommandLineTest, PreviewNamesWhatARunWouldDeleteAndDeletesNothing)
{
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox();
    ASSERT_TRUE(server.setMessages(kUser, testsupport::messageTexts(mailbox)));
    writeSettings({accountProfile(kUser, kPassword)});

    const Finished run =
        runProgram({QStringLiteral("--preview"), QStringLiteral("--settings"), dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    QStringList expectedOut = {QStringLiteral("127.0.0.1 taro: %1 件, 削除対象 %2 件（確認のみ）")
                                   .arg(mailbox.size())
                                   .arg(idsOf(mailbox, true).size())};
    for (const SampleMessage& m : mailbox)
        if (m.expectedDeleted)
            expectedOut.append(QStringLiteral("  削除対象: ") + m.subject);
    EXPECT_EQ(asText(run.out), asText(expectedOut));
    EXPECT_EQ(idsLeft().size(), mailbox.size());
    const QStringList log = logLines(dir.file(QStringLiteral("PostSweep.log")));
    EXPECT_TRUE(
        log.first().endsWith(QStringLiteral("  確認のみで実行を開始しました（削除しません）")));
    EXPECT_EQ(log.filter(QStringLiteral("を削除対象と判定しました（確認のみ）")).size(),
              idsOf(mailbox, true).size());
    EXPECT_TRUE(log.filter(QStringLiteral("を削除しました")).isEmpty());
}
