#include "settings/ActivityLog.h"

#include "platform/Codepage.h"

#include <QFile>

namespace {

// Appends the lines, each ended by CR LF, within one open and close; a log that
// cannot be opened or written is skipped.
void appendLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += platform::encodeCp932(line).bytes; // characters without a code are left out
        bytes += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(bytes);
}

// Adds seconds to a time format that lacks them, after the minutes, with the
// separator that precedes the minutes.
QString withSeconds(QString format)
{
    if (format.contains(u's'))
        return format;
    const qsizetype minutes = format.lastIndexOf(u'm');
    if (minutes < 0)
        return format;
    qsizetype first = minutes;
    while (first > 0 && format.at(first - 1) == u'm')
        --first;
    const QChar before = first > 0 ? format.at(first - 1) : QChar(u':');
    const QString separator = before.isLetter() ? QStringLiteral(":") : QString(before);
    format.insert(minutes + 1, separator + QStringLiteral("ss"));
    return format;
}

} // namespace

ActivityLog::ActivityLog(QString path, const platform::Clock& clock)
    : m_path(std::move(path)), m_clock(clock)
{}

void ActivityLog::WriteLogLine(const QString& text) const
{
    appendLines(m_path, {text});
}

void ActivityLog::writeLines(const QStringList& lines) const
{
    appendLines(m_path, lines);
}

void ActivityLog::writeStamped(const QString& message) const
{
    WriteLogLine(stamp() + message);
}

void ActivityLog::ClearLog() const
{
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.close();
}

QString ActivityLog::stamp() const
{
    return stamp(m_clock.now(), m_locale);
}

QString ActivityLog::stamp(const QDateTime& when)
{
    return stamp(when, QLocale::system());
}

QString ActivityLog::stamp(const QDateTime& when, const QLocale& locale)
{
    if (locale.language() == QLocale::Japanese || locale.language() == QLocale::C)
        return when.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
    return locale.toString(when.date(), locale.dateFormat(QLocale::ShortFormat)) +
           QLatin1Char(' ') +
           locale.toString(when.time(), withSeconds(locale.timeFormat(QLocale::ShortFormat)));
}
