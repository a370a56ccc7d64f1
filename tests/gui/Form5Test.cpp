// The header viewer after a run of three messages against the scripted server on
// virtual time, through the window's controls.

#include "diagnostics/Form5.h"

#include "support/DialogHarness.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

QByteArray header(const QByteArray& subject, const QByteArray& from)
{
    return "From: " + from + "\r\nTo: me@example.com\r\nCc: cc@example.com\r\nSubject: " + subject +
           "\r\n";
}

struct Harness : DialogHarness
{
    // A whole run over one profile with three messages, none deleted.
    Harness()
    {
        server.setMailbox(
            {.headers = {header("first", "a@example.com"), header("second", "b@example.com"),
                         header("=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=", "c@example.com")}});
        completeProfile(1);
        ctx.rotation.setEndOfRunHandler([this] { ctx.rotation.Timer4().stop(); });
        ctx.rotation.startRun();
        loop.advance(10s);
        windows.showHeaderViewer();
    }
    Form5& viewer() { return windows.form5(); }
    QString text(const char* name)
    {
        if (auto* edit = viewer().findChild<QLineEdit*>(name))
            return edit->text();
        return find<QPlainTextEdit>(viewer(), name)->toPlainText();
    }
    void setNumber(const QString& n) { find<QLineEdit>(viewer(), "Text2")->setText(n); }
    void press(const char* name) { find<QPushButton>(viewer(), name)->click(); }
};

} // namespace

class Form5Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showTwoShowsMessageTwoWithoutTouchingTheEnginesNumber()
    {
        Harness h;
        QCOMPARE(h.ctx.store.MaxMail, qint16(3));
        QCOMPARE(h.viewer().windowTitle(), QStringLiteral("Form5"));
        // Refreshed by the engine before each header was stored: slot 1 as it stood then.
        QCOMPARE(h.text("Text2"), QStringLiteral("1"));
        QVERIFY(h.text("Text1").contains(QStringLiteral("From: a@example.com")));
        QCOMPARE(h.text("Text3"), QStringLiteral("first"));

        const qint16 engineNumber = h.ctx.store.HeaderNo;
        h.setNumber("2");
        h.press("Command1");
        QVERIFY(h.text("Text1").contains(QStringLiteral("Subject: second")));
        QCOMPARE(h.text("Text3"), QStringLiteral("second"));
        QCOMPARE(h.text("Text4"), QStringLiteral("b@example.com"));
        QCOMPARE(h.text("Text5"), QStringLiteral("me@example.com"));
        QCOMPARE(h.text("Text6"), QStringLiteral("cc@example.com"));
        QCOMPARE(h.ctx.store.HeaderNo, engineNumber);
    }

    void theViewerOpensOnTheScreenWithoutCoveringTheMonitor()
    {
        Harness h; // the viewer is shown by now
        const QRect viewer = h.viewer().frameGeometry();
        QVERIFY2(!viewer.intersects(h.monitorFrame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                    .arg(viewer.x())
                                                                    .arg(viewer.y())
                                                                    .arg(viewer.width())
                                                                    .arg(viewer.height())));
        QVERIFY(h.viewer().screen()->availableGeometry().contains(viewer));
    }

    void subjectAndFromDecodeTheEditedRawText()
    {
        Harness h;
        h.setNumber("3");
        h.press("Command1");
        QCOMPARE(h.text("Text3"), QStringLiteral("こんにちは"));
        h.find<QPlainTextEdit>(h.viewer(), "Text1")
            ->setPlainText("From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <y@example.jp>\r\n"
                           "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?= 2\r\n");
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
        h.press("Command1");
        const struct
        {
            const char* button;
            const char* number;
            const char* subject;
        } steps[] = {
            {"Command5", "1", "first"},  // DOWN at 1 does nothing
            {"Command4", "2", "second"}, // UP
            {"Command4", "3", "こんにちは"},
            {"Command4", "3", "こんにちは"}, // UP at MaxMail does nothing
            {"Command5", "2", "second"},
        };
        for (const auto& step : steps) {
            h.press(step.button);
            QCOMPARE(h.text("Text2"), QString::fromLatin1(step.number));
            QCOMPARE(h.text("Text3"), QString::fromUtf8(step.subject));
        }
        h.setNumber("abc");
        h.press("Command4");
        h.press("Command1");
        QCOMPARE(h.text("Text2"), QStringLiteral("abc"));
        QCOMPARE(h.text("Text3"), QStringLiteral("second"));
    }
};

QTEST_MAIN(Form5Test)
#include "Form5Test.moc"
