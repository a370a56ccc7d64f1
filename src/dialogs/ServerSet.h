#pragma once

#include "settings/SettingsModel.h"
#include "widgets/Warning.h"

#include <QDialog>

#include <array>
#include <memory>

class ProfilePage;
class QTabWidget;
class ServerVerification;
class ServerVerify;
struct AppContext;

// "サーバ／削除条件の設定": the five server profiles and their deletion rules, one tab
// each. Its controls edit the live settings the run reads; 設定終了 also writes the
// settings file, キャンセル keeps the edits without writing, 設定確認 checks every
// enabled server's login. Created once, then only hidden and shown.
class ServerSet : public QDialog
{
    Q_OBJECT
public:
    explicit ServerSet(AppContext& ctx, QWidget* parent = nullptr);
    ~ServerSet() override;

    // Puts the live settings into the controls (also done each time the dialog shows).
    void reload();
    void setWarnFunction(widgets::WarnFunction warn) { m_warn = std::move(warn); }

    ServerVerification& verification() { return *m_verification; }
    // The verification window, created on first use (nullptr before).
    ServerVerify* verifyWindow() const { return m_verifyWindow.get(); }

    // Closing through the title bar or with Esc acts like キャンセル.
    void reject() override;

Q_SIGNALS:
    // The dialog has closed; the main window is to be shown again.
    void backToMainWindow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fitScreen();
    void createTabs();
    void createButtons();
    void finishSettings();
    void verifyServers();
    void leave();
    void warn(const QString& text);

    AppContext& m_ctx;
    QTabWidget* m_tabs = nullptr;
    std::array<ProfilePage*, SettingsModel::kProfileCount> m_pages{};
    std::unique_ptr<ServerVerification> m_verification;
    std::unique_ptr<ServerVerify> m_verifyWindow;
    widgets::WarnFunction m_warn = widgets::showWarning;
};
