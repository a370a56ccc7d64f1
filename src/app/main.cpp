#include "app/AppIcon.h"
#include "app/DesktopMailProgram.h"
#include "app/DesktopShell.h"
#include "app/PostSweepApp.h"
#include "app/control/SingleInstance.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineProgram.h"
#include "dialogs/DialogWindows.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "widgets/AppInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

constexpr int kTrayWatchMilliseconds = 3000;

} // namespace

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

int main(int argc, char* argv[])
{
#ifdef Q_OS_LINUX
    // No core file: it would hold the unscrambled passwords.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif

    // Decided before any application object exists: the command line needs no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (cli::wantsCommandLine(arguments))
        return cli::runCommandLine(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(appinfo::kApplicationName));
    // Every window and message box carries the program's icon.
    QApplication::setWindowIcon(appIcon());
    // The program stays resident with every window hidden; it ends by its own commands.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString directory = QCoreApplication::applicationDirPath();
    const SingleInstance instance(directory);
    // Another copy runs from this directory: leave silently, before adding an icon.
    if (const auto status = instance.refusal([](const QString& why) {
            QMessageBox::critical(nullptr, QString::fromLatin1(appinfo::kApplicationName), why);
        }))
        return *status;

    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    DesktopShell* desktop = nullptr; // where the dialogs are plugged in (setDialogs)
    PostSweepApp program(loop, socket, directory,
                         [&desktop](Form2& monitor) {
                             auto shell = std::make_unique<DesktopShell>(monitor);
                             desktop = shell.get();
                             return shell;
                         },
                         {.notificationIcon = QSystemTrayIcon::isSystemTrayAvailable(),
#ifndef Q_OS_WIN
                          .desktopMailProgram = desktopMailProgram
#endif
                         });
    DialogWindows dialogs(
        program.context(),
        {.show = [&program] { program.model().setMainWindowVisible(true); },
         .hide = [&program] { program.model().setMainWindowVisible(false); },
         .hideMonitor = [&program] { program.monitor().hideMonitor(); },
         .monitorFrame = [&program] { return program.monitor().frameGeometry(); }});
    desktop->setDialogs({.showSettingsDialog = [&dialogs] { dialogs.showSettingsDialog(); },
                         .fillSingleServerDialog =
                             [&dialogs](const QString& server, const QString& port,
                                        const QString& id, const QString& password) {
                                 dialogs.fillSingleServerDialog(server, port, id, password);
                             },
                         .showSingleServerDialog = [&dialogs] { dialogs.showSingleServerDialog(); },
                         .showHeaderViewer = [&dialogs] { dialogs.showHeaderViewer(); },
                         .showDeletedMail = [&program] { program.showDeletedMail(); }});
    program.start();

    // A panel started after the program (common with autostart) brings its
    // notification area later: the icon goes there once it does.
    QTimer trayWatch;
    if (!program.notifyIcon()) {
        QObject::connect(&trayWatch, &QTimer::timeout, [&program, &trayWatch] {
            if (!QSystemTrayIcon::isSystemTrayAvailable())
                return;
            trayWatch.stop();
            program.addNotificationIcon();
        });
        trayWatch.start(kTrayWatchMilliseconds);
    }
    return QApplication::exec();
}
