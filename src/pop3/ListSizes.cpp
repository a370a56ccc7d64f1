#include "pop3/ListSizes.h"

#include <QList>

std::vector<qint64> listedSizes(const QByteArray& reply, int maxNumber)
{
    std::vector<qint64> sizes(static_cast<std::size_t>(maxNumber) + 1, -1);
    const QList<QByteArray> lines = reply.split('\n');
    // The status line and the terminating "." give no size.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].trimmed().split(' ');
        if (words.size() < 2)
            continue;
        bool numberOk = false;
        bool sizeOk = false;
        const int number = words[0].toInt(&numberOk);
        const qint64 size = words[1].toLongLong(&sizeOk);
        if (numberOk && sizeOk && number >= 1 && number <= maxNumber && size >= 0)
            sizes[static_cast<std::size_t>(number)] = size;
    }
    return sizes;
}
