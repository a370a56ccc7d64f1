#include "app/NotifyIcon.h"

#include "app/AppIcon.h"
#include "app/control/RunController.h"

#include <QMenu>
#include <QSystemTrayIcon>

NotifyIcon::NotifyIcon(RunController& controller, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()),
      m_icon(std::make_unique<QSystemTrayIcon>(appIcon()))
{
    m_menu->setObjectName(QStringLiteral("メニュー"));
    QAction* stop = m_menu->addAction(QStringLiteral("中止"));
    stop->setObjectName(QStringLiteral("中止"));
    QAction* deleted = m_menu->addAction(QStringLiteral("削除したメール"));
    deleted->setObjectName(QStringLiteral("DeletedMail"));
    QAction* exit = m_menu->addAction(QStringLiteral("終了"));
    exit->setObjectName(QStringLiteral("終了"));
    connect(stop, &QAction::triggered, this, [&controller] { controller.stop(); });
    connect(deleted, &QAction::triggered, this, [&controller] { controller.showDeletedMail(); });
    connect(exit, &QAction::triggered, this, [&controller] { controller.exit(); });

    m_icon->setToolTip(QStringLiteral("不要なメールを削除 Post Sweep"));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [&controller](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    controller.iconDoubleClicked();
            });
    m_icon->show();
}

// The icon leaves the notification area before its menu goes.
NotifyIcon::~NotifyIcon()
{
    m_icon->hide();
    m_icon.reset();
}
