#include "support/Files.h"

#include "platform/Codepage.h"

#include <QFile>

#include <ostream>
#include <sys/stat.h>

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

QStringList logLines(const QString& path)
{
    QStringList lines = platform::decodeCp932(readFile(path)).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast(); // after the last line end, or the whole of an empty file
    return lines;
}

void PrintTo(const QString& text, std::ostream* os)
{
    QString shown = text;
    shown.replace(QChar(0x1B), QStringLiteral("<ESC>"));
    *os << '"' << shown.toStdString() << '"';
}

int fileMode(const QString& path)
{
    struct stat info
    {
    };
    if (stat(path.toLocal8Bit().constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}
