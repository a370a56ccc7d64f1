#pragma once

#include "app/control/AppContext.h"
#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QFile>

#include <chrono>
#include <ostream>

using namespace std::chrono_literals;

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// The program's objects on virtual time, talking to the scripted server, with their
// files in a fresh directory.
struct DialogHarness
{
    // A profile that logs in to the scripted server (which takes any account name).
    void completeProfile(int n, const QString& host = QStringLiteral("pop.example"),
                         const QString& password = QStringLiteral("secret"))
    {
        ServerProfile& p = ctx.settings.profile(n);
        p.Server = host;
        p.Id = QStringLiteral("user%1").arg(n);
        p.PassWd = password;
        p.Enabled = true;
    }

    QByteArray fileBytes(const QString& name) const
    {
        QFile file(dir.file(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList logLines() const
    {
        QStringList lines = platform::decodeCp932(fileBytes(QStringLiteral("PostSweep.log")))
                                .split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
};
