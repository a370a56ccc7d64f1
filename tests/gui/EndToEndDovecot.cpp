// The whole program, windows and all, on Qt's event loop and sockets against a real
// POP3 server (Dovecot on 127.0.0.1): a run-once over the sample mailbox that deletes
// exactly the marked mail, logs every line, shows the password nowhere and ends the
// program.

#include "MainWindowHarness.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "support/DovecotServer.h"
#include "support/ExpectedLog.h"

#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QTest>

using testsupport::SampleMessage;

namespace {

const QString kUser = QStringLiteral("taro");
const QString kPassword = QStringLiteral("Kx7-pw!q2");

struct Program
{
    testsupport::DovecotServer server;
    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    MainWindowHarness h{loop, socket};

    // The account with these messages, and settings whose profile 1 logs in to it
    // with the sample rules.
    bool prepare(const QList<SampleMessage>& messages, const GlobalSettings& global)
    {
        if (!server.start() || !server.addUser(kUser, kPassword) ||
            !server.setMessages(kUser, testsupport::messageTexts(messages)))
            return false;
        h.writeSettings([&](SettingsModel& m) {
            m.profile(1) = testsupport::sampleRuleProfile();
            m.profile(1).Server = server.host();
            m.profile(1).Port = QString::number(server.port());
            m.profile(1).Id = kUser;
            m.profile(1).PassWd = kPassword;
            m.global = global;
        });
        h.app->context().log.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
        return h.app->start() == LoadOutcome::Complete;
    }
    QStringList idsLeft() { return server.messageIds(kUser); }
};

} // namespace

class EndToEndDovecot : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
        if (testsupport::DovecotServer::executable().isEmpty())
            QSKIP("Dovecot is not installed (Debian package dovecot-pop3d)");
    }
    void aRunOnceDeletesTheMarkedMailLogsEveryLineAndEndsTheProgram();
};

void EndToEndDovecot::aRunOnceDeletesTheMarkedMailLogsEveryLineAndEndsTheProgram()
{
    Program p;
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox();
    GlobalSettings runOnce;
    runOnce.IntCheck = 1;
    runOnce.MailSoftSelect = 2; // "起動せずそのまま終了"
    QVERIFY2(p.prepare(mailbox, runOnce), qPrintable(p.server.errorString()));

    const QDateTime started = QDateTime::currentDateTime();
    p.h.control<QAbstractButton>("Command3")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.h.shell->calls.isEmpty(), 30000);
    QCOMPARE(p.h.shell->calls, QStringList{QStringLiteral("quit")});

    const QStringList expected =
        QStringList{stamped(QStringLiteral("  実行を開始しました"))} +
        sessionLines(kUser, mailbox) +
        QStringList{
            stamped(QStringLiteral("  削除が完了したのでメールソフトを起動して終了します"))};
    QCOMPARE(asText(maskStamps(p.h.logLines(), started, QDateTime::currentDateTime())),
             asText(expected));
    QCOMPARE(asText(p.idsLeft()), asText(idsOf(mailbox, false)));
    // The password shows nowhere: not in the log, not in the monitor.
    const QString transcript = p.h.monitorControl<QPlainTextEdit>("DebugWindow")->toPlainText();
    QVERIFY(transcript.contains(QStringLiteral("PASS *******")));
    QVERIFY(!transcript.contains(kPassword));
    QVERIFY(!readFile(p.h.app->context().log.path()).contains(kPassword.toLatin1()));
}

QTEST_MAIN(EndToEndDovecot)
#include "EndToEndDovecot.moc"
