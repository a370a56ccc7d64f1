#include "DovecotConfig.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace dovecot {

MailOwner mailOwner()
{
    const bool root = ::geteuid() == 0;
    const passwd* user = root ? ::getpwnam("nobody") : ::getpwuid(::geteuid());
    const group* nogroup = root ? ::getgrnam("nogroup") : nullptr;
    MailOwner owner;
    if (!user)
        return owner;
    owner.uid = user->pw_uid;
    owner.gid = nogroup ? nogroup->gr_gid : user->pw_gid;
    if (const group* g = ::getgrgid(owner.gid)) {
        owner.user = QString::fromLocal8Bit(user->pw_name);
        owner.group = QString::fromLocal8Bit(g->gr_name);
    }
    return owner;
}

QByteArray configuration(const QString& directory, quint16 port, const MailOwner& owner,
                         const std::optional<Tls>& tls)
{
    QString text = QStringLiteral("base_dir = %1/run\n"
                                  "state_dir = %1/state\n"
                                  "log_path = %1/dovecot.log\n"
                                  "protocols = pop3\n"
                                  "listen = 127.0.0.1\n"
                                  "disable_plaintext_auth = no\n"
                                  "auth_mechanisms = plain\n"
                                  "auth_failure_delay = 0\n"
                                  "mail_location = maildir:~\n"
                                  "passdb {\n"
                                  "  driver = passwd-file\n"
                                  "  args = scheme=PLAIN %1/passwd.d/%u\n"
                                  "}\n"
                                  "userdb {\n"
                                  "  driver = static\n"
                                  "  args = uid=%2 gid=%3 home=%1/mail/%u\n"
                                  "}\n"
                                  // Repeated failed logins must not slow later ones.
                                  "service anvil {\n"
                                  "  unix_listener anvil-auth-penalty {\n"
                                  "    mode = 0\n"
                                  "  }\n"
                                  "}\n"
                                  "service pop3-login {\n"
                                  "  inet_listener pop3 {\n"
                                  "    address = 127.0.0.1\n"
                                  "    port = %4\n"
                                  "  }\n"
                                  "  inet_listener pop3s {\n"
                                  "%5"
                                  "  }\n"
                                  "}\n")
                       .arg(directory, owner.user, owner.group)
                       .arg(port)
                       .arg(tls ? QStringLiteral("    address = 127.0.0.1\n"
                                                 "    port = %1\n"
                                                 "    ssl = yes\n")
                                      .arg(tls->port)
                                : QStringLiteral("    port = 0\n"));
    if (tls)
        text += QStringLiteral("ssl = yes\n"
                               "ssl_cert = <%1\n"
                               "ssl_key = <%2\n")
                    .arg(tls->certificateFile, tls->keyFile);
    else
        text += QStringLiteral("ssl = no\n");
    if (::geteuid() != 0) {
        // Without root every service runs as the current user, outside any chroot.
        text += QStringLiteral("default_internal_user = %1\n"
                               "default_internal_group = %2\n"
                               "default_login_user = %1\n"
                               "service pop3-login {\n  chroot =\n}\n"
                               "service anvil {\n  chroot =\n}\n"
                               "service auth-worker {\n  user = %1\n}\n")
                    .arg(owner.user, owner.group);
    }
    return text.toUtf8();
}

QByteArray passwordLine(const QString& account, const QString& password)
{
    return account.toUtf8() + ":{PLAIN}" + password.toUtf8() + '\n';
}

} // namespace dovecot
