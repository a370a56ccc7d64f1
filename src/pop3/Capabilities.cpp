#include "pop3/Capabilities.h"

#include <QList>

bool hasCapability(const QByteArray& reply, QByteArrayView name)
{
    // The status line and the terminating "." are not capabilities.
    const QList<QByteArray> lines = reply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i].simplified();
        const qsizetype space = line.indexOf(' ');
        if (space >= 0)
            line.truncate(space);
        if (line.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool offersSasl(const QByteArray& reply, QByteArrayView mechanism)
{
    const QList<QByteArray> lines = reply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].simplified().split(' ');
        if (words.front().compare("SASL", Qt::CaseInsensitive) != 0)
            continue;
        for (qsizetype w = 1; w < words.size(); ++w)
            if (words[w].compare(mechanism, Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}
