#pragma once

#include "app/Form1.h"
#include "app/control/Form1Model.h"
#include "app/control/RunController.h"
#include "core/AppContext.h"
#include "diagnostics/Form2.h"
#include "settings/KeptCopiesOptions.h"

#include <memory>

class DeletedMailList;
class DeletedMailWindow;
class NotifyIcon;
class Shell;

// The running program put together: the objects of a run (AppContext) on the
// given event loop and socket, the main window's model and run control, the
// command monitor Form2, the main window Form1 and, where the desktop has a
// notification area, its icon. The program builds it on Qt's event loop and
// socket; GUI tests on virtual time and a scripted server, with a Shell that
// records what the program asks of the desktop.
class PostSweepApp
{
public:
    struct Options
    {
        bool notificationIcon = true; // false: the main window minimises instead of hiding
        // The desktop's own mail program, asked for when the options file names none.
        std::function<std::optional<MailProgram>()> desktopMailProgram;
    };

    // The shell is made for the monitor window once it exists.
    using ShellFactory = std::function<std::unique_ptr<Shell>(Form2& monitor)>;

    PostSweepApp(platform::EventLoop& loop, platform::TcpClient& socket, const QString& directory,
                 const ShellFactory& makeShell, Options options);
    ~PostSweepApp();

    // Start-up: loads the settings, applies them and shows the main window (or the
    // settings dialog when there is no usable settings file).
    LoadOutcome start();

    // A notification area that appeared after start-up: the icon goes there and the
    // main window hides into it from now on.
    void addNotificationIcon();

    // The window "削除したメール", made on first use.
    void showDeletedMail();
    DeletedMailWindow* deletedMailWindow() { return m_deletedMailWindow.get(); }

    AppContext& context() { return m_context; }
    Form1Model& model() { return m_model; }
    RunController& controller() { return *m_controller; }
    Form1& mainWindow() { return *m_mainWindow; }
    Form2& monitor() { return m_monitor; }
    NotifyIcon* notifyIcon() { return m_notifyIcon.get(); } // none without a notification area

private:
    void chooseMailProgram(const Options& options);

    AppContext m_context;
    Form1Model m_model;
    Form2 m_monitor;
    std::unique_ptr<Shell> m_shell;
    std::unique_ptr<RunController> m_controller;
    std::unique_ptr<Form1> m_mainWindow;
    std::unique_ptr<NotifyIcon> m_notifyIcon;
    std::unique_ptr<DeletedMailList> m_deletedMail;
    std::unique_ptr<DeletedMailWindow> m_deletedMailWindow;
    KeptCopiesOptions m_keptCopies;
    QString m_optionsProblem; // logged once, after start-up has settled the log file
};
