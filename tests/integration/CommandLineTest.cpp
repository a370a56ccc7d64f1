// The program started from the command line as cron starts it, without a display, against
// Dovecot: what it deletes, keeps, logs and prints, and its exit statuses. Its runs over TLS
// are made in this process, the only one that trusts a throwaway authority.

#include "DemoMailbox.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "settings/SettingsFile.h"
#include "support/AppHarness.h"
#include "support/DovecotServer.h"
#include "support/Files.h"
#include "support/TestAuthority.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QEventLoop>
#include <QLockFile>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kUser = QString::fromLatin1(demo::kUser);
const QString kPassword = QString::fromLatin1(demo::kPassword);

// The log in folder as one text (a failure shows a line-by-line difference), each leading
// date and time from a second before started to a second from now made "<stamp>".
std::string maskedLog(const QString& folder, const QDateTime& started)
{
    const QDateTime to = QDateTime::currentDateTime().addSecs(1);
    QStringList lines = logLines(folder + u"/PostSweep.log"_qs);
    for (QString& line : lines) {
        const QString stamp = line.section(u' ', 0, 1);
        const QDateTime when = QDateTime::fromString(stamp, u"yyyy/MM/dd H:mm:ss"_qs);
        if (when.isValid() && when >= started.addSecs(-1) && when <= to)
            line.replace(0, stamp.size(), u"<stamp>"_qs);
    }
    return lines.join(u'\n').toStdString();
}

// One run over the settings in folder, as the program runs it but in this process; the
// monitor records the transcript. False when the settings did not load or the run did not
// end within 60 s.
bool runInThisProcess(const QString& folder, RecordingMonitor& monitor)
{
    QEventLoop events; // outlives the program's objects, as the monitor does
    bool ended = false;
    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    AppContext ctx(loop, socket, folder);
    if (LoadSettings(ctx.settingsPath(), ctx.settings) != LoadOutcome::Complete)
        return false;
    ctx.session.setMonitor(&monitor);
    ctx.rotation.setEndOfRunHandler([&] {
        ctx.rotation.Timer4().stop();
        ended = true;
        events.quit();
    });
    QTimer::singleShot(60000, &events, &QEventLoop::quit);
    ctx.rotation.startRun();
    events.exec();
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
        static int argc = 1;
        static char name[] = "integration_tests", *argv[] = {name, nullptr};
        static auto* app = new QCoreApplication(argc, argv);  // for Qt's sockets and timers
        static const bool authorityMade = authority.create(); // once for all tests
        ASSERT_TRUE(app && authorityMade) << authority.errorString().toStdString();
        server.useTls(authority.certificateFile(), authority.keyFile());
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        ASSERT_TRUE(server.addUser(kUser, kPassword));
    }
    // The demo rules, logging in to this server.
    ServerProfile account(const QString& password = kPassword) const
    {
        ServerProfile profile = demo::settings(server.host(), server.port()).profile(1);
        profile.PassWd = password;
        return profile;
    }
    // The account holds the first count demo messages; PostSweep.ini in folder holds these
    // profiles (none: no file).
    void prepare(qsizetype count, const QList<ServerProfile>& profiles, const QString& folder)
    {
        mailbox = demo::demoMessages().mid(0, count);
        spam.clear();
        wanted.clear();
        QList<QByteArray> texts;
        for (const auto& m : mailbox) {
            texts << m.bytes;
            if (m.spam)
                spam << m;
            else
                wanted << m.messageId;
        }
        EXPECT_TRUE(server.setMessages(kUser, texts));
        SettingsModel model;
        for (int n = 1; n <= profiles.size(); ++n)
            model.profile(n) = profiles.at(n - 1);
        EXPECT_TRUE(profiles.isEmpty() || SetDataWrite(folder + u"/PostSweep.ini"_qs, model));
    }
    // The built program on the settings in folder, without a display, under Japanese
    // regional settings (the log's stamps), given at most 60 s; its exit code, or -1.
    int runProgram(const QStringList& arguments, const QString& folder)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_qs, u"WAYLAND_DISPLAY"_qs, u"QT_QPA_PLATFORM"_qs})
            env.remove(name);
        env.insert(u"LC_ALL"_qs, u"ja_JP.UTF-8"_qs);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(POSTSWEEP_PROGRAM),
                      arguments + QStringList{u"--settings"_qs, folder});
        const bool ended = process.waitForFinished(60000); // else killed with process
        out = QString::fromUtf8(process.readAllStandardOutput()).trimmed().split(u'\n');
        err = QString::fromUtf8(process.readAllStandardError());
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // The summary line, then one line per message the rules mark.
    QStringList expectedOutput(const QString& count, const QString& each) const
    {
        QStringList all{u"127.0.0.1 taro: %1 件, "_qs.arg(mailbox.size()) + count.arg(spam.size())};
        for (const auto& m : spam)
            all << each + m.subject;
        return all;
    }
    // The log of a session over the mailbox as one text, after the lines in log: a blank
    // line, connection, count, one line per deletion, the end; then the line after, if any.
    std::string sessionLog(QStringList log = {}, const QString& after = {}) const
    {
        log << QString() << u"<stamp> 127.0.0.1に　ID:taroでサーバに接続を開始しました"_qs
            << u"<stamp> 127.0.0.1に　ID:taroでサーバに接続しました"_qs
            << u"%1  件のメールがあります"_qs.arg(mailbox.size())
            << u"<stamp>  削除メールを指定条件で検索しています"_qs;
        for (const auto& m : spam)
            log << u"タイトル:"_qs + m.subject + u" 差出人:"_qs + m.from + u" を削除しました"_qs;
        log << u"<stamp>  削除メールを指定条件で検索・削除を終了しました"_qs;
        return (after.isEmpty() ? log : log << after).join(u'\n').toStdString();
    }

    inline static testsupport::TestAuthority authority;
    testsupport::DovecotServer server;
    TempDir dir;
    QList<demo::DemoMessage> mailbox, spam;
    QStringList wanted, out; // the wanted mail's Message-IDs; the last program run's output
    QString err;
};

