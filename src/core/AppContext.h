#pragma once

// The objects one program run owns, wired together. The program builds it
// on the Qt event loop and socket; GUI tests build it on virtual time and a scripted
// server. Windows receive it by reference and bind to its members.

#include "archive/DeletedMailArchive.h"
#include "core/EngineOwner.h"
#include "platform/EventLoop.h"
#include "platform/TcpClient.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "pop3/ServerRotation.h"
#include "settings/ActivityLog.h"
#include "settings/AppFiles.h"
#include "settings/SettingsModel.h"

#include <QString>

struct AppContext
{
    AppContext(platform::EventLoop& eventLoop, platform::TcpClient& tcp, const QString& dir)
        : loop(eventLoop), socket(tcp), directory(dir),
          log(appfiles::beside(dir, QString::fromUtf16(appfiles::kLogFile)), eventLoop),
          session(eventLoop, tcp, store, log), rotation(eventLoop, session, settings, log),
          archive(dir, eventLoop)
    {}

    QString settingsPath() const
    {
        return appfiles::beside(directory, QString::fromUtf16(appfiles::kSettingsFile));
    }
    QString singleServerPath() const
    {
        return appfiles::beside(directory, QString::fromUtf16(appfiles::kSingleServerFile));
    }

    platform::EventLoop& loop;
    platform::TcpClient& socket;
    const QString directory; // the executable's directory, where the files live
    SettingsModel settings;  // the live profiles and global settings
    ActivityLog log;
    HeaderStore store;
    Pop3Session session;
    ServerRotation rotation;
    // The kept copies of deleted messages; handed to the rotation before each run
    // that keeps copies.
    archive::DeletedMailArchive archive;
    // Who uses the session engine now: a run or a login check, never both.
    EngineOwner engine;
};
