#pragma once

#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "pop3/ServerRotation.h"
#include "settings/ActivityLog.h"
#include "settings/SettingsModel.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

// What the engine shows in the command monitor, kept for inspection.
class RecordingMonitor final : public CommandMonitor
{
public:
    void appendTranscript(const QString& text) override { transcript += text; }
    void setStatus(const QString& text) override { statuses.append(text); }

    QString transcript;
    QStringList statuses;
};

// A whole run over the enabled profiles of a settings model, on Qt's real event
// loop and sockets, logging into a fresh "PostSweep.log" under Japanese regional settings.
class EngineRun
{
public:
    explicit EngineRun(const SettingsModel& settings);

    // Starts the run and handles events until its end-of-run action (true) or the time limit.
    [[nodiscard]] bool run(int timeoutMilliseconds);

    // The log's lines (code page 932 decoded); a leading date and time of the run's
    // span, as Japanese regional settings write it, becomes "<stamp>".
    QStringList logLines() const;
    QByteArray logBytes() const;
    const RecordingMonitor& monitor() const { return m_monitor; }

private:
    QTemporaryDir m_dir;
    platform::QtEventLoop m_loop;
    platform::QtTcpClient m_socket;
    HeaderStore m_store;
    ActivityLog m_log;
    Pop3Session m_session;
    ServerRotation m_rotation;
    RecordingMonitor m_monitor;
    QDateTime m_started;
    QDateTime m_ended;
};
