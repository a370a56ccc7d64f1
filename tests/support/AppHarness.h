#pragma once

#include "core/AppContext.h"
#include "pop3/CommandMonitor.h"
#include "support/Files.h"
#include "support/ScriptedTcpClient.h"
#include "support/VirtualEventLoop.h"

#include <QLocale>

#include <chrono>

using namespace std::chrono_literals;

// The command monitor as a test sees it.
struct RecordingMonitor : CommandMonitor
{
    void appendTranscript(const QString& text) override { transcript += text; }
    void setStatus(const QString& text) override { statuses << text; }
    void showMonitor() override { visible = true, ++shown; }
    void hideMonitor() override { visible = false; }

    QString transcript;
    QStringList statuses;
    bool visible = false;
    int shown = 0;
};

// The program's objects on virtual time, talking to the scripted server, with their
// files in a fresh directory. The clock starts at 2026-01-05 09:00:00 and the log is
// stamped as in the C locale ("2026/01/05 9:00:00").
struct AppHarness
{
    AppHarness()
    {
        ctx.log.setLocale(QLocale::c());
        session.setMonitor(&monitor);
    }

    // Profile n complete and enabled; the scripted server takes any account name.
    void completeProfile(int n, const QString& host = u"pop.example"_qs,
                         const QString& password = u"secret"_qs)
    {
        ServerProfile& p = ctx.settings.profile(n);
        p.Server = host;
        p.Id = u"user%1"_qs.arg(n);
        p.PassWd = password;
        p.Enabled = true;
    }
    QStringList logLines() const { return ::logLines(ctx.log.path()); }

    // A header whose Subject and From are plain ASCII.
    static QByteArray header(const QByteArray& subject, const QByteArray& from = "a@example.com")
    {
        return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
               "\r\nMessage-ID: <" + subject.toHex() + "@example.com>\r\n";
    }
    // The session connects as "alice" to "pop.example" with rules that delete every
    // message whose subject holds "SPAM".
    void start(Pop3Mode mode = Pop3Mode::Run, const QString& password = u"secret"_qs,
               ConnectionSecurity security = ConnectionSecurity::None)
    {
        const bool implicit = security == ConnectionSecurity::Tls;
        session.ServerConect(
            {.server = u"pop.example"_qs,
             .port = implicit ? u"995"_qs : u"110"_qs,
             .account = u"alice"_qs,
             .password = password,
             .rules =
                 RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}, .AllowList = allowList},
             .mode = mode,
             .security = security,
             .pinSha256 = pin,
             .preview = preview,
             .pipelining = pipelining});
    }
    bool preview = false;    // for the next start()
    bool pipelining = false; // off: a plain session sends STAT right after PASS, no CAPA
    QStringList allowList;
    QByteArray pin;

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

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    Pop3Session& session = ctx.session;
    RecordingMonitor monitor;
};
