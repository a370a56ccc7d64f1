#pragma once

#include "core/AppContext.h"
#include "support/Files.h"
#include "support/ScriptedTcpClient.h"
#include "support/VirtualEventLoop.h"

#include <chrono>

using namespace std::chrono_literals;

// The program's objects on virtual time, talking to the scripted server, with their
// files in a fresh directory. The clock starts at 2026-01-05 09:00:00.
struct AppHarness
{
    // Profile n complete and enabled; the scripted server takes any account name.
    void completeProfile(int n, const QString& host = QStringLiteral("pop.example"),
                         const QString& password = QStringLiteral("secret"))
    {
        ServerProfile& p = ctx.settings.profile(n);
        p.Server = host;
        p.Id = QStringLiteral("user%1").arg(n);
        p.PassWd = password;
        p.Enabled = true;
    }
    QStringList logLines() const { return ::logLines(ctx.log.path()); }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
};
