// The header viewer after a run of three messages against the scripted server on
// virtual time, through the window's controls.

#include "diagnostics/Form5.h"

#include "app/control/AppContext.h"
#include "dialogs/DialogWindows.h"
#include "platform/VirtualEventLoop.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

QByteArray header(const QByteArray& subject, const QByteArray& from)
{
    return "From: " + from + "\r\nTo: me@example.com\r\nCc: cc@example.com\r\nSubject: " + subject +
           "\r\n";
}

struct Harness
{
    // A whole run over one profile with three messages, none deleted.
    Harness()
    {
        ScriptedMailbox box;
        box.headers = {header("first", "a@example.com"), header("second", "b@example.com"),
                       header("=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=", "c@example.com")};
        server.setMailbox(box);
        ServerProfile& p = ctx.settings.profile(1);
        p.Server = QStringLiteral("pop.example");
        p.Id = QStringLiteral("alice");
        p.PassWd = QStringLiteral("secret");
        p.Enabled = true;
        ctx.rotation.setEndOfRunHandler([this] { ctx.rotation.Timer4().stop(); });
        ctx.rotation.startRun();
        loop.advance(10s);
        windows.showHeaderViewer();
    }
    Form5& viewer() { return windows.form5(); }
    QString text(const char* name)
    {
        const QString objectName = QString::fromLatin1(name);
        if (auto* edit = viewer().findChild<QLineEdit*>(objectName))
            return edit->text();
        return viewer().findChild<QPlainTextEdit*>(objectName)->toPlainText();
    }
    void setNumber(const QString& n)
    {
        viewer().findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(n);
    }
    void press(const char* name)
    {
        viewer().findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    DialogWindows windows{ctx, {}};
};

} // namespace

class Form5Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theEngineRefreshedTheViewerWithSlotOne()
    {
        Harness h;
        QCOMPARE(h.ctx.store.MaxMail, qint16(3));
        QCOMPARE(h.viewer().windowTitle(), QStringLiteral("Form5"));
        QCOMPARE(h.text("Text2"), QStringLiteral("1"));
        // Refreshed before each header was stored: slot 1 as it stood then.
        QVERIFY2(h.text("Text1").contains(QStringLiteral("From: a@example.com")),
                 qPrintable(h.text("Text1")));
        QCOMPARE(h.text("Text3"), QStringLiteral("first"));
    }

    void showTwoShowsMessageTwoWithoutTouchingTheEnginesNumber()
    {
        Harness h;
        const qint16 engineNumber = h.ctx.store.HeaderNo;
        h.setNumber(QStringLiteral("2"));
        h.press("Command1");
        QVERIFY(h.text("Text1").contains(QStringLiteral("Subject: second")));
        QCOMPARE(h.text("Text3"), QStringLiteral("second"));
        QCOMPARE(h.text("Text4"), QStringLiteral("b@example.com"));
        QCOMPARE(h.text("Text5"), QStringLiteral("me@example.com"));
        QCOMPARE(h.text("Text6"), QStringLiteral("cc@example.com"));
        QCOMPARE(h.ctx.store.HeaderNo, engineNumber);
    }

    void subjectAndFromDecodeTheEditedRawText()
    {
        Harness h;
        h.setNumber(QStringLiteral("3"));
        h.press("Command1");
        QCOMPARE(h.text("Text3"), QStringLiteral("こんにちは"));
        h.viewer()
            .findChild<QPlainTextEdit*>(QStringLiteral("Text1"))
            ->setPlainText(
                QStringLiteral("From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <y@example.jp>\r\n"
                               "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?= 2\r\n"));
        h.press("Command2");
        h.press("Command3");
        QCOMPARE(h.text("Text3"), QStringLiteral("こんにちは 2"));
        QCOMPARE(h.text("Text4"), QStringLiteral("山田 <y@example.jp>"));
        QCOMPARE(h.ctx.store.MailSubject(3),
                 QStringLiteral("こんにちは")); // the store is unchanged
    }

    void upAndDownStopAtTheEnds()
    {
        Harness h;
        struct Step
        {
            const char* button;
            const char* number;
            const char* subject;
        };
        h.press("Command1");
        const Step steps[] = {
            {"Command5", "1", "first"},  // DOWN at 1 does nothing
            {"Command4", "2", "second"}, // UP
            {"Command4", "3", "こんにちは"},
            {"Command4", "3", "こんにちは"}, // UP at MaxMail does nothing
            {"Command5", "2", "second"},
        };
        for (const Step& step : steps) {
            h.press(step.button);
            QCOMPARE(h.text("Text2"), QString::fromLatin1(step.number));
            QCOMPARE(h.text("Text3"), QString::fromUtf8(step.subject));
        }
        h.setNumber(QStringLiteral("abc"));
        h.press("Command4");
        h.press("Command1");
        QCOMPARE(h.text("Text2"), QStringLiteral("abc"));
        QCOMPARE(h.text("Text3"), QStringLiteral("second"));
    }
};

QTEST_MAIN(Form5Test)
#include "Form5Test.moc"
