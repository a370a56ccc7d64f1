#pragma once

#include "platform/Timer.h"
#include "settings/ProfileConnection.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct AppContext;

// What the single-server check asks of its windows: the dialog Form3, the progress
// window Form4, the command monitor and the main window.
class SingleServerWindows
{
public:
    virtual ~SingleServerWindows() = default;
    virtual void showChecking() = 0;      // Form4 shown, Form3 hidden
    virtual void showEditing() = 0;       // Form4 hidden, Form3 shown as typed
    virtual void leaveToMainWindow() = 0; // Form3 and Form4 hidden, main window shown
    virtual void hideMonitor() = 0;       // Form2 hidden
    virtual void warn(const QString& text) = 0;
};

// The single-server setup: checks one server's login on the engine's check-only mode
// and, when the server accepts it, records the server in "PostSweep1.ini" (one line:
// the port, then host, account and password scrambled, each in double quotes), and its
// security mode in the companion file's [Single] group.
class SingleServerCheck
{
public:
    static constexpr int kTimer1Interval = 100;

    struct Fields
    {
        QString host;                                           // Text1
        QString port;                                           // Text2
        QString account;                                        // Text3
        QString password;                                       // Text4
        ConnectionSecurity security = ConnectionSecurity::None; // Combo1
    };

    SingleServerCheck(AppContext& ctx, SingleServerWindows& windows);
    ~SingleServerCheck();

    // "OK" of Form3: refuses incomplete or unstorable fields, and refuses while a run
    // holds the engine; else starts the check.
    void pressOk(const Fields& fields);
    // "キャンセル" of Form4: stops the check and everything the engine does.
    void cancelCheck();
    // "キャンセル" of Form3.
    void cancelDialog();

    platform::Timer& Timer1() { return *m_timer; }

    // Why the fields cannot be checked, as the message to show, or nothing.
    static std::optional<QString> refusal(const Fields& fields);
    // The file's one line for these values, CR LF ended, in code page 932.
    static QByteArray record(int port, const QString& host, const QString& account,
                             const QString& password);

private:
    void tick();
    void succeed();
    void fail();
    void stopCheck();

    AppContext& m_ctx;
    SingleServerWindows& m_windows;
    std::unique_ptr<platform::Timer> m_timer;
    ConnectionSecurity m_security = ConnectionSecurity::None;
};
