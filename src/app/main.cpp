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
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    // Decided before any application object exists: the command line needs no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (cli::wantsCommandLine(arguments))
        return cli::runCommandLine(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(appinfo::kApplicationName));
    // The program stays resident with every window hidden; it ends by its own commands.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString directory = QCoreApplication::applicationDirPath();
    const SingleInstance instance(directory);
    if (!instance.acquired())
        return 0; // another copy runs from this directory; leave before adding an icon

    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    DesktopShell* desktop = nullptr; // where the dialogs are plugged in (setDialogs)
    PostSweepApp program(loop, socket, directory,
                         [&desktop](Form2& monitor) {
                             auto shell = std::make_unique<DesktopShell>(monitor);
                             desktop = shell.get();
                             return shell;
                         },
                         {.notificationIcon = QSystemTrayIcon::isSystemTrayAvailable()});
    DialogWindows dialogs(program.context(),
                          {.show = [&program] { program.model().setMainWindowVisible(true); },
                           .hide = [&program] { program.model().setMainWindowVisible(false); },
                           .hideMonitor = [&program] { program.monitor().hideMonitor(); }});
    desktop->setDialogs({.showSettingsDialog = [&dialogs] { dialogs.showSettingsDialog(); },
                         .fillSingleServerDialog =
                             [&dialogs](const QString& server, const QString& port,
                                        const QString& id, const QString& password) {
                                 dialogs.fillSingleServerDialog(server, port, id, password);
                             },
                         .showSingleServerDialog = [&dialogs] { dialogs.showSingleServerDialog(); },
                         .showHeaderViewer = [&dialogs] { dialogs.showHeaderViewer(); }});
    program.start();
    return QApplication::exec();
}
