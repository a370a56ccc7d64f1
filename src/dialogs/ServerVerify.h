#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class ServerVerification;

// "サーバ設定確認": one row per server with its status while the settings dialog's
// verification logs in to each enabled server. Command1 cancels a running check and
// closes the window ("キャンセル"), or only closes it once the check is over ("OK").
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
    std::array<QLabel*, 5> m_statuses{};
    QPushButton* m_button = nullptr;
};
