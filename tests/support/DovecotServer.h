#pragma once

#include "DovecotConfig.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// Debian's Dovecot serving POP3 on 127.0.0.1 for tests, from a fresh temporary directory
// (configuration, sockets, log, accounts, maildirs); TLS once given a certificate.
class DovecotServer
{
public:
    ~DovecotServer() { stop(); }
    static QString executable(); // empty when Dovecot is not installed
    // STLS on port() and implicit TLS on tlsPort() with these PEM files; before start().
    void useTls(const QString& certificate, const QString& key)
    {
        m_tls = dovecot::Tls{certificate, key};
    }
    // Starts the server and waits (at most 10 s) until it greets a client with "+OK".
    [[nodiscard]] bool start();
    void stop(); // bounded; harmless when not running
    QString errorString() const { return m_error; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tls ? m_tls->port : 0; }
    QString logText() const;

    // An account with an empty mailbox.
    [[nodiscard]] bool addUser(const QString& name, const QString& password);
    // Replaces the account's mailbox with these messages, numbered 1..n in this order and
    // stored as on disk (CR LF turned into LF).
    [[nodiscard]] bool setMessages(const QString& name, const QList<QByteArray>& messages);
    // The Message-ID of every message the account's maildir still holds, in message order.
    QStringList messageIds(const QString& name) const;

private:
    bool launch(); // with the configuration for m_port; true once the server greets
    // Makes a directory, or a file of these bytes, that the mail processes' user owns.
    bool make(const QString& path, const std::optional<QByteArray>& bytes = {});
    bool fail(const QString& message);

    QTemporaryDir m_dir{QStringLiteral("/tmp/postsweep-dovecot-XXXXXX")};
    QProcess m_process;
    quint16 m_port = 0;
    std::optional<dovecot::Tls> m_tls;
    const dovecot::MailOwner m_owner = dovecot::mailOwner();
    QString m_error;
};

} // namespace testsupport
