#include "cli/ProfileMonitor.h"

#include "pop3/Pop3LogLines.h"

#include <QStringList>

#include <cstdio>

namespace {

bool isErrorMark(const QString& line)
{
    return line == QLatin1String("ERROR!!") || line == QLatin1String("Error!!");
}

QString withoutLineEnd(QString text)
{
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

} // namespace

void ProfileMonitor::appendTranscript(const QString& text)
{
    const QString line = withoutLineEnd(text);
    if (m_verbose) {
        // A header arrives as one text of many lines; each is made safe on its own.
        for (const QString& part : line.split(QLatin1Char('\n')))
            cli::printError(cli::printable(withoutLineEnd(part), 2000));
    }
    if (line.startsWith(QStringLiteral("\u3000Winsocket")))
        m_error = line.trimmed();
    else if (isErrorMark(line) && m_error.isEmpty())
        m_error = m_last.trimmed();
    else
        m_last = line;
}

void ProfileMonitor::showMonitor()
{
    if (m_start)
        m_start();
}

void ProfileMonitor::hideMonitor()
{
    if (m_hidden)
        m_hidden();
}

void ProfileMonitor::reset()
{
    m_last.clear();
    m_error.clear();
}

QString ProfileMonitor::errorText() const
{
    return cli::printable(m_error.isEmpty() ? pop3log::transferTimeout().trimmed() : m_error);
}

namespace cli {

QString printable(const QString& text, qsizetype maxLength)
{
    QString result = text.left(maxLength);
    for (QChar& c : result)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f ||
            (c.unicode() >= 0x80 && c.unicode() < 0xa0))
            c = QLatin1Char('?');
    return result;
}

void printOut(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printError(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace cli
