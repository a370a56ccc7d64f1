#pragma once

#include "platform/EventLoop.h"
#include "platform/TcpClient.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "rules/RuleSet.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class ActivityLog;

// One POP3 dialogue with one server: bytes and timer ticks in, command lines,
// log lines and monitor text out. Full session: USER, PASS, STAT, LIST, TOP n 0
// for every message (at most 1000), the deletion rules, DELE for each marked
// message, QUIT. Login check (Pop3ConnectFlag true): stops after PASS is accepted.
// The session has ended exactly when Timer1 and Timer2 are both stopped.
class Pop3Session
{
public:
    static constexpr qint16 True = -1;
    static constexpr qint16 False = 0;

    Pop3Session(platform::EventLoop& loop, platform::TcpClient& socket, HeaderStore& store,
                const ActivityLog& log);
    ~Pop3Session();

    // Session variables (flags: -1 true, 0 false).
    QString Pop3Server;
    int Pop3Port = 110;
    QString Pop3Id;
    QString Pop3PassWd;
    qint16 Pop3ConnectFlag = False;
    qint16 Pop3ConnectOk = False;
    qint16 Pop3ErrorFlag = False;
    QString CurrentCommand;
    QString CommandLine;
    qint16 ReplyReady = False;
    qint16 ReplyComplete = False;
    qint16 DeleteIndex = 0;
    qint16 RuleCheckBusy = False;
    // The rules of the server in use (copied from its profile by the rotation).
    RuleSet activeRules;

    // Starts a session with the variables above; arms the watchdog. The caller
    // starts Timer1 right after. A port outside 1..65535, or an account or password
    // with a character code page 932 cannot carry, ends it at once (logged, nothing sent).
    void ServerConect();
    // For a profile whose port text is not a whole number 1..65535: logs the stamped
    // line "　ポート番号が正しくありません　" + the text and ends as an error at once
    // (Pop3ErrorFlag true, both timers stopped, nothing sent).
    void rejectPort(const QString& portText);
    // Ends whatever is in progress without QUIT: closes the socket, stops Timer1 and Timer2.
    void abort();

    platform::Timer& Timer1();      // 100 ms command sender
    platform::Timer& Timer2();      // 30 s transfer watchdog
    bool sessionInProgress() const; // Timer1 or Timer2 running
    // Memory held for what the server sent; released when a session ends.
    qsizetype heldReplyBytes() const;

    HeaderStore& store();
    void setMonitor(CommandMonitor* monitor);       // nullptr: shows nothing
    void setHeaderViewer(HeaderViewerSink* viewer); // nullptr: refreshes nothing

    // A port text as a whole number 1..65535, or nothing.
    static std::optional<quint16> parsePort(const QString& text);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
