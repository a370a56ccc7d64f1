#include "dialogs/DialogWindows.h"

#include "core/AppContext.h"
#include "diagnostics/Form5.h"
#include "dialogs/Form3.h"
#include "dialogs/ServerSet.h"

#include <QLineEdit>

namespace {

void call(const std::function<void()>& f)
{
    if (f)
        f();
}

void bringUp(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

DialogWindows::DialogWindows(AppContext& ctx, MainWindow mainWindow)
    : m_ctx(ctx), m_mainWindow(std::move(mainWindow))
{
    m_ctx.session.setHeaderViewer(this);
}

DialogWindows::~DialogWindows()
{
    m_ctx.session.setHeaderViewer(nullptr);
}

ServerSet& DialogWindows::serverSet()
{
    if (!m_serverSet) {
        m_serverSet = std::make_unique<ServerSet>(m_ctx);
        m_serverSet->setWindowFlag(Qt::WindowStaysOnTopHint);
        QObject::connect(m_serverSet.get(), &ServerSet::backToMainWindow,
                         [this] { call(m_mainWindow.show); });
    }
    return *m_serverSet;
}

Form3& DialogWindows::form3()
{
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(m_ctx);
        QObject::connect(m_form3.get(), &Form3::backToMainWindow,
                         [this] { call(m_mainWindow.show); });
        QObject::connect(m_form3.get(), &Form3::monitorHideRequested,
                         [this] { call(m_mainWindow.hideMonitor); });
    }
    return *m_form3;
}

Form5& DialogWindows::form5()
{
    if (!m_form5) {
        m_form5 = std::make_unique<Form5>(m_ctx.store);
        // Opened from the main window, which stays above other windows.
        m_form5->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    return *m_form5;
}

void DialogWindows::showSettingsDialog()
{
    bringUp(serverSet());
}

void DialogWindows::fillSingleServerDialog(const QString& server, const QString& port,
                                           const QString& id, const QString& password)
{
    form3().fill(server, port, id, password);
}

void DialogWindows::showSingleServerDialog()
{
    if (m_ctx.engine.heldBy(EngineOwner::User::Check))
        return; // the engine is busy with a check already
    call(m_mainWindow.hide);
    bringUp(form3());
}

void DialogWindows::showHeaderViewer()
{
    bringUp(form5());
}

void DialogWindows::refreshFromEngine(const QString& headerText, const QString& subject,
                                      const QString& from, const QString& to)
{
    form5().refreshFromEngine(headerText, subject, from, to);
}
