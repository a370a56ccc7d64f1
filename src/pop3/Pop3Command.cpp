#include "pop3/Pop3Command.h"

#include "pop3/HeaderStore.h"

#include <QRegularExpression>

#include <algorithm>

namespace pop3 {

QString commandName(Command command)
{
    switch (command) {
    case Command::Connect:
        return QStringLiteral("connect");
    case Command::Capa:
        return QStringLiteral("CAPA ");
    case Command::Stls:
        return QStringLiteral("STLS ");
    case Command::User:
        return QStringLiteral("USER ");
    case Command::Pass:
        return QStringLiteral("PASS ");
    case Command::Auth:
        return QStringLiteral("AUTH ");
    case Command::Stat:
    case Command::Recount:
        return QStringLiteral("STAT ");
    case Command::List:
        return QStringLiteral("LIST ");
    case Command::Top:
    case Command::HeaderCopy:
        return QStringLiteral("TOP ");
    case Command::Retr:
        return QStringLiteral("RETR ");
    case Command::Dele:
        return QStringLiteral("DELE ");
    case Command::Quit:
        return QStringLiteral("QUIT ");
    }
    return {};
}

bool isMultiLine(Command command)
{
    return command == Command::Capa || command == Command::List || command == Command::Top;
}

QString withoutLineBreaks(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

std::optional<qint16> statCount(const QByteArray& reply)
{
    static const QRegularExpression form(
        QStringLiteral("^\\+OK ([0-9]+) [0-9]+( [^\\r\\n]*)?\\r\\n$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(reply));
    if (!match.hasMatch())
        return std::nullopt;
    QStringView digits = match.capturedView(1);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.mid(1);
    if (digits.size() > 4)
        return HeaderStore::kMaxMessages;
    return static_cast<qint16>(std::min(digits.toInt(), int(HeaderStore::kMaxMessages)));
}

} // namespace pop3
