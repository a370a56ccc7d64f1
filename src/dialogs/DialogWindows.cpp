#include "dialogs/DialogWindows.h"

#include "core/AppContext.h"
#include "diagnostics/Form5.h"
#include "dialogs/Form3.h"
#include "dialogs/ServerSet.h"

#include <QLineEdit>
#include <QScreen>

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

// Where a window goes so that it leaves the command monitor in the corner
// uncovered: to its right, else below it, where at least its smallest size fits;
// else centred on the screen.
QPoint placeBeside(const QRect& monitor, QSize frame, QSize smallest, const QRect& available)
{
    constexpr int gap = 8;
    const int right = monitor.right() + 1 + gap;
    if (available.right() + 1 - right >= smallest.width())
        return {right, std::max(available.top(), monitor.top())};
    const int below = monitor.bottom() + 1 + gap;
    if (available.bottom() + 1 - below >= smallest.height())
        return {std::max(available.left(), monitor.left()), below};
    QRect centred(QPoint(), frame.boundedTo(available.size()));
    centred.moveCenter(available.center());
    return centred.topLeft();
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
    Form5& viewer = form5();
    if (!viewer.isVisible() && m_mainWindow.monitorFrame && viewer.screen()) {
        const QRect available = viewer.screen()->availableGeometry();
        const QSize border = viewer.frameGeometry().size() - viewer.size();
        const QSize smallest = viewer.minimumSizeHint() + border;
        const QPoint at = placeBeside(m_mainWindow.monitorFrame(), viewer.frameGeometry().size(),
                                      smallest, available);
        // Shrunk to the room left there, never below its smallest size.
        const QSize room(available.right() + 1 - at.x(), available.bottom() + 1 - at.y());
        viewer.resize(viewer.size().boundedTo(room - border).expandedTo(viewer.minimumSizeHint()));
        viewer.move(at);
    }
    bringUp(viewer);
}

void DialogWindows::refreshFromEngine(const QString& headerText, const QString& subject,
                                      const QString& from, const QString& to)
{
    form5().refreshFromEngine(headerText, subject, from, to);
}
