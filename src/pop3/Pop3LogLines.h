#pragma once

#include <QString>

// The activity-log texts of a POP3 session, exactly as the log shows them. Stamped
// messages carry their own leading blanks; the stamp is put in front by the log.
// U+3000 is the ideographic space, U+FF1A the full-width colon.
namespace pop3log {

// Stamped, after USER has been sent (preceded by an empty line).
inline QString connectionStarted(const QString& server, const QString& id)
{
    return QLatin1Char(' ') + server + QStringLiteral("に\u3000ID:") + id +
           QStringLiteral("でサーバに接続を開始しました");
}

// Stamped, when the password has been accepted.
inline QString loggedIn(const QString& server, const QString& id)
{
    return QLatin1Char(' ') + server + QStringLiteral("に\u3000ID:") + id +
           QStringLiteral("でサーバに接続しました");
}

// Bare, after STAT.
inline QString messageCount(int count)
{
    return QString::number(count) + QStringLiteral("  件のメールがあります");
}

// Stamped, after the text of a refused command.
inline QString serverError(const QString& server)
{
    return QLatin1Char(' ') + server + QStringLiteral(" サーバがエラーを返しました");
}

// Stamped, after the text of a reply that broke the dialogue (why, in a few words).
inline QString protocolError(const QString& server, const QString& why)
{
    return QLatin1Char(' ') + server + QStringLiteral(" サーバの応答が不正なため切断しました（") +
           why + QStringLiteral("）");
}

// Stamped, when no reply came within the watchdog's time.
inline QString transferTimeout()
{
    return QStringLiteral("\u3000サーバデータ転送タイムアウトエラー");
}

// Stamped, when the socket reports an error number.
inline QString socketError(int number)
{
    QString message;
    switch (number) {
    case 10060:
        message = QStringLiteral("\u3000Winsocket エラー\uFF1Aサーバ接続タイムアウト\u3000");
        break;
    case 11001:
        message = QStringLiteral("\u3000Winsocket エラー\uFF1Aサーバが見つかりません\u3000");
        break;
    default:
        message = QStringLiteral("\u3000Winsocket エラー\uFF1Aその他のエラー\u3000 ");
        break;
    }
    return message + QString::number(number);
}

// Stamped, when a profile's port text is not a port number.
inline QString invalidPort(const QString& portText)
{
    return QStringLiteral("\u3000ポート番号が正しくありません\u3000") + portText;
}

} // namespace pop3log
