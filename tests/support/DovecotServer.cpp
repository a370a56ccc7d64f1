#include "support/DovecotServer.h"

#include "DovecotConfig.h"
#include "support/Files.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <ctime>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace testsupport {
namespace {

constexpr int kGreetingTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
constexpr int kStartAttempts = 3;

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

DovecotServer::DovecotServer()
{
    const dovecot::MailOwner owner = dovecot::mailOwner();
    m_mailUid = owner.uid;
    m_mailGid = owner.gid;
    m_mailUser = owner.user;
    m_mailGroup = owner.group;
}

DovecotServer::~DovecotServer()
{
    stop();
}

QString DovecotServer::executable()
{
    QString path = QStandardPaths::findExecutable(QStringLiteral("dovecot"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            QStringLiteral("dovecot"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return path;
}

bool DovecotServer::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool DovecotServer::prepareDirectory()
{
    if (m_dir)
        return true;
    if (m_mailUser.isEmpty() || m_mailGroup.isEmpty())
        return fail(QStringLiteral("no user and group to own the maildirs"));
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/postsweep-dovecot-XXXXXX"));
    if (!m_dir->isValid())
        return fail(QStringLiteral("cannot create a temporary directory under /tmp"));
    // The mail processes run as the mail user and must be able to traverse it.
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
    return makeMailDirectory(m_dir->filePath(QStringLiteral("mail")));
}

bool DovecotServer::makeMailDirectory(const QString& path)
{
    if (!QDir().mkpath(path))
        return fail(QStringLiteral("cannot create ") + path);
    if (::chown(QFile::encodeName(path).constData(), m_mailUid, m_mailGid) != 0)
        return fail(QStringLiteral("cannot hand ") + path + QStringLiteral(" to ") + m_mailUser);
    return true;
}

bool DovecotServer::writeConfiguration()
{
    const dovecot::MailOwner owner{m_mailUid, m_mailGid, m_mailUser, m_mailGroup};
    std::optional<dovecot::Tls> tls;
    if (!m_certificateFile.isEmpty())
        tls = dovecot::Tls{m_certificateFile, m_keyFile, m_tlsPort};
    if (!writeFile(m_dir->filePath(QStringLiteral("dovecot.conf")),
                   dovecot::configuration(m_dir->path(), m_port, owner, tls)))
        return fail(QStringLiteral("cannot write the configuration"));
    return true;
}

bool DovecotServer::writePassword(const QString& name, const QString& password)
{
    // One file per account: a new account is read fresh at its first login.
    const QString path = m_dir->filePath(QStringLiteral("passwd.d/") + name);
    if (!QDir().mkpath(m_dir->filePath(QStringLiteral("passwd.d"))) ||
        !writeFile(path, dovecot::passwordLine(name, password)))
        return fail(QStringLiteral("cannot write the password file of ") + name);
    return true;
}

bool DovecotServer::launch()
{
    // A stale socket from an earlier start stalls the first login for seconds.
    QDir run(m_dir->filePath(QStringLiteral("run")));
    run.removeRecursively();
    QDir().mkpath(run.path());
    QDir().mkpath(m_dir->filePath(QStringLiteral("state")));

    m_process.setProgram(executable());
    m_process.setArguments({QStringLiteral("-F"), QStringLiteral("-c"),
                            m_dir->filePath(QStringLiteral("dovecot.conf"))});
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir->filePath(QStringLiteral("dovecot.out")),
                                    QIODevice::Append);
    // A test program that dies must not leave a server behind.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start();
    if (!m_process.waitForStarted(kStopTimeoutMs))
        return fail(QStringLiteral("dovecot did not start: ") + m_process.errorString());
    return true;
}

bool DovecotServer::waitForGreeting()
{
    const QDeadlineTimer deadline(kGreetingTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            return fail(
                QStringLiteral("dovecot exited: ") +
                QString::fromUtf8(readFile(m_dir->filePath(QStringLiteral("dovecot.out")))) +
                logText());
        QTcpSocket socket;
        socket.connectToHost(host(), m_port);
        if (socket.waitForConnected(std::min<qint64>(500, deadline.remainingTime()))) {
            while (!socket.canReadLine() && socket.waitForReadyRead(deadline.remainingTime())) {
            }
            if (socket.readLine().startsWith("+OK"))
                return true;
        }
        socket.abort();
        QThread::msleep(50);
    }
    return fail(QStringLiteral("no POP3 greeting within 10 s on port %1: ").arg(m_port) +
                logText());
}

void DovecotServer::useTls(const QString& certificateFile, const QString& keyFile)
{
    m_certificateFile = certificateFile;
    m_keyFile = keyFile;
}

bool DovecotServer::start()
{
    if (executable().isEmpty())
        return fail(QStringLiteral("Dovecot is not installed (Debian package dovecot-pop3d)"));
    if (!prepareDirectory())
        return false;
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        stop();
        m_port = freeLoopbackPort();
        m_tlsPort = m_certificateFile.isEmpty() ? 0 : freeLoopbackPort();
        if (m_port == 0 || (!m_certificateFile.isEmpty() && m_tlsPort == 0))
            return fail(QStringLiteral("no free port on 127.0.0.1"));
        if (!writeConfiguration())
            return false;
        // Another program may have taken the port in between: try a new one.
        if (launch() && waitForGreeting())
            return true;
    }
    stop();
    return false;
}

void DovecotServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

QString DovecotServer::logText() const
{
    return m_dir ? QString::fromUtf8(readFile(m_dir->filePath(QStringLiteral("dovecot.log"))))
                 : QString();
}

bool DovecotServer::addUser(const QString& name, const QString& password)
{
    if (!prepareDirectory() || !writePassword(name, password))
        return false;
    const QString home = m_dir->filePath(QStringLiteral("mail/") + name);
    return QDir(home).exists() || setMessages(name, {});
}

bool DovecotServer::setMessages(const QString& name, const QList<QByteArray>& messages)
{
    if (!prepareDirectory())
        return false;
    // The whole maildir goes, Dovecot's index and list of message ids with it.
    const QString home = m_dir->filePath(QStringLiteral("mail/") + name);
    QDir(home).removeRecursively();
    for (const char* sub : {"", "/cur", "/new", "/tmp"})
        if (!makeMailDirectory(home + QLatin1String(sub)))
            return false;
    for (int i = 0; i < messages.size(); ++i) {
        // The leading time stamp orders the messages; Dovecot numbers them in that order.
        const QString path =
            home + QStringLiteral("/cur/%1.M%2P1.postsweep:2,S").arg(1700000000 + i + 1).arg(i + 1);
        QByteArray text = messages.at(i);
        text.replace("\r\n", "\n");
        if (!writeFile(path, text) ||
            ::chown(QFile::encodeName(path).constData(), m_mailUid, m_mailGid) != 0)
            return fail(QStringLiteral("cannot write ") + path);
    }
    return true;
}

QStringList DovecotServer::messageIds(const QString& name) const
{
    static const QRegularExpression messageId(QStringLiteral("^Message-ID: *(\\S+)"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::MultilineOption);
    // Dovecot keeps the leading time stamp that orders the messages in every file name.
    const QDir cur(m_dir->filePath(QStringLiteral("mail/") + name + QStringLiteral("/cur")));
    QStringList ids;
    for (const QString& file : cur.entryList(QDir::Files, QDir::Name))
        ids << messageId.match(QString::fromLatin1(readFile(cur.filePath(file)))).captured(1);
    return ids;
}

} // namespace testsupport
