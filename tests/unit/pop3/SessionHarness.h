#pragma once

#include "support/AppHarness.h"
#include "support/RecordingMonitor.h"

#include <QLocale>

// One engine on virtual time, talking to the scripted server, logging into a fresh
// directory with the stamps of the C locale ("2026/01/05 9:00:00").
struct SessionHarness : AppHarness
{
    SessionHarness()
    {
        ctx.log.setLocale(QLocale::c());
        session.setMonitor(&monitor);
    }

    // A header whose Subject and From are plain ASCII.
    static QByteArray header(const QByteArray& subject, const QByteArray& from = "a@example.com")
    {
        return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
               "\r\nMessage-ID: <" + subject.toHex() + "@example.com>\r\n";
    }

    // Connects as "alice" to "pop.example" with rules that delete every message whose
    // subject holds "SPAM".
    void start(const QString& password = QStringLiteral("secret"), Pop3Mode mode = Pop3Mode::Run,
               const QString& port = QStringLiteral("110"))
    {
        session.ServerConect(
            {.server = QStringLiteral("pop.example"),
             .port = port,
             .account = QStringLiteral("alice"),
             .password = password,
             .rules =
                 RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}, .AllowList = allowList},
             .mode = mode,
             .preview = preview,
             .pipelining = pipelining});
    }
    bool preview = false; // for the next start()
    // Off: a plain session sends STAT right after PASS, without asking CAPA.
    bool pipelining = false;
    QStringList allowList;

    // Runs what is pending now, without moving the clock.
    void settle() { loop.runDeferred(); }
    // The test speaks for the server: one reply after another, each once it is awaited.
    void reply(std::initializer_list<QByteArray> replies)
    {
        for (const QByteArray& bytes : replies) {
            server.serverSends(bytes);
            settle();
        }
    }

    bool ended() { return !session.Timer1().isActive() && !session.Timer2().isActive(); }

    Pop3Session& session = ctx.session;
    HeaderStore& store = ctx.store;
    RecordingMonitor monitor;
};
