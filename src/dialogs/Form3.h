#pragma once

#include "dialogs/control/SingleServerCheck.h"
#include "widgets/Warning.h"

#include <QDialog>

#include <memory>

class Form4;
class QCheckBox;
class QComboBox;
class QLineEdit;
struct AppContext;

// "メールサーバ設定": one server's host, security mode, port, account and password; "OK" checks the
// login (Form4 shows meanwhile) and on success records the server in "PostSweep1.ini".
class Form3 : public QDialog, private SingleServerWindows
{
    Q_OBJECT
public:
    explicit Form3(AppContext& ctx, QWidget* parent = nullptr);
    ~Form3() override;

    // Puts a server's host, port, account and password into the fields.
    void fill(const QString& host, const QString& port, const QString& account,
              const QString& password);
    // The security mode the check uses and records ([Single] in the companion file).
    ConnectionSecurity security() const;
    void setSecurity(ConnectionSecurity security);
    void setWarnFunction(widgets::WarnFunction warn) { m_warn = std::move(warn); }

    SingleServerCheck& check() { return m_check; }
    Form4* progressWindow() const { return m_form4.get(); }

    // Closing through the title bar or with Esc acts like キャンセル.
    void reject() override;

Q_SIGNALS:
    // The dialog has closed; the main window is to be shown again.
    void backToMainWindow();
    // The check has ended; the command monitor is to be hidden.
    void monitorHideRequested();

private:
    void createFields();
    void createButtons();
    void pressOk();

    void showChecking() override;
    void showEditing() override;
    void leaveToMainWindow() override;
    void hideMonitor() override;
    void warn(const QString& text) override;

    QLineEdit* m_host = nullptr;
    QLineEdit* m_port = nullptr;
    QComboBox* m_security = nullptr;
    ConnectionSecurity m_shownSecurity = ConnectionSecurity::None;
    QLineEdit* m_account = nullptr;
    QLineEdit* m_password = nullptr;
    std::unique_ptr<Form4> m_form4;
    SingleServerCheck m_check;
    widgets::WarnFunction m_warn = widgets::showWarning;
};
