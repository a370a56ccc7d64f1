// The main window, its notification-area menu and the command monitor, driven
// through their widgets on virtual time against the scripted server.

#include "MainWindowHarness.h"
#include "app/NotifyIcon.h"
#include "platform/VirtualEventLoop.h"
#include "support/ScriptedTcpClient.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kWanted = "Subject: hello\r\nFrom: friend@example.jp\r\nTo: me@example.jp\r\n";

struct Program
{
    platform::VirtualEventLoop loop;
    ScriptedTcpClient socket{loop};
    MainWindowHarness h{loop, socket};

    // Profile 1 complete, against a mailbox whose QUIT goes unanswered, so that
    // a run stays in progress until something ends it.
    void startWithOneServer()
    {
        h.writeSettings([](SettingsModel& m) {
            m.profile(1).Server = QStringLiteral("pop.example.jp");
            m.profile(1).Id = QStringLiteral("taro");
            m.profile(1).PassWd = QStringLiteral("secret");
        });
        socket.setMailbox({.headers = {kWanted}, .faults = {{"QUIT", 1, FaultKind::Silence}}});
        QCOMPARE(h.app->start(), LoadOutcome::Complete);
    }
    void click(const QString& name) { h.control<QAbstractButton>(name)->click(); }
    QAction* menuEntry(const QString& name)
    {
        return h.app->notifyIcon()->menu().findChild<QAction*>(name);
    }
    void doubleClickIcon()
    {
        Q_EMIT h.app->notifyIcon()->icon().activated(QSystemTrayIcon::DoubleClick);
    }
};

QString caption(QObject* object)
{
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(object))
        return frame->title();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow())
        return widget->windowTitle();
    return {};
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyControlCarriesItsNameAndCaption_data();
    void everyControlCarriesItsNameAndCaption();
    void startUpWithoutSettingsShowsTheSettingsDialog();
    void startUpFromThirtyFiveLinesShowsTheDefaults();
    void startUpInRunOnceModeShowsTheMailPrograms();
    void startUpWithAnHourlyInterval();
    void runWithoutAnEnabledProfileOpensTheSettingsDialog();
    void runShowsTheRunningState();
    void stopAndCancelInEachMode_data();
    void stopAndCancelInEachMode();
    void continueAndTheDoubleClickRule();
    void exitCommandsSaveLogAndEnd_data();
    void exitCommandsSaveLogAndEnd();
    void theKeyboardRunsTheWindow();
    void shortcutsOpenTheDiagnosticWindows();
    void withoutANotificationAreaTheWindowIsMinimisedInstead();
    void theMonitorSitsTopmostAtTheTopLeft();
    void theMonitorKeepsTheLast5000Lines();
};

void MainWindowTest::initTestCase()
{
    // The offscreen platform has no notification area; its icon complains.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
}

