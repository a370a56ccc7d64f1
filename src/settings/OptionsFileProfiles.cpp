// The per-profile groups of the companion file and its writing.
#include "settings/OptionsFile.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString groupName(int number)
{
    return QStringLiteral("Profile%1").arg(number);
}

std::optional<ConnectionSecurity> securityFromName(const QString& name)
{
    const QString lower = name.trimmed().toLower();
    if (lower == u"none")
        return ConnectionSecurity::None;
    if (lower == u"starttls")
        return ConnectionSecurity::StartTls;
    if (lower == u"tls")
        return ConnectionSecurity::Tls;
    return std::nullopt;
}

bool isPortText(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= 65535 && text == QString::number(port);
}

} // namespace

std::optional<QByteArray> OptionsFile::pinFromText(const QString& text)
{
    QString digits = text;
    digits.remove(u':');
    if (digits.size() != 64)
        return std::nullopt;
    for (const QChar c : std::as_const(digits))
        if (!(c >= u'0' && c <= u'9') && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
            return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}

QString OptionsFile::securityName(ConnectionSecurity security)
{
    switch (security) {
    case ConnectionSecurity::StartTls:
        return QStringLiteral("starttls");
    case ConnectionSecurity::Tls:
        return QStringLiteral("tls");
    case ConnectionSecurity::None:
        break;
    }
    return QStringLiteral("none");
}

const ProfileConnection& OptionsFile::connection(int number) const
{
    return m_connections.at(number - 1);
}

void OptionsFile::setConnection(int number, const ProfileConnection& connection)
{
    m_connections.at(number - 1) = connection;
}

bool OptionsFile::readProfiles(const QSettings& file)
{
    for (int number = 1; number <= kProfileCount; ++number) {
        const QString group = groupName(number);
        const auto text = [&](const char* key, QString& out) {
            const QVariant value = file.value(group + u'/' + QLatin1String(key));
            if (!value.isValid())
                return true;
            if (value.typeId() != QMetaType::QString)
                return false;
            out = value.toString().trimmed();
            return true;
        };
        const auto refuse = [&](const char* key) {
            m_problem =
                QStringLiteral("%1 の %2 が正しくありません").arg(group, QLatin1String(key));
            return false;
        };
        ProfileConnection& connection = m_connections.at(number - 1);
        QString security, port, pin;
        if (!text("Security", security))
            return refuse("Security");
        if (!security.isEmpty()) {
            const auto parsed = securityFromName(security);
            if (!parsed)
                return refuse("Security");
            connection.security = *parsed;
        }
        if (!text("Port", port) || (!port.isEmpty() && !isPortText(port)))
            return refuse("Port");
        connection.port = port;
        if (!text("Sha256", pin))
            return refuse("Sha256");
        if (!pin.isEmpty()) {
            const auto parsed = pinFromText(pin);
            if (!parsed)
                return refuse("Sha256");
            connection.pinSha256 = *parsed;
        }
    }
    return true;
}

void OptionsFile::writeProfiles(QSettings& file) const
{
    for (int number = 1; number <= kProfileCount; ++number) {
        const ProfileConnection& connection = m_connections.at(number - 1);
        file.beginGroup(groupName(number));
        // Only the connection's keys: the group holds the profile's other options too.
        for (const char* key : {"Security", "Port", "Sha256"})
            file.remove(QLatin1String(key));
        if (connection == ProfileConnection{}) {
            file.endGroup();
            continue;
        }
        file.setValue(QStringLiteral("Security"), securityName(connection.security));
        if (!connection.port.isEmpty())
            file.setValue(QStringLiteral("Port"), connection.port);
        if (!connection.pinSha256.isEmpty())
            file.setValue(QStringLiteral("Sha256"),
                          QString::fromLatin1(connection.pinSha256.toHex()));
        file.endGroup();
    }
}

QString OptionsFile::save() const
{
    if (!m_problem.isEmpty())
        return m_problem;
    for (const ProfileConnection& connection : m_connections)
        if ((!connection.port.isEmpty() && !isPortText(connection.port)) ||
            (!connection.pinSha256.isEmpty() && connection.pinSha256.size() != 32))
            return QStringLiteral("接続の設定が正しくありません");

    if (!editFile(m_path, [this](QSettings& file) { writeProfiles(file); }))
        return QStringLiteral("書き込めませんでした");
    return {};
}

ProfileConnection OptionsFile::storedConnection(const ServerProfile& profile)
{
    if (profile.Server.isEmpty() && profile.Id.isEmpty() && profile.PassWd.isEmpty())
        return {};
    ProfileConnection stored = profile.Connection;
    stored.port = stored.port.trimmed();
    bool ok = false;
    if (const int port = stored.port.toInt(&ok); ok && port >= 1 && port <= 65535)
        stored.port = QString::number(port); // "0995" is 995
    if (stored.port == profile.Port.trimmed())
        stored.port.clear();
    return stored;
}

QString OptionsFile::saveConnections(const QString& directory, const SettingsModel& settings)
{
    OptionsFile options = load(directory);
    bool anySet = false;
    for (int n = 1; n <= kProfileCount; ++n) {
        options.setConnection(n, storedConnection(settings.profile(n)));
        anySet = anySet || options.connection(n) != ProfileConnection{};
    }
    if (!anySet && options.problem().isEmpty() && !QFileInfo::exists(options.path()))
        return {};
    return options.save();
}
