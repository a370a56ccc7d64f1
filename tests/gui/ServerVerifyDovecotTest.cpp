// The settings dialog's verification against a real Dovecot on 127.0.0.1, on Qt's
// event loop and socket, through the windows' controls.

#include "core/AppContext.h"
#include "dialogs/ServerSet.h"
#include "dialogs/ServerVerify.h"
#include "dialogs/control/ServerVerification.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "settings/SettingsFile.h"
#include "support/DovecotServer.h"
#include "support/Files.h"
#include "support/SequentialPop3Client.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Qt's socket, with every connection attempt and every line sent on record.
class RecordingTcp final : public platform::TcpClient
{
public:
    RecordingTcp()
    {
        m_inner.setDataHandler([this](const QByteArray& bytes) { deliverData(bytes); });
        m_inner.setErrorHandler([this](int number) { deliverError(number); });
    }
    void connectToHost(const QString& host, quint16 port) override
    {
        if (onConnect)
            onConnect(host);
        m_inner.connectToHost(host, port);
    }
    void send(const QByteArray& bytes) override
    {
        sent += bytes;
        m_inner.send(bytes);
    }
    void close() override { m_inner.close(); }

    std::function<void(const QString& host)> onConnect;
    QByteArray sent;

private:
    platform::QtTcpClient m_inner;
};

const QByteArray kMessage = "From: a@example.com\r\nTo: alice@example.com\r\nSubject: kept\r\n"
                            "Message-ID: <kept@example.com>\r\n\r\nbody\r\n";

// The settings dialog on Qt's event loop and a recording socket, in a fresh directory.
struct Verification
{
    Verification() { dialog.show(); }

    // Types a profile's server, port, account and password into the dialog.
    void setProfile(int n, const QString& host, const QString& port, const QString& id,
                    const QString& password)
    {
        const auto set = [&](const QString& name, const QString& value) {
            dialog.findChild<QLineEdit*>(name + QString::number(n))->setText(value);
        };
        set(QStringLiteral("Server"), host);
        set(QStringLiteral("Port"), port);
        set(QStringLiteral("Id"), id);
        set(QStringLiteral("PassWd"), password);
    }
    // The verification window's status of server n.
    QString status(int n)
    {
        return dialog.verifyWindow()
            ->findChild<QLabel*>(QStringLiteral("Label%1").arg(n + 5))
            ->text();
    }

    TempDir dir;
    platform::QtEventLoop loop;
    RecordingTcp socket;
    AppContext ctx{loop, socket, dir.path()};
    ServerSet dialog{ctx};
};

} // namespace

class ServerVerifyDovecotTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::DovecotServer> server;

    bool dovecotReady()
    {
        if (testsupport::DovecotServer::executable().isEmpty())
            return false;
        server = std::make_unique<testsupport::DovecotServer>();
        return server->start() &&
               server->addUser(QStringLiteral("alice"), QStringLiteral("right")) &&
               server->addUser(QStringLiteral("bob"), QStringLiteral("right")) &&
               server->setMessages(QStringLiteral("alice"), {kMessage});
    }

private Q_SLOTS:
    void init()
    {
        if (!dovecotReady())
            QSKIP("Dovecot is not installed (Debian package dovecot-pop3d)");
    }
    void cleanup() { server.reset(); }

    void eachServerIsCheckedInTurnWithoutTouchingMailOrTheSettingsFile()
    {
        Verification v;
        auto& [dir, loop, socket, ctx, dialog] = v;
        QStringList warnings;
        dialog.setWarnFunction([&](QWidget*, const QString& text) { warnings << text; });
        const QString port = QString::number(server->port());
        v.setProfile(1, server->host(), port, "alice", "right");
        v.setProfile(2, server->host(), port, "bob", "wrong");
        v.setProfile(4, "nonexistent.invalid", port, "carol", "right");
        QVERIFY(SetDataWrite(ctx.settingsPath(), ctx.settings).ok);
        const QByteArray settingsBefore = readFile(ctx.settingsPath());

        // What the verification shows at each connection attempt: the previous
        // server's outcome is already in when the next login starts.
        QStringList attempts;
        socket.onConnect = [&](const QString& host) {
            QStringList shown;
            for (int n = 1; n <= 5; ++n)
                shown << dialog.verification().status(n);
            attempts << host + QStringLiteral(" | ") + shown.join(u' ');
        };
        dialog.findChild<QPushButton*>(QStringLiteral("設定確認"))->click();
        ServerVerify* window = dialog.verifyWindow();
        QVERIFY(window && window->isVisible());
        auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("OK"), 60000);

        QStringList statuses;
        for (int n = 1; n <= 5; ++n) {
            statuses << v.status(n);
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label%1").arg(n))->text(),
                     QStringLiteral("サーバ%1設定：").arg(QChar(u'０' + n)));
        }
        QCOMPARE(statuses,
                 QStringList({"設定完了", "エラー発生", "未設定", "エラー発生", "未設定"}));
        QCOMPARE(attempts,
                 QStringList(
                     {"127.0.0.1 | 未チェック 未チェック 未チェック 未チェック 未チェック",
                      "127.0.0.1 | 設定完了 未チェック 未チェック 未チェック 未チェック",
                      "nonexistent.invalid | 設定完了 エラー発生 未設定 未チェック 未チェック"}));
        QCOMPARE(warnings, QStringList());
        for (const char* command : {"STAT", "LIST", "TOP", "RETR", "DELE"})
            QVERIFY2(!socket.sent.contains(command), command);
        QVERIFY(!ctx.session.sessionInProgress());
        QVERIFY(!ctx.engine.heldBy(EngineOwner::User::Check));

        QCOMPARE(readFile(ctx.settingsPath()), settingsBefore);
        const auto remaining = testsupport::listMessageIds(
            server->host(), server->port(), QStringLiteral("alice"), QStringLiteral("right"));
        QCOMPARE(remaining, std::optional<QStringList>(QStringList({"<kept@example.com>"})));

        button->click();
        QVERIFY(window->isHidden());
        QVERIFY(dialog.isVisible());
    }

    void cancelDuringServerOneLeavesEveryStatusUncheckedAndNoTimerRunning()
    {
        Verification v;
        auto& [dir, loop, socket, ctx, dialog] = v;
        v.setProfile(1, server->host(), QString::number(server->port()), "alice", "right");
        // Cancelled right after the login to server 1 has been requested.
        socket.onConnect = [&](const QString&) {
            QTimer::singleShot(0, &dialog, [&] {
                dialog.verifyWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            });
        };
        dialog.findChild<QPushButton*>(QStringLiteral("設定確認"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.verifyWindow()->isHidden(), 10000);

        for (int n = 1; n <= 5; ++n)
            QCOMPARE(v.status(n), QStringLiteral("未チェック"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.verification().Timer1().isActive());
        QVERIFY(!ctx.session.Timer1().isActive());
        QVERIFY(!ctx.session.Timer2().isActive());
        QVERIFY(!ctx.engine.heldBy(EngineOwner::User::Check));
        QTest::qWait(1000); // a late greeting changes nothing
        QCOMPARE(v.status(1), QStringLiteral("未チェック"));
        QVERIFY(!socket.sent.contains("PASS"));
    }
};

QTEST_MAIN(ServerVerifyDovecotTest)
#include "ServerVerifyDovecotTest.moc"