TEST_F(CommandLineTest, RunDeletesTheMarkedMailAndLogsAsTheDesktopRunOnceWithoutTouchingSettings)
{
    prepare(-1, {account()}, dir.path());
    const QByteArray settingsBefore = readFile(dir.file(u"PostSweep.ini"_qs));
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_EQ(runProgram({u"--run"_qs, u"--verbose"_qs}, dir.path()), 0) << err.toStdString();
    EXPECT_EQ(maskedLog(dir.path(), started),
              sessionLog({u"<stamp>  実行を開始しました"_qs},
                         u"<stamp>  削除が完了したのでメールソフトを起動して終了します"_qs));
    EXPECT_EQ(server.messageIds(kUser), wanted);
    // Each deleted message kept byte for byte, as the server held it.
    QList<QByteArray> deleted, kept;
    for (const auto& m : spam)
        deleted << QByteArray(m.bytes).replace("\n", "\r\n");
    QDirIterator it(dir.file(u"deleted"_qs), {u"*.eml"_qs}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        kept << readFile(it.next());
    std::sort(deleted.begin(), deleted.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, deleted);
    EXPECT_EQ(out, expectedOutput(u"削除 %1 件"_qs, u"  削除: "_qs));
    // The transcript hides the password as the monitor does; the settings stay as they were.
    EXPECT_TRUE(err.contains(u"PASS *******\n"_qs));
    EXPECT_FALSE(err.contains(kPassword));
    EXPECT_EQ(readFile(dir.file(u"PostSweep.ini"_qs)), settingsBefore);
}

TEST_F(CommandLineTest, CheckLogsInToEveryEnabledProfileAndAWrongPasswordExitsOne)
{
    prepare(3, {account(), ServerProfile{}, account(u"not-it"_qs)}, dir.path());
    EXPECT_EQ(runProgram({u"--check"_qs}, dir.path()), 1) << err.toStdString();
    EXPECT_EQ(out,
              QStringList({u"127.0.0.1 taro: 設定完了"_qs,
                           u"127.0.0.1 taro: エラー発生: -ERR [AUTH] Authentication failed."_qs}));
    EXPECT_EQ(server.messageIds(kUser).size(), 3); // a check deletes nothing
}

TEST_F(CommandLineTest, SettingsThatCannotBeUsedOrAnotherCopyEndTheRunBeforeAnyServer)
{
    // A damaged companion file may have set profile 1 to STARTTLS: the run must not fall
    // back to a password in clear.
    // clang-format off
    const struct { const char* name; const char* command; QList<ServerProfile> profiles; bool holdLock; int exitCode; QByteArray options = {}; } rows[] = {
        {"no settings file", "--run", {}, false, 2},
        {"nothing enabled", "--run", {account(QString())}, false, 2},
        {"an unknown option", "--rum", {account()}, false, 2},
        {"another copy holds the lock", "--run", {account()}, true, 3},
        {"a damaged companion file", "--run", {account()}, false, 2, "[Profile1]\nPort=99999\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir folder;
        prepare(5, row.profiles, folder.path());
        ASSERT_TRUE(row.options.isEmpty() ||
                    writeFile(folder.file(u"PostSweepOptions.ini"_qs), row.options));
        QLockFile lock(folder.file(u"PostSweep.lock"_qs));
        ASSERT_TRUE(!row.holdLock || lock.tryLock(0));
        EXPECT_EQ(runProgram({QString::fromLatin1(row.command)}, folder.path()), row.exitCode)
            << err.toStdString();
        EXPECT_FALSE(err.isEmpty()); // says why
        EXPECT_FALSE(QFile::exists(folder.file(u"PostSweep.log"_qs)));
        EXPECT_EQ(server.messageIds(kUser).size(), 5);
    }
}

TEST_F(CommandLineTest, PreviewNamesWhatARunWouldDeleteAndDeletesNothing)
{
    prepare(-1, {account()}, dir.path());
    ASSERT_EQ(runProgram({u"--preview"_qs}, dir.path()), 0) << err.toStdString();
    EXPECT_EQ(out, expectedOutput(u"削除対象 %1 件（確認のみ）"_qs, u"  削除対象: "_qs));
    EXPECT_EQ(server.messageIds(kUser).size(), mailbox.size());
    const QStringList log = logLines(dir.file(u"PostSweep.log"_qs));
    EXPECT_TRUE(log.first().endsWith(u"  確認のみで実行を開始しました（削除しません）"_qs));
    EXPECT_EQ(log.filter(u"を削除対象と判定しました（確認のみ）"_qs).size(), spam.size());
    EXPECT_TRUE(log.filter(u"を削除しました"_qs).isEmpty());
}

TEST_F(CommandLineTest, TlsRunsDeleteAsPlainOnesAndACertificateThatFailsItsCheckGetsNoCredential)
{
    const QByteArray pin = authority.certificateSha256(), otherPin = authority.authoritySha256();
    const QString ca = authority.authorityFile(),
                  untrusted = u"証明書の発行者が信頼されていません"_qs;
    // clang-format off
    const struct { const char* name; const char* security; quint16 port; QString trusted; QByteArray pin; QString refusal; } rows[] = {
        {"STARTTLS on the POP3 port", "starttls", server.port(), ca, {}, {}},
        {"implicit TLS", "tls", server.tlsPort(), ca, {}, {}},
        {"an untrusted authority over implicit TLS", "tls", server.tlsPort(), {}, {}, untrusted},
        {"an untrusted authority after STLS", "starttls", server.port(), {}, {}, untrusted},
        {"the server's certificate pinned, its authority untrusted", "tls", server.tlsPort(), {}, pin, {}},
        {"another certificate pinned, the authority trusted", "starttls", server.port(), ca, otherPin, u"証明書が登録された指紋と一致しません"_qs},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir folder;
        prepare(-1, {account()}, folder.path());
        ASSERT_TRUE(writeFile(folder.file(u"PostSweepOptions.ini"_qs),
                              "[Profile1]\nSecurity=" + QByteArray(row.security) +
                                  "\nPort=" + QByteArray::number(row.port) +
                                  "\nSha256=" + row.pin.toHex() + "\n"));
        const testsupport::ScopedTrust trust(row.trusted); // none when empty
        RecordingMonitor monitor;
        const QDateTime started = QDateTime::currentDateTime();
        ASSERT_TRUE(runInThisProcess(folder.path(), monitor));
        if (row.refusal.isEmpty()) {
            EXPECT_EQ(maskedLog(folder.path(), started), sessionLog());
            EXPECT_EQ(server.messageIds(kUser), wanted);
            continue;
        }
        const QString log = logLines(folder.file(u"PostSweep.log"_qs)).join(u'\n');
        EXPECT_TRUE(log.contains(u" 127.0.0.1 の証明書を受け入れられないため切断しました（"_qs +
                                 row.refusal + u"）\n\u3000証明書の SHA-256 指紋: "_qs +
                                 QString::fromLatin1(pin.toHex(':'))))
            << log.toStdString();
        EXPECT_FALSE(monitor.transcript.contains(u"USER "_qs)) << monitor.transcript.toStdString();
        EXPECT_EQ(server.messageIds(kUser).size(), mailbox.size());
    }
    // Dovecot saw a login for each run that worked and none from the refused ones.
    EXPECT_EQ(server.logText().count(u"Login: user=<taro>"_qs), 3)
        << server.logText().toStdString();
}
