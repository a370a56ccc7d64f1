// The program started from the command line, as cron or a timer starts it: no display,
// against Dovecot. What it deletes, logs and prints, and its exit statuses. And its runs
// over TLS, made in this process, which alone trusts a throwaway authority.

#include "core/AppContext.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "settings/SettingsFile.h"
#include "support/DovecotServer.h"
#include "support/ExpectedLog.h"
#include "support/Files.h"
#include "support/RecordingMonitor.h"
#include "support/SampleMailbox.h"
#include "support/TestAuthority.h"

#include <QEventLoop>
#include <QLockFile>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>
#include <optional>

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

// One run over the settings in directory, as the program runs it but in this process,
// the only one that trusts the test authority; the monitor records the transcript.
// False when the settings did not load or the run did not end within 60 s.
bool runInThisProcess(const QString& directory, RecordingMonitor& monitor)
{
    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    AppContext ctx(loop, socket, directory);
    if (LoadSettings(ctx.settingsPath(), ctx.settings) != LoadOutcome::Complete)
        return false;
    ctx.session.setMonitor(&monitor);
    QEventLoop events;
    bool ended = false;
    ctx.rotation.setEndOfRunHandler([&] {
        ctx.rotation.Timer4().stop();
        ended = true;
        events.quit();
    });
    QTimer::singleShot(60000, &events, &QEventLoop::quit);
    ctx.rotation.startRun();
    events.exec();
    ctx.rotation.setEndOfRunHandler({});
    ctx.session.setMonitor(nullptr);
    return ended;
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
        ASSERT_TRUE(authorityMade) << authority->errorString().toStdString();
        server.useTls(authority->certificateFile(), authority->keyFile());
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
    // Made once for all tests: a throwaway authority and the server's certificate.
    static void SetUpTestSuite()
    {
        authority = std::make_unique<testsupport::TestAuthority>();
        authorityMade = authority->create();
    }
    static void TearDownTestSuite() { authority.reset(); }

    inline static std::unique_ptr<testsupport::TestAuthority> authority;
    inline static bool authorityMade = false;

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
        QByteArray options = {}; // PostSweepOptions.ini, when there is one
    };
    const ServerProfile account = accountProfile(kUser, kPassword);
    ServerProfile noPassword = account;
    noPassword.PassWd.clear();
    const QList<Row> rows = {
        {"no settings file", "--run", {}, false, 2},
        {"nothing enabled", "--run", {noPassword}, false, 2},
        {"an unknown option", "--rum", {account}, false, 2},
        {"another copy holds the lock", "--run", {account}, true, 3},
        // Profile 1 may be set to STARTTLS: it must not fall back to a password in clear.
        {"a damaged companion file", "--run", {account}, false, 2, "[Profile1]\nPort=99999\n"},
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
        if (!row.options.isEmpty()) {
            ASSERT_TRUE(
                writeFile(folder.file(QStringLiteral("PostSweepOptions.ini")), row.options));
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

TEST_F(CommandLineTest, TlsRunsDeleteAsPlainOnesAndACertificateThatFailsItsCheckGetsNoCredential)
{
    enum Pin { NoPin, ServerPin, OtherPin };
    struct Row
    {
        const char* name;
        const char* security;
        bool implicitTlsPort;
        bool authorityTrusted;
        Pin pin;
        const char* refusal; // the reason logged, or empty when the run must delete as usual
    };
    const QList<Row> rows = {
        {"STARTTLS on the POP3 port", "starttls", false, true, NoPin, ""},
        {"implicit TLS", "tls", true, true, NoPin, ""},
        {"an untrusted authority over implicit TLS", "tls", true, false, NoPin,
         "証明書の発行者が信頼されていません"},
        {"an untrusted authority after STLS", "starttls", false, false, NoPin,
         "証明書の発行者が信頼されていません"},
        {"the server's certificate pinned, its authority untrusted", "tls", true, false, ServerPin,
         ""},
        {"another certificate pinned, the authority trusted", "starttls", false, true, OtherPin,
         "証明書が登録された指紋と一致しません"},
    };
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox();
    const QByteArray serverSha256 = authority->certificateSha256();
    ASSERT_EQ(serverSha256.size(), 32);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(server.setMessages(kUser, testsupport::messageTexts(mailbox)));
        writeSettings({accountProfile(kUser, kPassword)});
        const QByteArray pin = row.pin == ServerPin  ? serverSha256
                               : row.pin == OtherPin ? authority->authoritySha256()
                                                     : QByteArray();
        const quint16 port = row.implicitTlsPort ? server.tlsPort() : server.port();
        ASSERT_TRUE(writeFile(dir.file(QStringLiteral("PostSweepOptions.ini")),
                              "[Profile1]\nSecurity=" + QByteArray(row.security) + "\nPort=" +
                                  QByteArray::number(port) + "\nSha256=" + pin.toHex() + "\n"));
        QFile::remove(dir.file(QStringLiteral("PostSweep.log")));

        std::optional<testsupport::ScopedTrust> trust;
        if (row.authorityTrusted)
            trust.emplace(authority->authorityFile());
        RecordingMonitor monitor;
        const QDateTime started = QDateTime::currentDateTime();
        ASSERT_TRUE(runInThisProcess(dir.path(), monitor));
        const QStringList log = maskStamps(logLines(dir.file(QStringLiteral("PostSweep.log"))),
                                           started, QDateTime::currentDateTime());
        if (!*row.refusal) {
            EXPECT_EQ(asText(log), asText(sessionLines(kUser, mailbox)));
            EXPECT_EQ(asText(idsLeft()), asText(idsOf(mailbox, false)));
            continue;
        }
        const QString refusal =
            QStringLiteral(" 127.0.0.1 の証明書を受け入れられないため切断しました（") +
            QString::fromUtf8(row.refusal) + QStringLiteral("）\n\u3000証明書の SHA-256 指紋: ") +
            QString::fromLatin1(serverSha256.toHex(':'));
        EXPECT_TRUE(log.join(u'\n').contains(refusal)) << asText(log);
        EXPECT_FALSE(monitor.transcript.contains(QStringLiteral("USER ")))
            << monitor.transcript.toStdString();
        EXPECT_EQ(idsLeft().size(), mailbox.size());
    }
    // Dovecot saw a login for each run that worked and none from the refused ones.
    EXPECT_EQ(server.logText().count(QStringLiteral("Login: user=<taro>")), 3)
        << server.logText().toStdString();
}
