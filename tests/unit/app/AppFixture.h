#pragma once

#include "app/control/AppContext.h"
#include "app/control/Form1Model.h"
#include "app/control/RunController.h"
#include "app/control/Shell.h"
#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "pop3/CommandMonitor.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QFile>
#include <QStringList>

#include <chrono>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// A Shell that records what is asked of the desktop, one entry per call. It is
// also the engine's command monitor, so that the monitor's visibility is one.
class RecordingShell : public Shell, public CommandMonitor
{
public:
    bool hasSettingsDialog = true;
    bool shown = false;
    QStringList calls;

    void showMonitor() override { shown = true; }
    void hideMonitor() override { shown = false; }
    bool monitorVisible() const override { return shown; }
    bool showSettingsDialog() override
    {
        calls << QStringLiteral("settings dialog");
        return hasSettingsDialog;
    }
    void fillSingleServerDialog(const QString& server, const QString& port, const QString& id,
                                const QString& password) override
    {
        calls << QStringLiteral("fill %1 %2 %3 %4").arg(server, port, id, password);
    }
    void showSingleServerDialog() override { calls << QStringLiteral("single-server dialog"); }
    void showHeaderViewer() override { calls << QStringLiteral("header viewer"); }
    void openPath(const QString& path) override { calls << QStringLiteral("open ") + path; }
    void warn(const QString& text) override { calls << QStringLiteral("warn ") + text; }
    void quit() override { calls << QStringLiteral("quit"); }
};

// The main window's model and run control on virtual time, a scripted server and
// a fresh program directory.
struct AppFixture
{
    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient socket{loop};
    AppContext context{loop, socket, dir.path()};
    Form1Model form{context.settings.global};
    RecordingShell shell;
    RunController controller{context, form, shell};

    AppFixture()
    {
        context.session.setMonitor(&shell);
        context.rotation.setMonitor(&shell);
    }

    // Profile n complete and enabled, against a scripted mailbox with these headers.
    void enableProfile(int n, std::vector<QByteArray> headers = {})
    {
        ServerProfile& profile = context.settings.profile(n);
        profile.Server = QStringLiteral("pop%1.example.jp").arg(n);
        profile.Id = QStringLiteral("user%1").arg(n);
        profile.PassWd = QStringLiteral("secret");
        profile.Enabled = true;
        ScriptedMailbox mailbox;
        mailbox.headers = std::move(headers);
        socket.setMailbox(std::move(mailbox));
    }

    void advance(std::chrono::milliseconds duration) { loop.advance(duration); }

    // The activity log's lines (CP932, CR LF), without the last line end.
    QStringList logLines() const
    {
        QFile file(context.log.path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = platform::decodeCp932(file.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QString stamped(const QString& message) const { return context.log.stamp() + message; }
    // A stamped line's message, for lines stamped earlier in the same hour.
    QString messageOf(const QString& line) const { return line.mid(context.log.stamp().size()); }

    bool anyTimerRunning()
    {
        return context.session.Timer1().isActive() || context.session.Timer2().isActive() ||
               controller.Timer3().isActive() || context.rotation.Timer4().isActive();
    }
};
