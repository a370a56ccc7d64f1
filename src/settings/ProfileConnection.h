#pragma once

#include <QByteArray>
#include <QString>

enum class ConnectionSecurity { None, StartTls, Tls };

// How one profile reaches its server.
struct ProfileConnection
{
    ConnectionSecurity security = ConnectionSecurity::None;
    QString port;         // empty: the port stored in PostSweep.ini
    QByteArray pinSha256; // 32 bytes, or empty: the system's trusted certificates decide
    bool operator==(const ProfileConnection&) const = default;
};
