// Every dialog window at its natural size: no caption of a label, check box or button
// is cut off. With POSTSWEEP_SCREENSHOTS set to a folder, each window is also saved
// there as a PNG (scripts/screenshots.sh).

#include "app/control/AppContext.h"
#include "diagnostics/Form5.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "dialogs/ServerSet.h"
#include "dialogs/ServerVerify.h"
#include "platform/VirtualEventLoop.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Captions narrower than their text are cut off on screen.
// (Each window is saved before it is judged, so a failure can be looked at.)
QStringList cutOffCaptions(QWidget& window)
{
    QStringList cut;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->isVisibleTo(&window) && !label->wordWrap() &&
            label->width() < label->sizeHint().width())
            cut << label->text();
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&window) && button->width() < button->sizeHint().width())
            cut << button->text();
    return cut;
}

void save(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("POSTSWEEP_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QVERIFY(window.grab().save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

struct Harness
{
    Harness()
    {
        ScriptedMailbox box;
        box.headers = {"From: a@example.com\r\nTo: me@example.com\r\nSubject: "
                       "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"};
        server.setMailbox(box);
        server.failHost(QStringLiteral("nonexistent.invalid"), platform::TcpClient::HostNotFound);
        ServerProfile& p = ctx.settings.profile(1);
        p.Server = QStringLiteral("pop.example.jp");
        p.Id = QStringLiteral("alice");
        p.PassWd = QStringLiteral("secret");
        p.MyAddress = QStringLiteral("alice@example.jp");
        p.RuleUnsolicited = 1;
        p.RuleSubjectWords = 1;
        p.SubjectWords[0] = QStringLiteral("広告");
        p.SubjectWords[5] = QStringLiteral("SALE");
        ServerProfile& q = ctx.settings.profile(2);
        q = p;
        q.Server = QStringLiteral("nonexistent.invalid");
        q.RuleSenderWords = 1;
        q.SenderWords[0] = QStringLiteral("spam@example.com");
    }
    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    DialogWindows windows{ctx, {}};
};

} // namespace

class DialogScreenshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settingsDialogEveryTab()
    {
        Harness h;
        ServerSet& dialog = h.windows.serverSet();
        dialog.show();
        auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            save(dialog, QStringLiteral("ServerSet-tab%1").arg(i + 1));
            QCOMPARE(cutOffCaptions(dialog), QStringList());
        }
    }

    void verificationWindowAfterACheck()
    {
        Harness h;
        ServerSet& dialog = h.windows.serverSet();
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("設定確認"))->click();
        h.loop.advance(5s);
        ServerVerify& verify = *dialog.verifyWindow();
        QCOMPARE(cutOffCaptions(verify), QStringList());
        save(verify, QStringLiteral("ServerVerify"));
    }

    void singleServerDialogAndProgressWindow()
    {
        Harness h;
        h.windows.fillSingleServerDialog(QStringLiteral("pop.example.jp"), QStringLiteral("110"),
                                         QStringLiteral("alice"), QStringLiteral("secret"));
        h.windows.showSingleServerDialog();
        Form3& form3 = h.windows.form3();
        QCOMPARE(cutOffCaptions(form3), QStringList());
        save(form3, QStringLiteral("Form3"));
        Form4& form4 = *form3.progressWindow();
        form4.show();
        QCOMPARE(cutOffCaptions(form4), QStringList());
        save(form4, QStringLiteral("Form4"));
    }

    void headerViewerAfterARun()
    {
        Harness h;
        h.ctx.settings.profile(1).Enabled = true;
        h.ctx.rotation.setEndOfRunHandler([&h] { h.ctx.rotation.Timer4().stop(); });
        h.ctx.rotation.startRun();
        h.loop.advance(5s);
        h.windows.showHeaderViewer();
        Form5& viewer = h.windows.form5();
        viewer.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(cutOffCaptions(viewer), QStringList());
        save(viewer, QStringLiteral("Form5"));
    }
};

QTEST_MAIN(DialogScreenshots)
#include "DialogScreenshots.moc"
