// The main window, its notification-area menu and the command monitor, driven
// through their widgets on virtual time against the scripted server.

#include "MainWindowHarness.h"
#include "app/NotifyIcon.h"
#include "settings/OptionsFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

const QByteArray kWanted = "Subject: hello\r\nFrom: friend@example.jp\r\nTo: me@example.jp\r\n";

struct Program : VirtualProgram
{
    // Profile 1 complete, against a mailbox whose QUIT goes unanswered, so that a
    // run stays in progress until something ends it.
    void startWithOneServer()
    {
        QCOMPARE(VirtualProgram::startWithOneServer(
                     {.headers = {kWanted}, .faults = {{"QUIT", 1, FaultKind::Silence}}}),
                 LoadOutcome::Complete);
    }
    QAction* menuEntry(const QString& name)
    {
        return h.app->notifyIcon()->menu().findChild<QAction*>(name);
    }
    void doubleClickIcon()
    {
        Q_EMIT h.app->notifyIcon()->icon().activated(QSystemTrayIcon::DoubleClick);
    }
    bool checked(const QString& name) { return h.control<QAbstractButton>(name)->isChecked(); }
    bool enabled(const QString& name) { return h.control<QWidget>(name)->isEnabled(); }
    bool shown(const QString& name) { return h.control<QWidget>(name)->isVisibleTo(&h.form1()); }
};