void MainWindowTest::everyControlCarriesItsNameAndCaption_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* window, const QString& name, const QString& caption) {
        QTest::addRow("%s %s", window, qPrintable(name))
            << QString::fromLatin1(window) << name << caption;
    };
    row("Form1", QStringLiteral("Command1"), QStringLiteral("サーバ設定"));
    row("Form1", QStringLiteral("Command2"), QStringLiteral("終　了"));
    row("Form1", QStringLiteral("Command3"), QStringLiteral("実行"));
    row("Form1", QStringLiteral("Command4"), QStringLiteral("継続"));
    row("Form1", QStringLiteral("Command5"), QStringLiteral("中止"));
    row("Form1", QStringLiteral("ヘルプ"), QStringLiteral("ヘルプ"));
    row("Form1", QStringLiteral("Check1"),
        QStringLiteral("終了後メールソフトを起動する（定期的に実行しません）"));
    row("Form1", QStringLiteral("Check2"),
        QStringLiteral("タイトルに「未承諾」を含むメールを削除"));
    row("Form1", QStringLiteral("Check3"), QStringLiteral("タイトルに以下の文字を含む場合削除"));
    row("Form1", QStringLiteral("Check4"), QStringLiteral("差出人に以下の文字を含む場合削除"));
    row("Form1", QStringLiteral("Check5"), QStringLiteral("起動時に内容をクリア"));
    row("Form1", QStringLiteral("チェック間隔"), QStringLiteral("チェック間隔"));
    row("Form1", QStringLiteral("Option1(0)"), QStringLiteral("１０分"));
    row("Form1", QStringLiteral("Option1(1)"), QStringLiteral("２０分"));
    row("Form1", QStringLiteral("Option1(2)"), QStringLiteral("３０分"));
    row("Form1", QStringLiteral("Option1(3)"), QStringLiteral("１時間"));
    row("Form1", QStringLiteral("Option1(4)"), QStringLiteral("２時間"));
    row("Form1", QStringLiteral("Option1(5)"), QStringLiteral("３時間"));
    row("Form1", QStringLiteral("Frame5"), QStringLiteral("終了時起動するメールソフト"));
    row("Form1", QStringLiteral("Option2(0)"), QStringLiteral("OutLookExpress"));
    row("Form1", QStringLiteral("Option2(1)"), QStringLiteral("OutLook"));
    row("Form1", QStringLiteral("Option2(2)"), QStringLiteral("起動せずそのまま終了"));
    row("Form1", QStringLiteral("ログファイル"), QStringLiteral("ログファイル"));
    row("Form1", QStringLiteral("削除条件設定"), QStringLiteral("削除条件設定"));
    row("Form1", QStringLiteral("Text1"), QString());
    row("Form1", QStringLiteral("Text2"), QString());
    row("Form2", QStringLiteral("Label1"), QString());
    row("Form2", QStringLiteral("DebugWindow"), QString());
    row("Form2", QStringLiteral("Command1"), QStringLiteral("キャンセル"));
    row("メニュー", QStringLiteral("中止"), QStringLiteral("中止"));
    row("メニュー", QStringLiteral("終了"), QStringLiteral("終了"));
}

void MainWindowTest::everyControlCarriesItsNameAndCaption()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Program p;
    QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("Post Sweep"));
    QCOMPARE(p.h.form2().windowTitle(), QStringLiteral("PostSweep 実行中のコマンド"));
    QCOMPARE(p.h.app->notifyIcon()->menu().objectName(), QStringLiteral("メニュー"));
    QCOMPARE(p.h.app->notifyIcon()->icon().toolTip(),
             QStringLiteral("不要なメールを削除 Post Sweep"));
    QObject* parent = &p.h.app->notifyIcon()->menu();
    if (window == QStringLiteral("Form1"))
        parent = &p.h.form1();
    else if (window == QStringLiteral("Form2"))
        parent = &p.h.form2();
    QObject* control = parent->findChild<QObject*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(::caption(control), caption);
}

void MainWindowTest::startUpWithoutSettingsShowsTheSettingsDialog()
{
    Program p;
    QCOMPARE(p.h.app->start(), LoadOutcome::PathA);
    QCOMPARE(p.h.shell->calls, QStringList{QStringLiteral("settings dialog")});
    QVERIFY(!p.h.form1().isVisible());
    QCOMPARE(p.h.app->context().settings.profile(1).Port, QStringLiteral("110"));
}

void MainWindowTest::startUpFromThirtyFiveLinesShowsTheDefaults()
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
    QFile settings(p.h.app->context().settingsPath());
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(bytes);
    settings.close();
    QFile log(p.h.app->context().log.path());
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write("earlier line\r\n");
    log.close();

    QCOMPARE(p.h.app->start(), LoadOutcome::PathB);
    QVERIFY(p.h.form1().isVisible());
    QVERIFY(p.h.control<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());
    QVERIFY(p.h.control<QRadioButton>(QStringLiteral("Option1(0)"))->isEnabled());
    QVERIFY(!p.h.control<QCheckBox>(QStringLiteral("Check1"))->isChecked());
    QVERIFY(!p.h.control<QGroupBox>(QStringLiteral("Frame5"))->isVisible());
    QVERIFY(p.h.control<QRadioButton>(QStringLiteral("Option2(0)"))->isChecked());
    QVERIFY(!p.h.control<QCheckBox>(QStringLiteral("Check5"))->isChecked());
    QCOMPARE(p.h.app->context().settings.global, GlobalSettings{});
    QCOMPARE(p.h.logLines(), QStringList{QStringLiteral("earlier line")});
}

