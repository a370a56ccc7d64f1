#pragma once

#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class RunController;

// The notification-area icon: the main window's icon, the tool tip
// "不要なメールを削除 Post Sweep", a double-click that brings the main window back,
// and the menu メニュー with "中止", "削除したメール" and "終了" on the right button.
class NotifyIcon : public QObject
{
    Q_OBJECT
public:
    explicit NotifyIcon(RunController& controller, QObject* parent = nullptr);
    ~NotifyIcon() override;

    QSystemTrayIcon& icon() { return *m_icon; }
    QMenu& menu() { return *m_menu; }

private:
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};
