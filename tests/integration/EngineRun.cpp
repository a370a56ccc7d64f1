#include "EngineRun.h"

#include "platform/Codepage.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

EngineRun::EngineRun(const SettingsModel& settings)
    : m_log(m_dir.filePath(QStringLiteral("PostSweep.log")), m_loop),
      m_session(m_loop, m_socket, m_store, m_log), m_rotation(m_loop, m_session, settings, m_log)
{
    m_session.setMonitor(&m_monitor);
    m_rotation.setMonitor(&m_monitor);
}

bool EngineRun::run(int timeoutMilliseconds)
{
    QEventLoop events;
    bool finished = false;
    m_rotation.setEndOfRunHandler([&] {
        finished = true;
        m_rotation.Timer4().stop();
        events.quit();
    });
    QTimer::singleShot(timeoutMilliseconds, &events, &QEventLoop::quit);
    m_started = QDateTime::currentDateTime();
    m_rotation.startRun();
    if (!finished)
        events.exec();
    m_ended = QDateTime::currentDateTime();
    m_rotation.setEndOfRunHandler({});
    return finished;
}

QByteArray EngineRun::logBytes() const
{
    QFile file(m_log.path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList EngineRun::logLines() const
{
    QStringList stamps;
    for (QDateTime t = m_started.addSecs(-1); t <= m_ended.addSecs(1); t = t.addSecs(1))
        stamps.append(ActivityLog::stamp(t));
    QStringList lines = platform::decodeCp932(logBytes()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // after the last line's CR LF
    for (QString& line : lines) {
        for (const QString& stamp : stamps) {
            if (line.startsWith(stamp)) {
                line.replace(0, stamp.size(), QStringLiteral("<stamp>"));
                break;
            }
        }
    }
    return lines;
}
