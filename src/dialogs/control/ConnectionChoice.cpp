#include "dialogs/control/ConnectionChoice.h"

#include "pop3/Pop3Session.h"
#include "settings/OptionsFile.h"

#include <QRegularExpression>

namespace connection {

QString securityCaption(ConnectionSecurity security)
{
    switch (security) {
    case ConnectionSecurity::StartTls:
        return QStringLiteral("STARTTLS");
    case ConnectionSecurity::Tls:
        return QStringLiteral("SSL/TLS");
    case ConnectionSecurity::None:
        break;
    }
    return QStringLiteral("なし");
}

QString defaultPort(ConnectionSecurity security)
{
    return security == ConnectionSecurity::Tls ? QStringLiteral("995") : QStringLiteral("110");
}

QString portAfterModeChange(const QString& port, ConnectionSecurity from, ConnectionSecurity to)
{
    return port.trimmed() == defaultPort(from) ? defaultPort(to) : port;
}

namespace {

bool isBlank(const ServerProfile& profile)
{
    return profile.Server.isEmpty() && profile.Id.isEmpty() && profile.PassWd.isEmpty();
}

} // namespace

void startBlankProfilesEncrypted(SettingsModel& settings)
{
    for (ServerProfile& profile : settings.profiles)
        if (isBlank(profile) && profile.Connection == ProfileConnection{})
            profile.Connection = {.security = ConnectionSecurity::Tls,
                                  .port = defaultPort(ConnectionSecurity::Tls)};
}

std::optional<UnstorableField> invalidPort(const SettingsModel& settings)
{
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        const ServerProfile& p = settings.profile(n);
        if (!p.Enabled && p.Connection.port.isEmpty())
            continue;
        if (!Pop3Session::parsePort(p.connectionPort()))
            return UnstorableField{n, QStringLiteral("Port"),
                                   QStringLiteral("1～65535 のポート番号以外が入っています")};
    }
    return std::nullopt;
}

std::optional<QByteArray> parseFingerprint(QString text)
{
    // The whole log line may be pasted: only what follows its caption counts.
    static const QString caption = QStringLiteral("指紋:");
    if (const qsizetype at = text.indexOf(caption); at >= 0)
        text = text.mid(at + caption.size());
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return OptionsFile::pinFromText(text);
}

QString fingerprintText(const QByteArray& sha256)
{
    return QString::fromLatin1(sha256.toHex(':'));
}

} // namespace connection
