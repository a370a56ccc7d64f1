// The single-server dialog and its progress window on virtual time with the scripted
// server, through the windows' controls.

#include "dialogs/Form3.h"

#include "app/control/AppContext.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/Form4.h"
#include "platform/VirtualEventLoop.h"
#include "settings/Ango.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

struct Harness
{
    Harness()
    {
        ScriptedMailbox box;
        box.headers = {"Subject: one\r\n"};
        server.setMailbox(box);
        dialog().setWarnFunction([this](QWidget*, const QString& text) { warnings << text; });
    }
    Form3& dialog() { return windows.form3(); }
    QLineEdit* text(const char* name)
    {
        return dialog().findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    void press(const char* name)
    {
        dialog().findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
    void fill(const QString& password, const QString& port = QStringLiteral("110"))
    {
        windows.fillSingleServerDialog(QStringLiteral("pop.example"), port, QStringLiteral("alice"),
                                       password);
    }
    QByteArray recorded() const
    {
        QFile file(ctx.singleServerPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    QStringList mainWindow; // what the dialogs asked of the main window and the monitor
    DialogWindows windows{ctx,
                          {[this] { mainWindow << QStringLiteral("show"); },
                           [this] { mainWindow << QStringLiteral("hide"); },
                           [this] { mainWindow << QStringLiteral("hide monitor"); }}};
    QStringList warnings;
};

} // namespace

class Form3Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aSuccessfulCheckWritesOneLineAndASecondReplacesIt()
    {
        Harness h;
        h.windows.showSingleServerDialog();
        QCOMPARE(h.mainWindow, QStringList({"hide"}));
        QCOMPARE(h.text("Text4")->echoMode(), QLineEdit::Password);
        h.fill(QStringLiteral("secret"));
        h.press("Command1");
        QVERIFY(h.dialog().isHidden());
        QVERIFY(h.dialog().progressWindow()->isVisible());
        QCOMPARE(h.dialog().progressWindow()->windowTitle(), QStringLiteral("サーバ確認"));
        h.loop.advance(100ms);

        QVERIFY(h.dialog().progressWindow()->isHidden());
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.mainWindow, QStringList({"hide", "hide monitor", "show"}));
        const QRegularExpression line(
            QString::fromLatin1(R"re(^"110","([;-z]+)","([;-z]+)","([;-z]+)"\r\n$)re"));
        const auto first = line.match(QString::fromLatin1(h.recorded()));
        QVERIFY2(first.hasMatch(), h.recorded().constData());
        QCOMPARE(Decrypt(first.captured(1), QStringLiteral("HostField")),
                 QStringLiteral("pop.example"));
        QCOMPARE(Decrypt(first.captured(2), QStringLiteral("UserF")), QStringLiteral("alice"));
        QCOMPARE(Decrypt(first.captured(3), QStringLiteral("SecretField")),
                 QStringLiteral("secret"));

        h.windows.showSingleServerDialog();
        h.text("Text3")->setText(QStringLiteral("bob"));
        h.press("Command1");
        h.loop.advance(100ms);
        const auto second = line.match(QString::fromLatin1(h.recorded()));
        QVERIFY(second.hasMatch());
        QCOMPARE(Decrypt(second.captured(2), QStringLiteral("UserF")), QStringLiteral("bob"));
        QCOMPARE(h.warnings, QStringList());
    }

    void aWrongPasswordLeavesTheFileUntouchedAndTheFieldsAsTyped()
    {
        Harness h;
        h.windows.showSingleServerDialog();
        h.fill(QStringLiteral("secret"));
        h.press("Command1");
        h.loop.advance(100ms);
        const QByteArray before = h.recorded();

        h.windows.showSingleServerDialog();
        h.text("Text4")->setText(QStringLiteral("wrong"));
        h.press("Command1");
        h.loop.advance(100ms);

        QCOMPARE(h.warnings, QStringList({"サーバに接続出来ません"}));
        QVERIFY(h.dialog().isVisible());
        QVERIFY(h.dialog().progressWindow()->isHidden());
        QCOMPARE(h.text("Text4")->text(), QStringLiteral("wrong"));
        QCOMPARE(h.recorded(), before);
    }

    void aPortOutsideOneTo65535IsRefusedLikeAnEmptyField()
    {
        Harness h;
        h.windows.showSingleServerDialog();
        for (const char* port : {"", "0", "65536", "11O"}) {
            h.fill(QStringLiteral("secret"), QString::fromLatin1(port));
            h.press("Command1");
        }
        QCOMPARE(h.warnings, QStringList(4, QStringLiteral("全項目入力してください")));
        QCOMPARE(h.server.connections(), 0);
        QVERIFY(h.dialog().isVisible());
    }

    void closingTheProgressWindowCancelsTheCheck()
    {
        Harness h;
        ScriptedMailbox silent;
        silent.faults = {{"greeting", 1, FaultKind::Silence}};
        h.server.setMailbox(silent);
        h.windows.showSingleServerDialog();
        h.fill(QStringLiteral("secret"));
        h.press("Command1");
        h.loop.advance(300ms);

        h.dialog().progressWindow()->close();

        QVERIFY(h.dialog().progressWindow()->isHidden());
        QVERIFY(h.dialog().isVisible());
        QCOMPARE(h.loop.activeTimerCount(), 0);
        QVERIFY(!h.ctx.loginCheckActive);
        QVERIFY(!QFile::exists(h.ctx.singleServerPath()));

        h.dialog().close(); // the title bar acts like キャンセル
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.mainWindow.last(), QStringLiteral("show"));
    }
};

QTEST_MAIN(Form3Test)
#include "Form3Test.moc"