void MainWindowTest::startUpInRunOnceModeShowsTheMailPrograms()
{
    Program p;
    p.h.writeSettings([](SettingsModel& m) { m.global.IntCheck = 1, m.global.MailSoftSelect = 1; });
    QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
    QVERIFY(p.h.control<QCheckBox>(QStringLiteral("Check1"))->isChecked());
    for (int i = 0; i < 6; ++i)
        QVERIFY(!p.h.control<QRadioButton>(QStringLiteral("Option1(%1)").arg(i))->isEnabled());
    QVERIFY(p.h.control<QGroupBox>(QStringLiteral("Frame5"))->isVisible());
    QVERIFY(p.h.control<QRadioButton>(QStringLiteral("Option2(1)"))->isChecked());

    p.click(QStringLiteral("Check1")); // back to periodic runs
    QVERIFY(p.h.control<QRadioButton>(QStringLiteral("Option1(0)"))->isEnabled());
    QVERIFY(!p.h.control<QGroupBox>(QStringLiteral("Frame5"))->isVisible());
    QCOMPARE(p.h.app->context().settings.global.IntCheck, 0);
}

void MainWindowTest::startUpWithAnHourlyInterval()
{
    Program p;
    p.h.writeSettings([](SettingsModel& m) { m.global.TimePosition = 3; });
    QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
    auto* hourly = p.h.control<QRadioButton>(QStringLiteral("Option1(3)"));
    QVERIFY(hourly->isChecked());
    QVERIFY(hourly->isEnabled());
    QVERIFY(!p.h.control<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());
    QVERIFY(!p.h.control<QGroupBox>(QStringLiteral("Frame5"))->isVisible());

    p.click(QStringLiteral("Option1(5)"));
    QCOMPARE(p.h.app->context().settings.global.TimePosition, 5);
}

void MainWindowTest::runWithoutAnEnabledProfileOpensTheSettingsDialog()
{
    Program p;
    p.h.writeSettings([](SettingsModel& m) { m.profile(1).Server = QStringLiteral("no.account"); });
    QCOMPARE(p.h.app->start(), LoadOutcome::Complete);
    QFile settings(p.h.app->context().settingsPath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    const QDateTime written = QFileInfo(settings).lastModified();
    settings.close();

    p.click(QStringLiteral("Command3"));
    QCOMPARE(p.h.shell->calls, QStringList{QStringLiteral("settings dialog")});
    QVERIFY(!p.h.form1().isVisible());
    QVERIFY(!QFile::exists(p.h.app->context().log.path()));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before);
    QCOMPARE(QFileInfo(settings).lastModified(), written);
    QCOMPARE(p.socket.connections(), 0);
}

void MainWindowTest::runShowsTheRunningState()
{
    Program p;
    p.startWithOneServer();
    QFile::remove(p.h.app->context().settingsPath());
    p.click(QStringLiteral("Command3"));
    QVERIFY(!p.h.form1().isVisible());
    QVERIFY(p.h.form2().isVisible());
    QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep 実行中"));
    QVERIFY(!p.h.control<QPushButton>(QStringLiteral("Command3"))->isEnabled());
    QVERIFY(!p.h.control<QPushButton>(QStringLiteral("Command1"))->isEnabled());
    QVERIFY(p.h.control<QPushButton>(QStringLiteral("Command4"))->isVisibleTo(&p.h.form1()));
    QVERIFY(p.h.control<QPushButton>(QStringLiteral("Command5"))->isVisibleTo(&p.h.form1()));
    QCOMPARE(p.h.messageOf(p.h.logLines().value(0)), QStringLiteral("  実行を開始しました"));
    QVERIFY2(QFile::exists(p.h.app->context().settingsPath()), "saved");

    p.loop.advance(2s);
    auto* transcript = p.h.monitorControl<QPlainTextEdit>(QStringLiteral("DebugWindow"));
    QVERIFY(transcript->toPlainText().contains(QStringLiteral("PASS *******")));
    QVERIFY(!transcript->toPlainText().contains(QStringLiteral("secret")));
    QCOMPARE(p.h.monitorControl<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("QUIT"));
}

