#pragma once

#include "platform/EventLoop.h"
#include "platform/MessageKeeper.h"
#include "platform/TcpClient.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "rules/RuleSet.h"
#include "settings/OptionsFile.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class ActivityLog;

// Who asks for a session: a run (the full dialogue) or a login check, which ends
// as soon as PASS is accepted and never sends STAT, DELE or QUIT.
enum class Pop3Mode { Run, LoginCheck };

// Everything one session needs, handed over whole when it starts.
struct Pop3Target
{
    QString server;
    QString port; // as typed: a whole number 1..65535, else the session ends at once
    QString account;
    QString password;
    RuleSet rules; // unused by a login check
    Pop3Mode mode = Pop3Mode::Run;
    // Plain POP3 as always; STARTTLS or implicit TLS ask CAPA after the greeting and
    // send no credential until the connection is encrypted.
    ConnectionSecurity security = ConnectionSecurity::None;
    QByteArray pinSha256; // the certificate accepted instead of the trusted ones, or empty
    // Judge only: the rules run, nothing is sent DELE, and QUIT follows the last TOP.
    bool preview = false;
    // Where each message is copied before its DELE; nullptr: no copies are kept.
    platform::MessageKeeper* keeper = nullptr;
    // Whether commands may go out without waiting for each reply, where CAPA offers
    // PIPELINING; false keeps one command at a time whatever the server offers.
    bool pipelining = true;
};

// The engine's variables, as the windows and callers read them (flags: -1 true, 0 false).
// Only the engine writes them.
struct Pop3Variables
{
    QString Pop3Server;
    int Pop3Port = 110;
    QString Pop3Id;
    QString Pop3PassWd;
    qint16 Pop3ConnectFlag = 0; // -1: login check
    qint16 Pop3ConnectOk = 0;   // -1 once PASS was accepted
    qint16 Pop3ErrorFlag = 0;
    QString CurrentCommand;
    QString CommandLine;
    qint16 ReplyReady = 0;
    // Set when a LIST or TOP reply is complete and never read: kept so that the
    // engine's state reads as the dialogue is documented.
    qint16 ReplyComplete = 0;
    qint16 DeleteIndex = 0;
    qint16 RuleCheckBusy = 0;
    RuleSet activeRules; // the rules of the server in use
};

// One POP3 dialogue with one server: bytes and timer ticks in, command lines,
// log lines and monitor text out. Over TLS, CAPA (and STLS) come first.
// Full session: USER, PASS, STAT, LIST, TOP n 0
// for every message (at most 1000), the deletion rules, DELE for each marked
// message, QUIT (a preview sends no DELE). Login check: stops after PASS is accepted.
// The session has ended exactly when Timer1 and Timer2 are both stopped.
// ServerConect() is the one way in and abort() the one way to cut a session short;
// who may call them is decided by the EngineOwner.
class Pop3Session : private Pop3Variables
{
public:
    static constexpr qint16 True = -1;
    static constexpr qint16 False = 0;

    Pop3Session(platform::EventLoop& loop, platform::TcpClient& socket, HeaderStore& store,
                const ActivityLog& log);
    ~Pop3Session();

    // Starts a session with this target: arms the watchdog and starts Timer1. A port
    // text that is not a whole number 1..65535 logs the stamped line
    // "　ポート番号が正しくありません　" + the text and ends as an error at once
    // (Pop3ErrorFlag true, both timers stopped, nothing sent); so does an account or
    // password with a character code page 932 cannot carry.
    void ServerConect(const Pop3Target& target);
    // Ends whatever is in progress without QUIT: closes the socket, stops Timer1 and Timer2.
    void abort();

    const Pop3Variables& variables() const { return *this; }
    platform::Timer& Timer1();      // 100 ms command sender
    platform::Timer& Timer2();      // 30 s transfer watchdog
    bool sessionInProgress() const; // Timer1 or Timer2 running
    // Memory held for what the server sent; released when a session ends.
    qsizetype heldReplyBytes() const;

    void setMonitor(CommandMonitor* monitor);       // nullptr: shows nothing
    void setHeaderViewer(HeaderViewerSink* viewer); // nullptr: refreshes nothing

    // A port text as a whole number 1..65535, or nothing.
    static std::optional<quint16> parsePort(const QString& text);

private:
    void connectToServer();
    void rejectPort(const QString& portText);

    struct Private;
    std::unique_ptr<Private> d;
};
