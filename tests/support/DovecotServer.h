#pragma once

#include "DovecotConfig.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace testsupport {

// Debian's Dovecot serving POP3 on 127.0.0.1 for tests, from a fresh temporary
// directory that holds its configuration, sockets, state, log, accounts and maildirs.
// Plain-text logins, no delay after a failed login; TLS once given a certificate.
class DovecotServer
{
public:
    DovecotServer() = default;
    ~DovecotServer(); // stops the server and removes its directory

    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // The dovecot program, or empty text when it is not installed.
    static QString executable();
    // Serves STLS on port() and implicit TLS on tlsPort() with these PEM files; before start().
    void useTls(const QString& certificateFile, const QString& keyFile)
    {
        m_tls = dovecot::Tls{certificateFile, keyFile};
    }

    // Starts the server and waits (at most 10 s) until it greets a client with "+OK".
    [[nodiscard]] bool start();
    // Terminates the server and waits for it (bounded). Harmless when not running.
    void stop();
    QString errorString() const { return m_error; }

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tls ? m_tls->port : 0; }
    QString directory() const { return m_dir ? m_dir->path() : QString(); }
    // What the server wrote to its log so far.
    QString logText() const;

    // Adds an account with an empty mailbox.
    [[nodiscard]] bool addUser(const QString& name, const QString& password);
    // Replaces the account's mailbox with these messages, numbered 1..n in this order.
    // Messages are written as they would be on disk (LF line ends; CR LF is turned into LF).
    [[nodiscard]] bool setMessages(const QString& name, const QList<QByteArray>& messages);
    // The Message-ID of every message the account's maildir still holds, in message order.
    QStringList messageIds(const QString& name) const;

private:
    bool prepareDirectory();
    bool launch(); // writes the configuration for m_port and starts the process
    bool waitForGreeting();
    bool makeMailDirectory(const QString& path);
    bool fail(const QString& message);

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    std::optional<dovecot::Tls> m_tls;
    dovecot::MailOwner m_owner = dovecot::mailOwner(); // of the maildirs
    QString m_error;
};

} // namespace testsupport
