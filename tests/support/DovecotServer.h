#pragma once

#include "DovecotConfig.h"
#include "support/Files.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// Debian's Dovecot serving POP3 on 127.0.0.1 for tests, from a fresh temporary directory
// (configuration, sockets, log, accounts, maildirs); TLS once given a certificate.
class DovecotServer
{
public:
    ~DovecotServer() { stop(); }
    static QString executable() // empty when Dovecot is not installed
    {
        return QStandardPaths::findExecutable(u"dovecot"_qs,
                                              {u"/usr/sbin"_qs, u"/usr/local/sbin"_qs});
    }
    // STLS on port() and implicit TLS on tlsPort() with these PEM files; before start().
    void useTls(const QString& cert, const QString& key) { m_tls = dovecot::Tls{cert, key}; }
    QString errorString() const { return m_error; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tls ? m_tls->port : 0; }
    QString logText() const
    {
        return QString::fromUtf8(readFile(m_dir.filePath(u"dovecot.log"_qs)));
    }

    // Starts the server and waits (at most 10 s) until it greets a client with "+OK".
    [[nodiscard]] bool start()
    {
        // The mail processes run as the maildirs' owner and must be able to traverse the top.
        if (!m_dir.isValid() || ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) != 0)
            return fail(u"cannot create a directory under /tmp"_qs);
        const QString configuration = m_dir.filePath(u"dovecot.conf"_qs);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_dir.filePath(u"dovecot.out"_qs), QIODevice::Append);
        // A test program that dies must not leave a server behind.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Another program may take the free port before Dovecot does: then try new ones.
        for (int attempt = 0; attempt < 3; ++attempt) {
            stop();
            QTcpServer probe, tlsProbe;
            if (!probe.listen(QHostAddress::LocalHost, 0) ||
                (m_tls && !tlsProbe.listen(QHostAddress::LocalHost, 0)))
                return fail(u"no free port on 127.0.0.1"_qs);
            m_port = probe.serverPort();
            if (m_tls)
                m_tls->port = tlsProbe.serverPort();
            probe.close();
            tlsProbe.close();
            if (!writeFile(configuration,
                           dovecot::configuration(m_dir.path(), m_port, m_owner, m_tls)))
                return fail(u"cannot write the configuration"_qs);
            // A stale socket from an earlier start stalls the first login for seconds.
            QDir(m_dir.filePath(u"run"_qs)).removeRecursively();
            for (const QString& sub : {u"run"_qs, u"state"_qs})
                QDir().mkpath(m_dir.filePath(sub));
            m_process.start(executable(), {u"-F"_qs, u"-c"_qs, configuration});
            for (const QDeadlineTimer deadline(10000);
                 !deadline.hasExpired() && m_process.state() != QProcess::NotRunning;
                 QThread::msleep(50)) {
                QTcpSocket socket;
                socket.connectToHost(host(), m_port);
                if (!socket.waitForConnected(std::min<qint64>(500, deadline.remainingTime())))
                    continue;
                while (!socket.canReadLine() && socket.waitForReadyRead(deadline.remainingTime())) {
                }
                if (socket.readLine().startsWith("+OK"))
                    return true;
            }
        }
        stop();
        return fail(u"no POP3 greeting on port %1: "_qs.arg(m_port) + m_process.errorString() +
                    QString::fromUtf8(readFile(m_dir.filePath(u"dovecot.out"_qs))) + logText());
    }
    void stop() // bounded; harmless when not running
    {
        m_process.terminate();
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // An account with an empty mailbox; one file per account, read fresh at its first login.
    [[nodiscard]] bool addUser(const QString& name, const QString& password)
    {
        return setMessages(name, {}) && QDir().mkpath(m_dir.filePath(u"passwd.d"_qs)) &&
               make(m_dir.filePath(u"passwd.d/"_qs + name), dovecot::passwordLine(name, password));
    }
    // Replaces the account's mailbox, index and all, with these messages, numbered 1..n in
    // this order (their leading time stamps) and stored as on disk (CR LF turned into LF).
    [[nodiscard]] bool setMessages(const QString& name, const QList<QByteArray>& messages)
    {
        const QString home = m_dir.filePath(u"mail/"_qs + name);
        bool made = QDir(home).removeRecursively();
        for (const char* sub : {"", "/cur", "/new", "/tmp"})
            made = made && make(home + QLatin1String(sub));
        for (int i = 0; i < messages.size() && made; ++i)
            made = make(home + u"/cur/%1.M%2P1.postsweep:2,S"_qs.arg(1700000001 + i).arg(i + 1),
                        QByteArray(messages.at(i)).replace("\r\n", "\n"));
        return made;
    }
    // The Message-ID of every message the account's maildir still holds, in message order.
    QStringList messageIds(const QString& name) const
    {
        static const QRegularExpression messageId(u"^Message-ID: *(\\S+)"_qs,
                                                  QRegularExpression::CaseInsensitiveOption |
                                                      QRegularExpression::MultilineOption);
        const QDir cur(m_dir.filePath(u"mail/"_qs + name + u"/cur"_qs));
        QStringList ids;
        for (const QString& file : cur.entryList(QDir::Files, QDir::Name))
            ids << messageId.match(QString::fromLatin1(readFile(cur.filePath(file)))).captured(1);
        return ids;
    }

private:
    // Makes a directory, or a file of these bytes, that the mail processes' user owns.
    bool make(const QString& path, const std::optional<QByteArray>& bytes = {})
    {
        if ((bytes ? writeFile(path, *bytes) : QDir().mkpath(path)) &&
            ::chown(QFile::encodeName(path).constData(), m_owner.uid, m_owner.gid) == 0)
            return true;
        return fail(u"cannot make "_qs + path + u" for the mail user "_qs + m_owner.user);
    }
    bool fail(const QString& message)
    {
        m_error = message;
        return false;
    }

    QTemporaryDir m_dir{QStringLiteral("/tmp/postsweep-dovecot-XXXXXX")};
    QProcess m_process;
    quint16 m_port = 0;
    std::optional<dovecot::Tls> m_tls;
    const dovecot::MailOwner m_owner = dovecot::mailOwner();
    QString m_error;
};

} // namespace testsupport
