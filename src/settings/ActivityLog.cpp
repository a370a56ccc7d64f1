#include "settings/ActivityLog.h"

#include "platform/Codepage.h"
#include "settings/OwnerOnly.h"

#include <QFile>

namespace {

// A line break or other control character in logged text (a server's reply, an
// account name) would forge lines of its own: each is written as a blank.
QString blanked(QString line)
{
    for (QChar& c : line) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029)
            c = u' ';
    }
    return line;
}

// Appends the lines, each ended by CR LF, in one write within one open and close;
// a write that falls short (a full disk) is taken back, so no line is left cut.
// A log that cannot be opened or written is skipped.
void appendLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        // Characters without a code are left out.
        bytes += platform::encodeCp932(blanked(line)).bytes;
        bytes += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return;
    makeOwnerOnly(file);
    const qint64 before = file.size();
    if (file.write(bytes) != bytes.size())
        file.resize(before);
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
        makeOwnerOnly(file);
}

QString ActivityLog::shown(QString value)
{
    if (value.size() <= kMaxShown)
        return value;
    value.truncate(kMaxShown);
    if (value.back().isHighSurrogate())
        value.chop(1);
    return value + QStringLiteral("…（以下省略）");
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
