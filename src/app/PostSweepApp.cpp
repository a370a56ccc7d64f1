#include "app/PostSweepApp.h"

#include "app/NotifyIcon.h"
#include "app/control/Shell.h"
#include "app/control/StartUp.h"

PostSweepApp::PostSweepApp(platform::EventLoop& loop, platform::TcpClient& socket,
                           const QString& directory, const ShellFactory& makeShell, Options options)
    : m_context(loop, socket, directory), m_model(m_context.settings.global),
      m_shell(makeShell(m_monitor)),
      m_controller(std::make_unique<RunController>(m_context, m_model, *m_shell)),
      m_mainWindow(std::make_unique<Form1>(m_model, *m_controller, options.notificationIcon))
{
    m_context.session.setMonitor(&m_monitor);
    m_context.rotation.setMonitor(&m_monitor);
    QObject::connect(&m_monitor, &Form2::cancelClicked, m_mainWindow.get(),
                     [this] { m_controller->cancel(); });
    if (options.notificationIcon)
        m_notifyIcon = std::make_unique<NotifyIcon>(*m_controller);
}

PostSweepApp::~PostSweepApp()
{
    m_context.session.setMonitor(nullptr);
    m_context.rotation.setMonitor(nullptr);
}

LoadOutcome PostSweepApp::start()
{
    return startUp(m_context, m_model, *m_shell);
}
