#pragma once

#include "platform/TcpClient.h"
#include "platform/Timer.h"
#include "settings/SettingsModel.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

struct AppContext;

// The login check of every profile, one server after another, on the session
// engine's check-only mode, driven by the settings dialog's 500 ms Timer1. Each
// server gets a status: not yet checked, not set up, logged in, or failed. It holds
// the engine while it runs; asked for during a run, it waits for the run to end
// (saying so) and then starts by itself.
class ServerVerification
{
public:
    static constexpr int kTimer1Interval = 500;
    static constexpr int kServers = SettingsModel::kProfileCount;

    static const QString kUnchecked; // "未チェック"
    static const QString kNotSet;    // "未設定"
    static const QString kLoggedIn;  // "設定完了"
    static const QString kFailed;    // "エラー発生"
    static const QString kCancelCaption;
    static const QString kOkCaption;
    static const QString kWaitingNotice; // "実行中です。終了後に確認します"

    explicit ServerVerification(AppContext& ctx);
    ~ServerVerification();

    // Logs the start, resets the statuses and targets, and starts Timer1 once the
    // engine is free.
    void start();
    // The window's button: while running, stops the check and everything the engine
    // does; while waiting, gives up the wait.
    void pressButton();

    bool running() const;
    bool waiting() const;
    // What the window says above the statuses: the waiting notice, or nothing.
    const QString& notice() const { return m_notice; }
    // Status of server n (1..5).
    const QString& status(int n) const { return m_status.at(n - 1); }
    const QString& buttonCaption() const { return m_caption; }
    // How server n was reached, e.g. "SSL/TLS ポート 995"; empty until it is checked.
    const QString& connectionText(int n) const { return m_connection.at(n - 1); }
    // Why server n's certificate was refused and its fingerprint, or nothing.
    const std::optional<platform::TlsFailure>& certificateRefusal(int n) const
    {
        return m_refusal.at(n - 1);
    }
    // After the user said yes: profile n accepts the refused certificate from now on
    // (saved with the settings). False when there is no fingerprint to pin.
    bool pinRefusedCertificate(int n);

    bool ServerCheckFlag = false;             // a login's outcome is awaited
    std::array<bool, kServers> CheckTarget{}; // CheckTarget[n - 1]: server n is the target
    platform::Timer& Timer1() { return *m_timer; }

    // Called after every change of a status or of the button caption.
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

private:
    void begin();
    void tick();
    bool awaitOutcome();
    void walk();
    bool takeUp(int n);
    void startLogin(int n);
    void finish();
    void changed();

    AppContext& m_ctx;
    std::unique_ptr<platform::Timer> m_timer;
    std::array<QString, kServers> m_status;
    std::array<QString, kServers> m_connection;
    std::array<std::optional<platform::TlsFailure>, kServers> m_refusal;
    QString m_caption;
    QString m_notice;
    std::function<void()> m_changed;
};
