#pragma once

#include "core/AppContext.h"
#include "pop3/CommandMonitor.h"
#include "support/Files.h"
#include "support/ScriptedTcpClient.h"
#include "support/VirtualEventLoop.h"

#include <QLocale>

#include <chrono>

using namespace std::chrono_literals;

struct RecordingMonitor : CommandMonitor
{
    void appendTranscript(const QString& text) override { transcript += text; }
    void showMonitor() override { visible = true; }
    void hideMonitor() override { visible = false; }

    QString transcript;
    bool visible = false;
};

// The program's objects on virtual time against the scripted server, files in a fresh folder;
// the clock starts at 2026-01-05 09:00, the log stamped as in the C locale ("2026/01/05 9:00:00").
struct AppHarness
{
    AppHarness()
    {
        ctx.log.setLocale(QLocale::c());
        session.setMonitor(&monitor);
    }

    // Profile n complete and enabled; the scripted server takes any account name.
    void completeProfile(int n, const QString& host = u"pop.example"_qs)
    {
        ServerProfile& p = ctx.settings.profile(n);
        p.Server = host;
        p.Id = u"user%1"_qs.arg(n);
        p.PassWd = u"secret"_qs;
        p.Enabled = true;
    }
    QStringList logLines() const { return ::logLines(ctx.log.path()); }

    static QByteArray header(const QByteArray& subject, const QByteArray& from = "a@example.com")
    {
        return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
               "\r\nMessage-ID: <" + subject.toHex() + "@example.com>\r\n";
    }
    // count messages, subjects "SPAM n" for those in spam and "Lunch n" for the others.
    static ScriptedMailbox mailbox(int count, std::initializer_list<int> spam,
                                   std::vector<ScriptedFault> faults = {})
    {
        ScriptedMailbox mailbox{.faults = std::move(faults),
                                .capabilities = "PIPELINING\r\nUSER\r\n"};
        for (int n = 1; n <= count; ++n)
            mailbox.headers.push_back(
                header((std::ranges::count(spam, n) ? "SPAM " : "Lunch ") + QByteArray::number(n)));
        return mailbox;
    }

    // The session connects as "alice" to "pop.example" with rules that delete every
    // message whose subject holds "SPAM", one command at a time unless told otherwise.
    Pop3Target target{.server = u"pop.example"_qs,
                      .port = u"110"_qs,
                      .account = u"alice"_qs,
                      .password = u"secret"_qs,
                      .rules = RuleSet{.RuleSubjectWords = 1, .SubjectWords = {"SPAM"}},
                      .pipelining = false};
    void start() { session.ServerConect(target); }
    // A whole session against this mailbox, as far as it goes without the clock moving.
    void run(ScriptedMailbox mailbox)
    {
        server.setMailbox(std::move(mailbox));
        start();
        settle();
    }
    void settle() { loop.runDeferred(); } // what is pending now, without moving the clock
    // The test speaks for the server: one reply after another, each once it is awaited.
    void reply(std::initializer_list<QByteArray> replies)
    {
        for (const QByteArray& bytes : replies) {
            server.serverSends(bytes);
            settle();
        }
    }
    bool ended() { return !session.sessionInProgress(); } // Timer1 and Timer2 stopped

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    Pop3Session& session = ctx.session;
    RecordingMonitor monitor;
};
