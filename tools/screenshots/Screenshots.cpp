// Renders every window in each of its looks at its natural size into PNGs for the README
// and for people to look at (scripts/screenshots.sh); it judges nothing itself.

#include "DialogHarness.h"
#include "MainWindowHarness.h"
#include "app/DeletedMailWindow.h"
#include "diagnostics/Form5.h"
#include "dialogs/Form4.h"
#include "dialogs/PinDialog.h"
#include "dialogs/ServerVerify.h"

#include <QDir>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

// Saves the window as folder/name.png when POSTSWEEP_SCREENSHOTS names a folder.
void judge(QWidget& window, const QString& name)
{
    if (const QString folder = qEnvironmentVariable("POSTSWEEP_SCREENSHOTS"); !folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(window.grab().save(QDir(folder).filePath(name + QStringLiteral(".png"))));
    }
}

const QByteArray kSpam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                         "From: spam@example.com\r\nTo: taro@example.jp\r\n";
const QByteArray kWanted = "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
                           "From: friend@example.jp\r\nTo: taro@example.jp\r\n";

// The fingerprint of a self-signed certificate, as the log would print it.
const QByteArray kSelfSigned =
    QByteArray::fromHex("3a7f0c5e9b21d4468e1f2a0b7c93d5e6f10a2b3c4d5e6f708192a3b4c5d6e7f8");

// The main window against a mailbox whose QUIT goes unanswered; profile 1
// ("pop.example.jp", "taro", "secret") deletes unsolicited mail.
struct Program
{
    Program()
    {
        h.writeSettings([](SettingsModel& m) {
            m.profile(1).Server = QStringLiteral("pop.example.jp");
            m.profile(1).Id = QStringLiteral("taro");
            m.profile(1).PassWd = QStringLiteral("secret");
            m.profile(1).RuleUnsolicited = 1;
        });
        socket.setMailbox(
            {.headers = {kWanted, kSpam, kWanted}, .faults = {{"QUIT", 1, FaultKind::Silence}}});
        (void)h.app->start();
    }
    void click(const QString& name) { h.control<QAbstractButton>(name)->click(); }

    platform::VirtualEventLoop loop;
    ScriptedTcpClient socket{loop};
    MainWindowHarness h{loop, socket};
};

// The dialogs with profile 1 on the scripted server and profile 2 on a host that does
// not exist, both with rules.
struct Dialogs : DialogHarness
{
    Dialogs()
    {
        server.setMailbox({.headers = {kWanted}});
        server.failHost(QStringLiteral("nonexistent.invalid"), platform::TcpClient::HostNotFound);
        completeProfile(1);
        ServerProfile& p = ctx.settings.profile(1);
        p.MyAddress = QStringLiteral("alice@example.jp");
        p.RuleUnsolicited = 1;
        p.RuleSubjectWords = 1;
        p.SubjectWords[0] = QStringLiteral("広告");
        p.SubjectWords[5] = QStringLiteral("SALE");
        p.AllowList = {QStringLiteral("friend@example.jp"), QStringLiteral("@example.co.jp")};
        p.Connection = {ConnectionSecurity::Tls, QStringLiteral("995"), {}};
        ServerProfile& q = ctx.settings.profile(2);
        q = p;
        q.Server = QStringLiteral("nonexistent.invalid");
        q.Enabled = false; // a run visits profile 1 only
        q.RuleSenderWords = 1;
        q.SenderWords[0] = QStringLiteral("spam@example.com");
        q.AllowList.clear();
        q.Connection = {ConnectionSecurity::StartTls, QStringLiteral("110"), kSelfSigned};
    }
};

} // namespace

class Screenshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    }

    void mainWindowIdleAndRunOnce()
    {
        Program p;
        judge(p.h.form1(), QStringLiteral("Form1-idle"));
        p.click(QStringLiteral("Check1"));
        judge(p.h.form1(), QStringLiteral("Form1-run-once"));
    }

    void mainWindowPreviewOnly()
    {
        Program p;
        p.click(QStringLiteral("PreviewOnly"));
        judge(p.h.form1(), QStringLiteral("Form1-preview-only"));
    }

    void mainWindowRunningAndMonitor()
    {
        Program p;
        p.click(QStringLiteral("Command3"));
        p.loop.advance(2s);
        p.h.app->model().setMainWindowVisible(true);
        judge(p.h.form1(), QStringLiteral("Form1-running"));
        p.h.form2().showMonitor(); // the rule evaluation hid it
        judge(p.h.form2(), QStringLiteral("Form2"));
    }

    void deletedMailWithAFewCopies()
    {
        Program p;
        archive::DeletedMailArchive& kept = p.h.app->context().archive;
        const struct
        {
            const char* subject;
            const char* from;
            const char* rule;
        } copies[] = {
            {"未承諾広告※今だけの特別価格", "shop@ad-mail.example", "未承諾"},
            {"WIN a brand new car today", "lucky@prize.example", "英文のみ"},
            {"激安ブランド品が入荷しました", "brand@outlet.example", "タイトル文字列 \"激安\""},
            {"今月のおすすめ情報", "bulk@spam-sender.example",
             "差出人文字列 \"spam-sender.example\""},
        };
        qint16 number = 1;
        for (const auto& copy : copies) {
            QVERIFY(kept.begin({.server = QStringLiteral("pop.example.jp"),
                                .account = QStringLiteral("taro"),
                                .number = number++,
                                .subject = QString::fromUtf8(copy.subject),
                                .from = QString::fromUtf8(copy.from),
                                .rule = QString::fromUtf8(copy.rule)}));
            QVERIFY(kept.append("Subject: x\r\n\r\n") && kept.commit());
            p.loop.advance(61s);
        }
        p.h.app->showDeletedMail();
        judge(*p.h.app->deletedMailWindow(), QStringLiteral("DeletedMail"));
    }

    void settingsDialogEveryTab()
    {
        Dialogs h;
        ServerSet& dialog = h.serverSet();
        dialog.show();
        auto* tabs = h.find<QTabWidget>(dialog, QStringLiteral("SSTab1"));
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            judge(dialog, QStringLiteral("ServerSet-tab%1").arg(i + 1));
        }
    }

    void verificationWindowAfterACheck()
    {
        Dialogs h;
        h.serverSet().show();
        h.find<QPushButton>(h.serverSet(), QStringLiteral("設定確認"))->click();
        h.loop.advance(5s);
        judge(*h.serverSet().verifyWindow(), QStringLiteral("ServerVerify"));
    }

    void refusedCertificateAndPinDialog()
    {
        Dialogs h;
        h.server.setMailbox(
            {.headers = {kWanted},
             .tlsRefusal = platform::TlsFailure{
                 QStringLiteral("証明書の発行者が信頼されていません"), kSelfSigned}});
        h.serverSet().show();
        h.find<QPushButton>(h.serverSet(), QStringLiteral("設定確認"))->click();
        h.loop.advance(5s);
        judge(*h.serverSet().verifyWindow(), QStringLiteral("ServerVerify-certificate"));
        PinDialog pin(QStringLiteral("pop.example"));
        pin.setText(QStringLiteral("\u3000証明書の SHA-256 指紋: ") +
                    QString::fromLatin1(kSelfSigned.toHex(':')));
        pin.show();
        judge(pin, QStringLiteral("PinDialog"));
    }

    void singleServerDialogAndProgressWindow()
    {
        Dialogs h;
        h.windows.fillSingleServerDialog(QStringLiteral("pop.example.jp"), QStringLiteral("110"),
                                         QStringLiteral("alice"), QStringLiteral("secret"));
        h.windows.showSingleServerDialog();
        judge(h.form3(), QStringLiteral("Form3"));
        h.form3().progressWindow()->show();
        judge(*h.form3().progressWindow(), QStringLiteral("Form4"));
    }

    void headerViewerAfterARun()
    {
        Dialogs h;
        h.ctx.rotation.setEndOfRunHandler([&h] { h.ctx.rotation.Timer4().stop(); });
        h.ctx.rotation.startRun();
        h.loop.advance(5s);
        h.windows.showHeaderViewer();
        h.find<QPushButton>(h.windows.form5(), QStringLiteral("Command1"))->click();
        judge(h.windows.form5(), QStringLiteral("Form5"));
    }
};

QTEST_MAIN(Screenshots)
#include "Screenshots.moc"
