#pragma once

#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "settings/ActivityLog.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QFile>
#include <QLocale>

#include <chrono>
#include <ostream>

using namespace std::chrono_literals;

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// The command monitor as a test sees it.
struct RecordingMonitor : CommandMonitor
{
    void appendTranscript(const QString& text) override { transcript += text; }
    void setStatus(const QString& text) override { statuses << text; }
    void showMonitor() override { visible = true; }
    void hideMonitor() override { visible = false; }

    QString transcript;
    QStringList statuses;
    bool visible = false;
};

// One engine on virtual time, talking to the scripted server, logging into a
// fresh directory. The clock starts at 2026-01-05 09:00:00.
struct SessionHarness
{
    SessionHarness()
    {
        log.setLocale(QLocale::c());
        session.setMonitor(&monitor);
    }

    // A header whose Subject and From are plain ASCII.
    static QByteArray header(const QByteArray& subject, const QByteArray& from = "a@example.com")
    {
        return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
               "\r\nMessage-ID: <" + subject.toHex() + "@example.com>\r\n";
    }

    // Rules that delete every message whose subject holds "SPAM".
    static RuleSet spamRules()
    {
        RuleSet rules;
        rules.RuleSubjectWords = 1;
        rules.SubjectWords[0] = QStringLiteral("SPAM");
        return rules;
    }

    void start(const QString& password = QStringLiteral("secret"),
               qint16 connectFlag = Pop3Session::False)
    {
        session.Pop3Server = QStringLiteral("pop.example");
        session.Pop3Port = 110;
        session.Pop3Id = QStringLiteral("alice");
        session.Pop3PassWd = password;
        session.Pop3ConnectFlag = connectFlag;
        session.activeRules = spamRules();
        session.ServerConect();
        session.Timer1().start();
    }

    // Runs what is pending now, without moving the clock.
    void settle() { loop.runDeferred(); }

    bool ended() { return !session.Timer1().isActive() && !session.Timer2().isActive(); }

    // The log as lines, read back from the file in code page 932.
    QStringList logLines() const
    {
        QFile file(dir.file(QStringLiteral("PostSweep.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = platform::decodeCp932(file.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    // The stamp of a line written at the given virtual time.
    static QString stampAt(qint64 milliseconds)
    {
        return QDateTime(QDate(2026, 1, 5), QTime(9, 0))
            .addMSecs(milliseconds)
            .toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
    }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    ActivityLog log{dir.file(QStringLiteral("PostSweep.log")), loop};
    HeaderStore store;
    Pop3Session session{loop, server, store, log};
    RecordingMonitor monitor;
};
