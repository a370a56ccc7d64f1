#pragma once

#include "settings/SettingsModel.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class ServerVerification;

// "サーバ設定確認": one row per server with its status while the settings dialog's
// verification logs in to each enabled server. Command1 cancels a running check and
// closes the window ("キャンセル"), or only closes it once the check is over ("OK").
// Opened during a run, it says that it waits for the run to end.
class ServerVerify : public QDialog
{
    Q_OBJECT
public:
    explicit ServerVerify(ServerVerification& verification, QWidget* parent = nullptr);
    ~ServerVerify() override;

    // Closing through the title bar or with Esc acts like the button.
    void reject() override;

Q_SIGNALS:
    // The window has closed; the settings dialog is to be shown again.
    void closedByButton();

private:
    void refresh();
    void pressButton();

    ServerVerification& m_verification;
    std::array<QLabel*, SettingsModel::kProfileCount> m_statuses{};
    QLabel* m_notice = nullptr;
    QPushButton* m_button = nullptr;
};
