#include "archive/IndexFile.h"

#include "settings/OwnerOnly.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace archive {

bool syncToDisk(QFileDevice& file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

void syncFolder(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

std::optional<QList<QByteArray>> readIndexLines(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.exists())
        return QList<QByteArray>{};
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        return std::nullopt;
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return std::nullopt;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

bool appendIndexLine(const QString& path, const QByteArray& line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !makeOwnerOnly(file))
        return false;
    QByteArray record = line;
    // A line left unfinished by an earlier failure must not swallow this one.
    if (const qint64 size = file.size(); size > 0) {
        if (!file.seek(size - 1))
            return false;
        if (file.read(1) != "\n")
            record.prepend('\n');
    }
    return file.seek(file.size()) && file.write(record) == record.size() && syncToDisk(file);
}

bool rewriteIndex(const QString& path, const QList<QByteArray>& lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !makeOwnerOnly(file))
        return false;
    for (const QByteArray& line : lines)
        if (file.write(line + '\n') != line.size() + 1)
            return false;
    return file.commit();
}

} // namespace archive
