#include "support/Files.h"

#include "platform/Codepage.h"

#include <QFile>

#include <csignal>
#include <ostream>
#include <sys/resource.h>
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
    QStringList lines = platform::decodeCp932(readFile(path)).split(u"\r\n"_qs);
    if (lines.last().isEmpty())
        lines.removeLast(); // after the last line end, or the whole of an empty file
    return lines;
}

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << QString(text).replace(QChar(0x1B), u"<ESC>"_qs).toStdString() << '"';
}

int fileMode(const QString& path)
{
    struct stat info = {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

void withFileSizeLimit(long bytes, const std::function<void()>& act)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &small);
    act();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
}
