#include "EngineRun.h"

#include "platform/Codepage.h"

#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

EngineRun::EngineRun(const SettingsModel& settings)
    : m_log(m_dir.filePath(QStringLiteral("PostSweep.log")), m_loop),
      m_session(m_loop, m_socket, m_store, m_log), m_rotation(m_loop, m_session, settings, m_log)
{
    m_session.setMonitor(&m_monitor);
    m_rotation.setMonitor(&m_monitor);
    m_log.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
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
    // Under Japanese regional settings a stamp reads "2005/03/14 9:05:07".
    static const QRegularExpression stampPattern(
        QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}:\\d{2}"));
    QStringList lines = platform::decodeCp932(logBytes()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // after the last line's CR LF
    for (QString& line : lines) {
        const QRegularExpressionMatch match = stampPattern.match(line);
        const QDateTime when =
            QDateTime::fromString(match.captured(), QStringLiteral("yyyy/MM/dd H:mm:ss"));
        if (match.hasMatch() && when >= m_started.addSecs(-1) && when <= m_ended.addSecs(1))
            line.replace(0, match.capturedLength(), QStringLiteral("<stamp>"));
    }
    return lines;
}
