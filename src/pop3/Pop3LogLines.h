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

// Stamped, after connectionStarted() in a preview, and shown at the head of its transcript.
inline QString previewStarted(const QString& server)
{
    return QLatin1Char(' ') + server + QStringLiteral(" 確認のみ（削除しません）");
}

// Stamped, before the rules run, and after the last line of their outcome.
inline QString rulesStarted()
{
    return QStringLiteral("  削除メールを指定条件で検索しています");
}
inline QString rulesFinished()
{
    return QStringLiteral("  削除メールを指定条件で検索・削除を終了しました");
}

// What became of a message the rules marked: deleted only once the server has
// acknowledged the QUIT that followed its DELE.
enum class Deletion {
    Done,        // QUIT acknowledged
    NotDone,     // the session ended before QUIT was sent: the message is still there
    Unconfirmed, // QUIT was sent but its acknowledgement never came
    Previewed,   // a preview: no DELE was sent, whatever became of the session
};

// Bare, one per marked message; marked is the rules' "タイトル:… 差出人:…" text.
inline QString deletion(const QString& marked, Deletion outcome)
{
    switch (outcome) {
    case Deletion::Done:
        return marked + QStringLiteral(" を削除しました");
    case Deletion::NotDone:
        return marked + QStringLiteral(" は削除されませんでした（サーバに残っています）");
    case Deletion::Unconfirmed:
        return marked + QStringLiteral(" は削除されたか確認できませんでした");
    case Deletion::Previewed:
        return marked + QStringLiteral(" を削除対象と判定しました（確認のみ）");
    }
    return marked;
}

// Bare, in place of the deletion line: the keeper could not store the message's copy,
// so its DELE was never sent.
inline QString copyRefused(const QString& marked)
{
    return marked + QStringLiteral(" は控えを保存できなかったため削除しませんでした");
}

// Bare, before the deletion line: the message was larger than the keeper takes whole.
inline QString headerOnlyCopy(const QString& marked, qint64 maxBytes)
{
    return marked + QStringLiteral(" は%1MBを超えるためヘッダのみ控えに保存しました")
                        .arg(maxBytes / (1024 * 1024));
}

// Stamped, when the account or the password holds a character that code page 932
// cannot carry; nothing is sent to that server.
inline QString unsendableCredential(const QString& server, bool password)
{
    return QLatin1Char(' ') + server +
           (password ? QStringLiteral(" パスワードに送信できない文字が含まれています")
                     : QStringLiteral(" アカウント名に送信できない文字が含まれています"));
}

// Stamped, when a profile's port text is not a port number.
// The server's certificate failed its check: nothing was sent after the handshake.
inline QString certificateRefused(const QString& server, const QString& reason)
{
    return QLatin1Char(' ') + server +
           QStringLiteral(" の証明書を受け入れられないため切断しました（") + reason +
           QStringLiteral("）");
}

// The certificate's SHA-256 fingerprint, as the settings dialog pins it.
inline QString certificateFingerprint(const QByteArray& sha256)
{
    return QStringLiteral("\u3000証明書の SHA-256 指紋: ") +
           (sha256.isEmpty() ? QStringLiteral("（なし）") : QString::fromLatin1(sha256.toHex(':')));
}

// STARTTLS was asked for and the server does not offer it.
inline QString startTlsMissing(const QString& server)
{
    return QLatin1Char(' ') + server +
           QStringLiteral(" サーバが STARTTLS に対応していないため、ログインせずに切断しました");
}

inline QString invalidPort(const QString& portText)
{
    return QStringLiteral("\u3000ポート番号が正しくありません\u3000") + portText;
}

} // namespace pop3log
