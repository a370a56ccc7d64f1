#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// The one Dovecot configuration that the tests and the first-run demo serve POP3 with:
// plain-text logins on 127.0.0.1 only, no delay after a failed login, TLS only when
// given a certificate (then STLS on the plain port and implicit TLS on a second). Its
// directory holds run/, state/, dovecot.log, passwd.d/ACCOUNT (one file per account,
// "ACCOUNT:{PLAIN}PASSWORD") and the maildirs mail/ACCOUNT.
namespace dovecot {

// Who owns the maildirs: nobody:nogroup under root (Dovecot refuses root as a mail
// user), else the current user.
struct MailOwner
{
    uid_t uid = 0;
    gid_t gid = 0;
    QString user; // empty when the user or group could not be found
    QString group;
};
MailOwner mailOwner();

// The server's certificate and key (PEM files) and the port of its implicit-TLS listener.
struct Tls
{
    QString certificateFile;
    QString keyFile;
    quint16 port = 0;
};

QByteArray configuration(const QString& directory, quint16 port, const MailOwner& owner,
                         const std::optional<Tls>& tls = std::nullopt);

// The password file's one line for an account.
QByteArray passwordLine(const QString& account, const QString& password);

} // namespace dovecot
