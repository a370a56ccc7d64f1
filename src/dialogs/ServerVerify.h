#pragma once

#include "settings/SettingsModel.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class ServerVerification;

// "サーバ設定確認": one row per server with its status while the settings dialog's
// verification logs in to each enabled server. Command1 cancels a running check and
// closes the window ("キャンセル"), or only closes it once the check is over ("OK").
// Opened during a run, it says that it waits for the run to end. Each row names the
// security mode and port; a refused certificate shows its reason and fingerprint, and
// its row offers to pin it.
class ServerVerify : public QDialog
{
    Q_OBJECT
public:
    explicit ServerVerify(ServerVerification& verification, QWidget* parent = nullptr);
    ~ServerVerify() override;

    // Closing through the title bar or with Esc acts like the button.
    void reject() override;

    // Asks a yes-or-no question; tests replace it so that no modal box waits.
    using AskFunction = std::function<bool(QWidget* parent, const QString& text)>;
    void setAskFunction(AskFunction ask) { m_ask = std::move(ask); }

Q_SIGNALS:
    // The window has closed; the settings dialog is to be shown again.
    void closedByButton();

private:
    void refresh();
    void pressButton();
    void offerPin(int n);

    ServerVerification& m_verification;
    std::array<QLabel*, SettingsModel::kProfileCount> m_statuses{};
    std::array<QLabel*, SettingsModel::kProfileCount> m_modes{};
    std::array<QPushButton*, SettingsModel::kProfileCount> m_pins{};
    QLabel* m_certificates = nullptr;
    AskFunction m_ask;
    QLabel* m_notice = nullptr;
    QPushButton* m_button = nullptr;
};
