#include "app/DesktopShell.h"

#include "diagnostics/Form2.h"
#include "widgets/Warning.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

DesktopShell::DesktopShell(Form2& monitor) : m_monitor(monitor) {}

void DesktopShell::setDialogs(DialogHooks dialogs)
{
    m_dialogs = std::move(dialogs);
}

void DesktopShell::showMonitor()
{
    m_monitor.showMonitor();
}

void DesktopShell::hideMonitor()
{
    m_monitor.hideMonitor();
}

bool DesktopShell::monitorVisible() const
{
    return m_monitor.isVisible();
}

bool DesktopShell::showSettingsDialog()
{
    if (!m_dialogs.showSettingsDialog)
        return false;
    m_dialogs.showSettingsDialog();
    return true;
}

void DesktopShell::fillSingleServerDialog(const QString& server, const QString& port,
                                          const QString& id, const QString& password)
{
    if (m_dialogs.fillSingleServerDialog)
        m_dialogs.fillSingleServerDialog(server, port, id, password);
}

void DesktopShell::showSingleServerDialog()
{
    if (m_dialogs.showSingleServerDialog)
        m_dialogs.showSingleServerDialog();
}

void DesktopShell::showHeaderViewer()
{
    if (m_dialogs.showHeaderViewer)
        m_dialogs.showHeaderViewer();
}

void DesktopShell::showDeletedMail()
{
    if (m_dialogs.showDeletedMail)
        m_dialogs.showDeletedMail();
}

bool DesktopShell::openPath(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

void DesktopShell::warn(const QString& text)
{
    widgets::showWarning(nullptr, text);
}

// Leaves the event loop without closing the windows first: the main window's
// close means "終　了", which is what brought the program here.
void DesktopShell::quit()
{
    QCoreApplication::exit(0);
}