QString caption(QObject* object)
{
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(object))
        return frame->title();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    return {};
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The offscreen platform has no notification area; its icon complains.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    }

    void everyControlCarriesItsNameAndCaption()
    {
        const struct
        {
            const char* window;
            const char* name;
            const char* caption;
        } rows[] = {
            {"Form1", "Command1", "サーバ設定"},
            {"Form1", "Command2", "終　了"},
            {"Form1", "Command3", "実行"},
            {"Form1", "Command4", "継続"},
            {"Form1", "Command5", "中止"},
            {"Form1", "ヘルプ", "ヘルプ"},
            {"Form1", "Check1", "終了後メールソフトを起動する（定期的に実行しません）"},
            {"Form1", "Check2", "タイトルに「未承諾」を含むメールを削除"},
            {"Form1", "Check3", "タイトルに以下の文字を含む場合削除"},
            {"Form1", "Check4", "差出人に以下の文字を含む場合削除"},
            {"Form1", "Check5", "起動時に内容をクリア"},
            {"Form1", "チェック間隔", "チェック間隔"},
            {"Form1", "Option1(0)", "１０分"},
            {"Form1", "Option1(1)", "２０分"},
            {"Form1", "Option1(2)", "３０分"},
            {"Form1", "Option1(3)", "１時間"},
            {"Form1", "Option1(4)", "２時間"},
            {"Form1", "Option1(5)", "３時間"},
            {"Form1", "Frame5", "終了時起動するメールソフト"},
            {"Form1", "Option2(2)", "起動せずそのまま終了"},
            {"Form1", "ログファイル", "ログファイル"},
            {"Form1", "削除条件設定", "削除条件設定"},
            {"Form1", "Text1", ""},
            {"Form1", "Text2", ""},
            {"Form2", "Label1", ""},
            {"Form2", "DebugWindow", ""},
            {"Form2", "Command1", "キャンセル"},
            {"メニュー", "中止", "中止"},
            {"メニュー", "終了", "終了"},
        };
        Program p;
        QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("Post Sweep"));
        QCOMPARE(p.h.form2().windowTitle(), QStringLiteral("PostSweep 実行中のコマンド"));
        QCOMPARE(p.h.app->notifyIcon()->menu().objectName(), QStringLiteral("メニュー"));
        QCOMPARE(p.h.app->notifyIcon()->icon().toolTip(),
                 QStringLiteral("不要なメールを削除 Post Sweep"));
        for (const auto& row : rows) {
            const QString window = QString::fromUtf8(row.window);
            QObject* parent = &p.h.app->notifyIcon()->menu();
            if (window == QStringLiteral("Form1"))
                parent = &p.h.form1();
            else if (window == QStringLiteral("Form2"))
                parent = &p.h.form2();
            QObject* control = parent->findChild<QObject*>(QString::fromUtf8(row.name));
            QVERIFY2(control, row.name);
            QCOMPARE(caption(control), QString::fromUtf8(row.caption));
        }
    }

    void startUpWithoutSettingsShowsTheSettingsDialog()
    {
        Program p;
        QCOMPARE(p.h.app->start(), LoadOutcome::PathA);
        QCOMPARE(p.h.shell->calls, QStringList{QStringLiteral("settings dialog")});
        QVERIFY(!p.h.form1().isVisible());
        QCOMPARE(p.h.app->context().settings.profile(1).Port, QStringLiteral("110"));
    }

    void startUpFromThirtyFiveLinesShowsTheDefaults()
    {
        Program p;
        SettingsModel stored;
        stored.profile(2).Server = QStringLiteral("pop.example.jp");
        stored.profile(2).Id = QStringLiteral("taro");
        stored.profile(2).PassWd = QStringLiteral("secret");
        stored.global.IntCheck = 1;
        stored.global.TimePosition = 5;
        QByteArray bytes = settingsFileBytes(stored);
        bytes.truncate(bytes.lastIndexOf("\r\n", bytes.size() - 3) + 2);
        QVERIFY(writeFile(p.h.app->context().settingsPath(), bytes));
        QVERIFY(writeFile(p.h.app->context().log.path(), "earlier line\r\n"));

        QCOMPARE(p.h.app->start(), LoadOutcome::PathB);
        QVERIFY(p.h.form1().isVisible());
        QVERIFY(p.checked("Option1(0)") && p.enabled("Option1(0)"));
        QVERIFY(!p.checked("Check1"));
        QVERIFY(!p.shown("Frame5"));
        QVERIFY(p.checked("Option2(0)"));
        QVERIFY(!p.checked("Check5"));
        QCOMPARE(p.h.app->context().settings.global, GlobalSettings{});
        // The file that did not load completely is kept, and the log says so.
        QCOMPARE(p.h.logLines().size(), 2);
        QVERIFY(p.h.logLines().last().endsWith(u"「PostSweep.ini.bad」として残しました。"_qs));
        QCOMPARE(readFile(p.h.app->context().settingsPath() + ".bad"), bytes);
    }

    void startUpInRunOnceModeShowsTheMailPrograms()
    {
        Program p;
        p.h.writeSettings(
            [](SettingsModel& m) { m.global.IntCheck = 1, m.global.MailSoftSelect = 1; });
        QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
        QVERIFY(p.checked("Check1"));
        for (int i = 0; i < 6; ++i)
            QVERIFY(!p.enabled(QStringLiteral("Option1(%1)").arg(i)));
        QVERIFY(p.shown("Frame5"));
        QVERIFY(p.checked("Option2(1)"));

        p.click("Check1"); // back to periodic runs
        QVERIFY(p.enabled("Option1(0)"));
        QVERIFY(!p.shown("Frame5"));
        QCOMPARE(p.h.app->context().settings.global.IntCheck, 0);
    }

    void startUpWithAnHourlyInterval()
    {
        Program p;
        p.h.writeSettings([](SettingsModel& m) { m.global.TimePosition = 3; });
        QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
        QVERIFY(p.checked("Option1(3)") && p.enabled("Option1(3)"));
        QVERIFY(!p.checked("Option1(0)"));
        QVERIFY(!p.shown("Frame5"));

        p.click("Option1(5)");
        QCOMPARE(p.h.app->context().settings.global.TimePosition, 5);
    }

    void runWithoutAnEnabledProfileOpensTheSettingsDialog()
    {
        Program p;
        p.h.writeSettings([](SettingsModel& m) { m.profile(1).Server = "no.account"; });
        QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
        const QString settings = p.h.app->context().settingsPath();
        const QByteArray before = readFile(settings);
        const QDateTime written = QFileInfo(settings).lastModified();

        p.click("Command3");
        QCOMPARE(p.h.shell->calls, QStringList{"settings dialog"});
        QVERIFY(!p.h.form1().isVisible());
        QVERIFY(!QFile::exists(p.h.app->context().log.path()));
        QCOMPARE(readFile(settings), before);
        QCOMPARE(QFileInfo(settings).lastModified(), written);
        QCOMPARE(p.socket.connections(), 0);
    }

    void runShowsTheRunningState()
    {
        Program p;
        p.startWithOneServer();
        QFile::remove(p.h.app->context().settingsPath());
        p.click("Command3");
        QVERIFY(!p.h.form1().isVisible());
        QVERIFY(p.h.form2().isVisible());
        QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep 実行中"));
        QVERIFY(!p.enabled("Command3") && !p.enabled("Command1"));
        QVERIFY(p.shown("Command4") && p.shown("Command5"));
        QCOMPARE(p.h.messageOf(p.h.logLines().value(0)), QStringLiteral("  実行を開始しました"));
        QVERIFY2(QFile::exists(p.h.app->context().settingsPath()), "saved");

        p.loop.advance(2s);
        const QString transcript = p.h.monitorControl<QPlainTextEdit>("DebugWindow")->toPlainText();
        QVERIFY(transcript.contains("PASS *******"));
        QVERIFY(!transcript.contains("secret"));
        QCOMPARE(p.h.monitorControl<QLabel>("Label1")->text(), QStringLiteral("QUIT"));
    }

    void stopAndCancelInEachMode_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("runOnce");
        QTest::addColumn<bool>("mainWindowShown");
        QTest::addColumn<QString>("line");
        const QString stopped =
            QStringLiteral("  中止キーが押されたのでタイマでの定期実行を中止します");
        const QString cancelled = QStringLiteral("　データ読み込み中キャンセルされました");
        QTest::newRow("中止 button, periodic") << "Command5" << false << true << stopped;
        QTest::newRow("中止 button, run once") << "Command5" << true << true << stopped;
        QTest::newRow("中止 menu entry, periodic") << "menu" << false << true << stopped;
        QTest::newRow("中止 menu entry, run once") << "menu" << true << true << stopped;
        QTest::newRow("キャンセル, periodic") << "cancel" << false << false << cancelled;
        QTest::newRow("キャンセル, run once") << "cancel" << true << true << cancelled;
    }

    void stopAndCancelInEachMode()
    {
        QFETCH(QString, command);
        QFETCH(bool, runOnce);
        QFETCH(bool, mainWindowShown);
        QFETCH(QString, line);
        Program p;
        p.startWithOneServer();
        if (runOnce)
            p.click("Check1");
        p.click("Command3");
        p.loop.advance(2s); // QUIT sent, no answer yet
        QVERIFY(p.socket.isOpen());

        if (command == QStringLiteral("Command5"))
            p.click(command);
        else if (command == QStringLiteral("menu"))
            p.menuEntry("中止")->trigger();
        else
            p.h.monitorControl<QPushButton>("Command1")->click();

        QCOMPARE(p.h.form1().isVisible(), mainWindowShown);
        QVERIFY(!p.h.form2().isVisible());
        QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep"));
        QVERIFY(p.enabled("Command3") && p.enabled("Command1"));
        QVERIFY(!p.shown("Command4") && !p.shown("Command5"));
        QVERIFY(!p.socket.isOpen());
        QVERIFY(!p.h.app->context().session.sessionInProgress());
        QVERIFY(!p.h.app->controller().Timer3().isActive());
        QVERIFY(!p.h.app->context().rotation.Timer4().isActive());
        QCOMPARE(p.h.messageOf(p.h.logLines().last()), line);
        p.loop.advance(1h);
        QCOMPARE(p.socket.connections(), 1);
        QVERIFY2(p.socket.deleted().empty(), "a session cut off before QUIT deletes nothing");
        QVERIFY2(p.h.shell->calls.isEmpty(), "no mail program, no exit");
    }

    void continueAndTheDoubleClickRule()
    {
        Program p;
        p.startWithOneServer();
        p.click("Command3");
        p.doubleClickIcon();
        QVERIFY2(!p.h.form1().isVisible(), "the monitor is up");

        p.h.form2().hideMonitor();
        p.doubleClickIcon();
        QVERIFY(p.h.form1().isVisible());
        QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep 実行中"));
        p.click("Command4");
        QVERIFY(!p.h.form1().isVisible());
        QVERIFY2(p.socket.isOpen(), "the run goes on");
        QVERIFY(!p.h.logLines().join(u'\n').contains(QStringLiteral("中止")));
    }

    void exitCommandsSaveLogAndEnd_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("終　了 button") << "Command2";
        QTest::newRow("終了 menu entry") << "menu";
        QTest::newRow("window frame") << "close";
    }

    void exitCommandsSaveLogAndEnd()
    {
        QFETCH(QString, command);
        Program p;
        p.startWithOneServer();
        p.click("Command3");
        p.loop.advance(2s);
        QFile::remove(p.h.app->context().settingsPath());

        if (command == QStringLiteral("Command2"))
            p.click(command);
        else if (command == QStringLiteral("menu"))
            p.menuEntry("終了")->trigger();
        else
            p.h.form1().close();

        QCOMPARE(p.h.shell->calls, QStringList{"quit"});
        QVERIFY(QFile::exists(p.h.app->context().settingsPath()));
        QCOMPARE(p.h.messageOf(p.h.logLines().last()),
                 QStringLiteral("  終了キーが押されたので終了します"));
        QVERIFY(!p.socket.isOpen());
    }

    void theKeyboardRunsTheWindow()
    {
        Program p;
        p.startWithOneServer();
        QTest::keyClick(p.h.control<QCheckBox>("Check1"), Qt::Key_Space);
        QVERIFY(p.shown("Frame5"));
        QTest::keyClick(p.h.control<QRadioButton>("Option2(2)"), Qt::Key_Space);
        QCOMPARE(p.h.app->context().settings.global.MailSoftSelect, 2);
        QTest::keyClick(p.h.control<QPushButton>("Command3"), Qt::Key_Space);
        QCOMPARE(p.socket.connections(), 1);
    }

    void previewOnlyIsKeptInTheOptionsFileAndItsRunDeletesNothing()
    {
        const QByteArray spam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                                "From: ad@example.jp\r\nTo: me@example.jp\r\n";
        Program p;
        QCOMPARE(p.VirtualProgram::startWithOneServer({.headers = {spam, kWanted}}),
                 LoadOutcome::Complete);
        QTest::keyClick(p.h.control<QCheckBox>("PreviewOnly"), Qt::Key_Space);
        p.click("Command3");
        p.loop.advance(5s);
        QVERIFY(p.socket.deleted().empty());
        QVERIFY(!p.socket.clientLines().contains(QStringLiteral("DELE 1")));
        const QStringList log = p.h.logLines();
        QCOMPARE(p.h.messageOf(log.value(0)),
                 QStringLiteral("  確認のみで実行を開始しました（削除しません）"));
        QCOMPARE(log.filter(QStringLiteral("を削除対象と判定しました（確認のみ）")).size(), 1);
        QVERIFY(OptionsFile::load(p.h.app->context().directory).previewOnly());
    }

    void shortcutsOpenTheDiagnosticWindows()
    {
        Program p;
        p.startWithOneServer();
        QApplication::setActiveWindow(&p.h.form1());
        QVERIFY(QTest::qWaitForWindowActive(&p.h.form1()));
        QTest::keyClick(&p.h.form1(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&p.h.form1(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(p.h.shell->calls, QStringList({"header viewer", "single-server dialog"}));
    }

    void withoutANotificationAreaTheWindowIsMinimisedInstead()
    {
        VirtualProgram p(false);
        QVERIFY(!p.h.app->notifyIcon());
        QCOMPARE(p.startWithOneServer({.headers = {kWanted}}), LoadOutcome::Complete);
        p.click("Command3");
        QVERIFY(p.h.form1().isVisible());
        QVERIFY(p.h.form1().isMinimized());
        p.h.form1().showNormal(); // the user brings it back from the task bar
        QVERIFY(p.h.app->model().mainWindowVisible());
        p.click("Command4");
        QVERIFY(p.h.form1().isMinimized());
    }

    void theMonitorSitsTopmostAtTheTopLeft()
    {
        Program p;
        p.h.form2().showMonitor();
        QCOMPARE(p.h.form2().frameGeometry().topLeft(), QPoint(0, 0));
        QVERIFY(p.h.form2().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(p.h.form1().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(p.h.monitorControl<QPlainTextEdit>("DebugWindow")->isReadOnly());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
