#include "support/SequentialPop3Client.h"

#include "support/DovecotServer.h"

#include <QDeadlineTimer>

namespace testsupport {
namespace {

constexpr int kMaxMessages = 1000;

// The Message-ID field of a TOP reply (status line, header lines, ".").
QString messageIdOf(const QByteArray& reply)
{
    for (QByteArray line : reply.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            break; // end of the header
        if (line.toLower().startsWith("message-id:"))
            return QString::fromLatin1(line.mid(11).trimmed());
    }
    return {};
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

SequentialPop3Client::SequentialPop3Client(int timeoutMilliseconds) : m_timeout(timeoutMilliseconds)
{}

bool SequentialPop3Client::connectToServer(const QString& host, quint16 port)
{
    m_buffer.clear();
    m_socket.connectToHost(host, port);
    if (!m_socket.waitForConnected(m_timeout)) {
        m_error = QStringLiteral("cannot connect: ") + m_socket.errorString();
        return false;
    }
    const auto greeting = readLine();
    return greeting && greeting->startsWith("+OK");
}

bool SequentialPop3Client::login(const QString& user, const QString& password)
{
    const auto userReply = command("USER " + user.toUtf8());
    if (!userReply || !userReply->startsWith("+OK"))
        return false;
    const auto passReply = command("PASS " + password.toUtf8());
    if (passReply && !passReply->startsWith("+OK"))
        m_error = QString::fromLatin1(*passReply);
    return passReply && passReply->startsWith("+OK");
}

std::optional<QByteArray> SequentialPop3Client::readLine()
{
    const QDeadlineTimer deadline(m_timeout);
    qsizetype end = m_buffer.indexOf("\r\n");
    while (end < 0) {
        if (!m_socket.waitForReadyRead(deadline.remainingTime()) &&
            m_socket.bytesAvailable() == 0) {
            m_error = QStringLiteral("no reply: ") + m_socket.errorString();
            return std::nullopt;
        }
        m_buffer += m_socket.readAll();
        end = m_buffer.indexOf("\r\n");
    }
    QByteArray line = m_buffer.left(end + 2);
    m_buffer.remove(0, end + 2);
    return line;
}

std::optional<QByteArray> SequentialPop3Client::command(const QByteArray& line)
{
    m_socket.write(line + "\r\n");
    auto reply = readLine();
    if (reply)
        reply->chop(2);
    return reply;
}

std::optional<QByteArray> SequentialPop3Client::multiLineCommand(const QByteArray& line)
{
    m_socket.write(line + "\r\n");
    auto status = readLine();
    if (!status || !status->startsWith("+OK"))
        return status;
    QByteArray reply = *status;
    for (;;) {
        const auto next = readLine();
        if (!next)
            return std::nullopt;
        reply += *next;
        if (*next == ".\r\n")
            return reply;
    }
}

void SequentialPop3Client::disconnectFromServer()
{
    m_socket.abort();
    m_buffer.clear();
}

std::optional<QStringList> listMessageIds(const QString& host, quint16 port, const QString& user,
                                          const QString& password, QString* error)
{
    SequentialPop3Client client;
    if (!client.connectToServer(host, port) || !client.login(user, password)) {
        setError(error, QStringLiteral("login failed: ") + client.errorString());
        return std::nullopt;
    }
    const auto stat = client.command("STAT");
    if (!stat || !stat->startsWith("+OK ")) {
        setError(error, QStringLiteral("STAT failed"));
        return std::nullopt;
    }
    const int count = stat->split(' ').value(1).toInt();
    QStringList ids;
    for (int n = 1; n <= count; ++n) {
        const auto top = client.multiLineCommand("TOP " + QByteArray::number(n) + " 0");
        if (!top || !top->startsWith("+OK")) {
            setError(error, QStringLiteral("TOP %1 failed").arg(n));
            return std::nullopt;
        }
        ids.append(messageIdOf(*top));
    }
    (void)client.command("QUIT");
    return ids;
}

bool runSequentialSession(const QString& host, quint16 port, const QString& user,
                          const QString& password, const QList<int>& deleteNumbers, QString* error)
{
    SequentialPop3Client client;
    if (!client.connectToServer(host, port) || !client.login(user, password)) {
        setError(error, QStringLiteral("login failed: ") + client.errorString());
        return false;
    }
    const auto stat = client.command("STAT ");
    if (!stat || !stat->startsWith("+OK ")) {
        setError(error, QStringLiteral("STAT failed"));
        return false;
    }
    const int count = std::min(stat->split(' ').value(1).toInt(), kMaxMessages);
    const auto list = client.multiLineCommand("LIST ");
    bool ok = list && list->startsWith("+OK");
    for (int n = 1; ok && n <= count; ++n) {
        const auto top = client.multiLineCommand("TOP " + QByteArray::number(n) + " 0");
        ok = top && top->startsWith("+OK");
    }
    const auto accepted = [&client](const QByteArray& line) {
        const auto reply = client.command(line);
        return reply && reply->startsWith("+OK");
    };
    for (const int n : deleteNumbers)
        ok = ok && accepted("DELE " + QByteArray::number(n));
    ok = ok && accepted("QUIT ");
    if (!ok)
        setError(error, QStringLiteral("the session failed: ") + client.errorString());
    return ok;
}

bool refillMailbox(DovecotServer& server, const QString& user, const QString& password,
                   const QList<QByteArray>& texts)
{
    if (!server.setMessages(user, texts))
        return false;
    SequentialPop3Client client;
    return client.connectToServer(server.host(), server.port()) && client.login(user, password) &&
           client.command("STAT").has_value() && client.command("QUIT").has_value();
}

} // namespace testsupport