void MainWindowTest::stopAndCancelInEachMode_data()
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

void MainWindowTest::stopAndCancelInEachMode()
{
    QFETCH(QString, command);
    QFETCH(bool, runOnce);
    QFETCH(bool, mainWindowShown);
    QFETCH(QString, line);
    Program p;
    p.startWithOneServer();
    if (runOnce)
        p.click(QStringLiteral("Check1"));
    p.click(QStringLiteral("Command3"));
    p.loop.advance(2s); // QUIT sent, no answer yet
    QVERIFY(p.socket.isOpen());

    if (command == QStringLiteral("Command5"))
        p.click(command);
    else if (command == QStringLiteral("menu"))
        p.menuEntry(QStringLiteral("中止"))->trigger();
    else
        p.h.monitorControl<QPushButton>(QStringLiteral("Command1"))->click();

    QCOMPARE(p.h.form1().isVisible(), mainWindowShown);
    QVERIFY(!p.h.form2().isVisible());
    QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep"));
    QVERIFY(p.h.control<QPushButton>(QStringLiteral("Command3"))->isEnabled());
    QVERIFY(p.h.control<QPushButton>(QStringLiteral("Command1"))->isEnabled());
    QVERIFY(!p.h.control<QPushButton>(QStringLiteral("Command4"))->isVisibleTo(&p.h.form1()));
    QVERIFY(!p.h.control<QPushButton>(QStringLiteral("Command5"))->isVisibleTo(&p.h.form1()));
    QVERIFY(!p.socket.isOpen());
    const AppContext& context = p.h.app->context();
    QVERIFY(!context.session.sessionInProgress());
    QVERIFY(!p.h.app->controller().Timer3().isActive());
    QVERIFY(!p.h.app->context().rotation.Timer4().isActive());
    QCOMPARE(p.h.messageOf(p.h.logLines().last()), line);
    p.loop.advance(1h);
    QCOMPARE(p.socket.connections(), 1);
    QVERIFY2(p.socket.deleted().empty(), "a session cut off before QUIT deletes nothing");
    QVERIFY2(p.h.shell->calls.isEmpty(), "no mail program, no exit");
}

void MainWindowTest::continueAndTheDoubleClickRule()
{
    Program p;
    p.startWithOneServer();
    p.click(QStringLiteral("Command3"));
    p.doubleClickIcon();
    QVERIFY2(!p.h.form1().isVisible(), "the monitor is up");

    p.h.form2().hideMonitor();
    p.doubleClickIcon();
    QVERIFY(p.h.form1().isVisible());
    QCOMPARE(p.h.form1().windowTitle(), QStringLiteral("PostSweep 実行中"));
    p.click(QStringLiteral("Command4"));
    QVERIFY(!p.h.form1().isVisible());
    QVERIFY2(p.socket.isOpen(), "the run goes on");
    QVERIFY(!p.h.logLines().join(u'\n').contains(QStringLiteral("中止")));
}

void MainWindowTest::exitCommandsSaveLogAndEnd_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("終　了 button") << "Command2";
    QTest::newRow("終了 menu entry") << "menu";
    QTest::newRow("window frame") << "close";
}

