// The main window in each of its looks and the command monitor during a run, at
// their natural sizes: no caption is cut off and no control overlaps another.
// With POSTSWEEP_SCREENSHOTS set to a folder, each look is also saved there as a
// PNG (scripts/screenshots.sh).

#include "MainWindowHarness.h"
#include "platform/VirtualEventLoop.h"
#include "support/ScriptedTcpClient.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLoggingCategory>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Buttons and frames narrower than their caption show it cut off.
QStringList cutOffCaptions(QWidget& window)
{
    QStringList cut;
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&window) && button->width() < button->sizeHint().width())
            cut << button->text();
    for (QGroupBox* frame : window.findChildren<QGroupBox*>())
        if (frame->isVisibleTo(&window) &&
            frame->width() < frame->fontMetrics().horizontalAdvance(frame->title()) + 16)
            cut << frame->title();
    return cut;
}

// Visible controls of the same parent that cover each other.
QStringList overlaps(QWidget& window)
{
    QStringList found;
    const QList<QWidget*> controls = window.findChildren<QWidget*>();
    for (QWidget* a : controls)
        for (QWidget* b : controls)
            if (a < b && a->parentWidget() == b->parentWidget() && a->isVisibleTo(&window) &&
                b->isVisibleTo(&window) && !a->objectName().isEmpty() &&
                !b->objectName().isEmpty() && a->geometry().intersects(b->geometry()))
                found << a->objectName() + QStringLiteral(" / ") + b->objectName();
    return found;
}

void save(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("POSTSWEEP_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QVERIFY(window.grab().save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

void judge(QWidget& window, const QString& name)
{
    save(window, name);
    QCOMPARE(cutOffCaptions(window), QStringList());
    QCOMPARE(overlaps(window), QStringList());
}

const QByteArray kSpam = "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                         "From: spam@example.com\r\nTo: taro@example.jp\r\n";
const QByteArray kWanted = "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
                           "From: friend@example.jp\r\nTo: taro@example.jp\r\n";

struct Program
{
    platform::VirtualEventLoop loop;
    ScriptedTcpClient socket{loop};
    MainWindowHarness h{loop, socket};

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
};

} // namespace

class MainWindowScreenshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    }

    void mainWindowIdle()
    {
        Program p;
        judge(p.h.form1(), QStringLiteral("Form1-idle"));
    }

    void mainWindowRunOnce()
    {
        Program p;
        p.h.control<QAbstractButton>(QStringLiteral("Check1"))->click();
        judge(p.h.form1(), QStringLiteral("Form1-run-once"));
    }

    void mainWindowRunningAndMonitor()
    {
        Program p;
        p.h.control<QAbstractButton>(QStringLiteral("Command3"))->click();
        p.loop.advance(2s);
        p.h.app->model().setMainWindowVisible(true);
        judge(p.h.form1(), QStringLiteral("Form1-running"));
        p.h.form2().showMonitor(); // the rule evaluation hid it
        judge(p.h.form2(), QStringLiteral("Form2"));
    }
};

QTEST_MAIN(MainWindowScreenshots)
#include "MainWindowScreenshots.moc"
