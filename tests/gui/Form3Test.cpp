// The single-server dialog and its progress window on virtual time with the scripted
// server, through the windows' controls.

#include "dialogs/Form4.h"
#include "settings/Ango.h"
#include "support/DialogHarness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Harness : DialogHarness
{
    QLineEdit* text(const char* name) { return find<QLineEdit>(form3(), name); }
    void press(const char* name) { find<QPushButton>(form3(), name)->click(); }
    // Shows the dialog, fills it and presses OK.
    void check(const QString& password)
    {
        windows.showSingleServerDialog();
        windows.fillSingleServerDialog("pop.example", "110", "alice", password);
        press("Command1");
    }
    QByteArray recorded() const { return readFile(ctx.singleServerPath()); }
};

// One line, port first, the three scrambled fields in double quotes, CR LF.
const QRegularExpression kRecord(R"re(^"110","([;-z]+)","([;-z]+)","([;-z]+)"\r\n$)re");

} // namespace

class Form3Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aSuccessfulCheckWritesOneLineAndASecondReplacesIt()
    {
        Harness h;
        h.check("secret");
        QCOMPARE(h.text("Text4")->echoMode(), QLineEdit::Password);
        QVERIFY(h.form3().isHidden());
        QVERIFY(h.form3().progressWindow()->isVisible());
        QCOMPARE(h.form3().progressWindow()->windowTitle(), QStringLiteral("サーバ確認"));
        h.loop.advance(100ms);

        QVERIFY(h.form3().progressWindow()->isHidden());
        QVERIFY(h.form3().isHidden());
        QCOMPARE(h.mainWindow, QStringList({"hide", "hide monitor", "show"}));
        const auto first = kRecord.match(QString::fromLatin1(h.recorded()));
        QVERIFY2(first.hasMatch(), h.recorded().constData());
        QCOMPARE(Decrypt(first.captured(1), "HostField"), QStringLiteral("pop.example"));
        QCOMPARE(Decrypt(first.captured(2), "UserF"), QStringLiteral("alice"));
        QCOMPARE(Decrypt(first.captured(3), "SecretField"), QStringLiteral("secret"));

        h.windows.showSingleServerDialog();
        h.text("Text3")->setText("bob");
        h.press("Command1");
        h.loop.advance(100ms);
        const auto second = kRecord.match(QString::fromLatin1(h.recorded()));
        QVERIFY(second.hasMatch());
        QCOMPARE(Decrypt(second.captured(2), "UserF"), QStringLiteral("bob"));
        QCOMPARE(h.warnings, QStringList());
    }

    void aWrongPasswordLeavesTheFileUntouchedAndTheFieldsAsTyped()
    {
        Harness h;
        h.check("secret");
        h.loop.advance(100ms);
        const QByteArray before = h.recorded();

        h.windows.showSingleServerDialog();
        h.text("Text4")->setText("wrong");
        h.press("Command1");
        h.loop.advance(100ms);

        QCOMPARE(h.warnings, QStringList({"サーバに接続出来ません"}));
        QVERIFY(h.form3().isVisible());
        QVERIFY(h.form3().progressWindow()->isHidden());
        QCOMPARE(h.text("Text4")->text(), QStringLiteral("wrong"));
        QCOMPARE(h.recorded(), before);
    }

    void closingTheProgressWindowCancelsTheCheck()
    {
        Harness h;
        h.server.setMailbox({.faults = {{"greeting", 1, FaultKind::Silence}}});
        h.check("secret");
        h.loop.advance(300ms);

        h.form3().progressWindow()->close();

        QVERIFY(h.form3().progressWindow()->isHidden());
        QVERIFY(h.form3().isVisible());
        QCOMPARE(h.loop.activeTimerCount(), 0);
        QVERIFY(!h.ctx.engine.heldBy(EngineOwner::User::Check));
        QVERIFY(!QFile::exists(h.ctx.singleServerPath()));

        h.form3().close(); // the title bar acts like キャンセル
        QVERIFY(h.form3().isHidden());
        QCOMPARE(h.mainWindow.last(), QStringLiteral("show"));
    }
};

QTEST_MAIN(Form3Test)
#include "Form3Test.moc"