void MainWindowTest::exitCommandsSaveLogAndEnd()
{
    QFETCH(QString, command);
    Program p;
    p.startWithOneServer();
    p.click(QStringLiteral("Command3"));
    p.loop.advance(2s);
    QFile::remove(p.h.app->context().settingsPath());

    if (command == QStringLiteral("Command2"))
        p.click(command);
    else if (command == QStringLiteral("menu"))
        p.menuEntry(QStringLiteral("終了"))->trigger();
    else
        p.h.form1().close();

    QCOMPARE(p.h.shell->calls, QStringList{QStringLiteral("quit")});
    QVERIFY(QFile::exists(p.h.app->context().settingsPath()));
    QCOMPARE(p.h.messageOf(p.h.logLines().last()),
             QStringLiteral("  終了キーが押されたので終了します"));
    QVERIFY(!p.socket.isOpen());
}

void MainWindowTest::theKeyboardRunsTheWindow()
{
    Program p;
    p.startWithOneServer();
    QTest::keyClick(p.h.control<QCheckBox>(QStringLiteral("Check1")), Qt::Key_Space);
    QVERIFY(p.h.control<QGroupBox>(QStringLiteral("Frame5"))->isVisible());
    QTest::keyClick(p.h.control<QRadioButton>(QStringLiteral("Option2(2)")), Qt::Key_Space);
    QCOMPARE(p.h.app->context().settings.global.MailSoftSelect, 2);
    QTest::keyClick(p.h.control<QPushButton>(QStringLiteral("Command3")), Qt::Key_Space);
    QCOMPARE(p.socket.connections(), 1);
}

void MainWindowTest::shortcutsOpenTheDiagnosticWindows()
{
    Program p;
    p.startWithOneServer();
    QApplication::setActiveWindow(&p.h.form1());
    QVERIFY(QTest::qWaitForWindowActive(&p.h.form1()));
    QTest::keyClick(&p.h.form1(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&p.h.form1(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(p.h.shell->calls, (QStringList{QStringLiteral("header viewer"),
                                            QStringLiteral("single-server dialog")}));
}

void MainWindowTest::withoutANotificationAreaTheWindowIsMinimisedInstead()
{
    platform::VirtualEventLoop loop;
    ScriptedTcpClient socket(loop);
    MainWindowHarness h(loop, socket, false);
    QVERIFY(!h.app->notifyIcon());
    h.writeSettings([](SettingsModel& m) {
        m.profile(1).Server = QStringLiteral("pop.example.jp");
        m.profile(1).Id = QStringLiteral("taro");
        m.profile(1).PassWd = QStringLiteral("secret");
    });
    socket.setMailbox({.headers = {kWanted}});
    QCOMPARE(h.app->start(), LoadOutcome::Complete);
    h.control<QPushButton>(QStringLiteral("Command3"))->click();
    QVERIFY(h.form1().isVisible());
    QVERIFY(h.form1().isMinimized());
    h.form1().showNormal(); // the user brings it back from the task bar
    QVERIFY(h.app->model().mainWindowVisible());
    h.control<QPushButton>(QStringLiteral("Command4"))->click();
    QVERIFY(h.form1().isMinimized());
}

void MainWindowTest::theMonitorSitsTopmostAtTheTopLeft()
{
    Program p;
    p.h.form2().showMonitor();
    QCOMPARE(p.h.form2().frameGeometry().topLeft(), QPoint(0, 0));
    QVERIFY(p.h.form2().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(p.h.form1().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(p.h.monitorControl<QPlainTextEdit>(QStringLiteral("DebugWindow"))->isReadOnly());
}

void MainWindowTest::theMonitorKeepsTheLast5000Lines()
{
    Program p;
    for (int n = 1; n <= 6000; ++n)
        p.h.form2().appendTranscript(QStringLiteral("+OK line %1\r\n").arg(n));
    const QString text =
        p.h.monitorControl<QPlainTextEdit>(QStringLiteral("DebugWindow"))->toPlainText();
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    QCOMPARE(lines.size(), 5000);
    QCOMPARE(lines.first(), QStringLiteral("+OK line 1001"));
    QCOMPARE(lines.last(), QStringLiteral("+OK line 6000"));
    QVERIFY2(!p.h.monitorControl<QPlainTextEdit>(QStringLiteral("DebugWindow"))
                  ->document()
                  ->isUndoRedoEnabled(),
             "no history of every line ever shown");
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
