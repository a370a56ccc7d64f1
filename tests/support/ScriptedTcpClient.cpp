#include "support/ScriptedTcpClient.h"

#include <QRegularExpression>

#include <algorithm>

struct ScriptedTcpClient::Connection
{
    int replies = 0;
    std::map<QByteArray, int> steps; // commands seen per step
    std::set<int> marked;            // positions in m_remaining
    bool loggedIn = false;
    bool over = false; // QUIT answered or dropped
};

ScriptedTcpClient::ScriptedTcpClient(platform::EventLoop& loop) : m_loop(loop) {}
ScriptedTcpClient::~ScriptedTcpClient() = default;

static QString pinText(const QByteArray& pin)
{
    return pin.isEmpty() ? u"-"_qs : QString::fromLatin1(pin.toHex());
}

bool ScriptedTcpClient::openConnection(const QString& entry, const QString& host)
{
    m_transcript << entry;
    m_open = true;
    ++m_connections;
    m_clientBuffer.clear();
    m_connection = std::make_unique<Connection>();
    const auto failing = m_failingHosts.find(host);
    if (failing != m_failingHosts.end())
        deliverLater({}, failing->second);
    return failing == m_failingHosts.end();
}

void ScriptedTcpClient::connectToHost(const QString& host, quint16 port)
{
    if (openConnection(u"connect %1:%2"_qs.arg(host).arg(port), host) && m_mailbox)
        respond("greeting", {});
}

void ScriptedTcpClient::connectEncrypted(const QString& host, quint16 port,
                                         const QByteArray& pinSha256)
{
    if (openConnection(u"connect-tls %1:%2 %3"_qs.arg(host).arg(port).arg(pinText(pinSha256)),
                       host))
        handshakeLater(true);
}

void ScriptedTcpClient::startTls(const QByteArray& pinSha256)
{
    m_transcript << u"starttls "_qs + pinText(pinSha256);
    handshakeLater(false);
}

void ScriptedTcpClient::handshakeLater(bool thenGreet)
{
    m_loop.defer(
        [this, guard = std::weak_ptr<bool>(m_alive), generation = m_connections, thenGreet] {
            if (guard.expired() || !m_open || generation != m_connections)
                return;
            if (m_mailbox && m_mailbox->tlsRefusal) {
                m_open = false;
                m_transcript << QStringLiteral("close");
                deliverTlsFailure(*m_mailbox->tlsRefusal);
                return;
            }
            deliverEncrypted();
            if (thenGreet && m_mailbox)
                respond("greeting", {});
        });
}

void ScriptedTcpClient::send(const QByteArray& bytes)
{
    m_clientBuffer += bytes;
    qsizetype end = 0;
    int lines = 0;
    while ((end = m_clientBuffer.indexOf("\r\n")) >= 0) {
        ++lines;
        const QByteArray line = m_clientBuffer.left(end);
        m_clientBuffer.remove(0, end + 2);
        m_transcript << QStringLiteral("C: ") + QString::fromUtf8(line);
        if (m_mailbox && m_connection && !m_connection->over)
            respond(line.split(' ').constFirst().toUpper(), line);
    }
    if (lines > 0)
        m_linesPerWrite.push_back(lines);
    m_maxInFlight = std::max(m_maxInFlight, m_produced - m_delivered);
}

void ScriptedTcpClient::close()
{
    if (m_open)
        m_transcript << QStringLiteral("close");
    m_open = false;
}

void ScriptedTcpClient::serverSends(const QByteArray& bytes)
{
    if (m_open)
        deliverData(bytes);
}

void ScriptedTcpClient::socketError(int number)
{
    if (m_open)
        deliverError(number);
}

void ScriptedTcpClient::failHost(const QString& host, int errorNumber)
{
    m_failingHosts[host] = errorNumber;
}

void ScriptedTcpClient::setMailbox(ScriptedMailbox mailbox)
{
    m_remaining.clear();
    for (int number = 1; number <= static_cast<int>(mailbox.headers.size()); ++number)
        m_remaining.push_back(number);
    m_mailbox = std::move(mailbox);
}

std::vector<int> ScriptedTcpClient::deleted() const
{
    std::vector<int> sorted = m_deleted;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QStringList ScriptedTcpClient::clientLines() const
{
    QStringList lines;
    for (const QString& entry : m_transcript)
        if (entry.startsWith(QStringLiteral("C: ")))
            lines << entry.mid(3);
    return lines;
}

// The reply of a well-behaved server, with the command's effect on the maildrop.
QByteArray ScriptedTcpClient::replyTo(const QByteArray& keyword, const QByteArray& line)
{
    Connection& c = *m_connection;
    const auto body = [this](int position) {
        const std::size_t index = m_remaining.at(position) - 1;
        return index < m_mailbox->bodies.size() ? m_mailbox->bodies[index] : QByteArray();
    };
    const auto size = [&](int position) {
        return m_mailbox->headers.at(m_remaining.at(position) - 1).size() + 100 +
               body(position).size();
    };
    const auto messageNumber = [&](const char* pattern) {
        const QRegularExpressionMatch match =
            QRegularExpression(QString::fromLatin1(pattern)).match(QString::fromLatin1(line));
        const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
        const bool valid = number >= 1 && number <= static_cast<int>(m_remaining.size()) &&
                           !c.marked.contains(number - 1);
        return valid ? number : 0;
    };
    if (keyword == "CAPA")
        return m_mailbox->capabilities ? "+OK\r\n" + *m_mailbox->capabilities + ".\r\n"
                                       : QByteArray("-ERR unknown command\r\n");
    if (keyword == "STLS")
        return m_mailbox->capabilities && m_mailbox->capabilities->contains("STLS")
                   ? QByteArray("+OK begin TLS\r\n")
                   : QByteArray("-ERR unknown command\r\n");
    if (keyword == "USER")
        return "+OK\r\n";
    if (keyword == "PASS") {
        c.loggedIn = line.mid(5) == m_mailbox->password;
        return c.loggedIn ? "+OK logged in\r\n" : "-ERR [AUTH] Authentication failed.\r\n";
    }
    if (keyword == "AUTH") {
        const QList<QByteArray> parts = QByteArray::fromBase64(line.mid(11)).split('\0');
        c.loggedIn =
            line.startsWith("AUTH PLAIN ") && parts.size() == 3 && parts[2] == m_mailbox->password;
        return c.loggedIn ? "+OK logged in\r\n" : "-ERR [AUTH] Authentication failed.\r\n";
    }
    if (keyword == "QUIT") {
        // The UPDATE state: marked messages go now, and only now.
        std::vector<int> kept;
        for (int position = 0; position < static_cast<int>(m_remaining.size()); ++position)
            (c.marked.contains(position) ? m_deleted : kept).push_back(m_remaining[position]);
        m_remaining = kept;
        return "+OK bye\r\n";
    }
    if (!c.loggedIn)
        return "-ERR not logged in\r\n";
    if (keyword == "STAT" || keyword == "LIST") {
        qsizetype total = 0;
        QByteArray list;
        for (int position = 0; position < int(m_remaining.size()); ++position) {
            total += size(position);
            list += QByteArray::number(position + 1) + ' ' + QByteArray::number(size(position)) +
                    "\r\n";
        }
        const QByteArray count = QByteArray::number(qsizetype(m_remaining.size()));
        return keyword == "STAT" ? "+OK " + count + ' ' + QByteArray::number(total) + "\r\n"
                                 : "+OK " + count + " messages:\r\n" + list + ".\r\n";
    }
    if (keyword == "TOP" || keyword == "RETR") {
        const int number = messageNumber(keyword == "TOP" ? "^TOP ([0-9]+) 0$" : "^RETR ([0-9]+)$");
        if (number == 0)
            return "-ERR no such message\r\n";
        QByteArray message = m_mailbox->headers.at(m_remaining.at(number - 1) - 1);
        message += "\r\n" + (keyword == "RETR" ? body(number - 1) : QByteArray());
        message.replace("\r\n.", "\r\n.."); // dot-stuffing
        if (message.startsWith('.'))
            message.prepend('.');
        return "+OK\r\n" + message + ".\r\n";
    }
    if (keyword == "DELE") {
        const int number = messageNumber("^DELE ([0-9]+)$");
        if (number == 0)
            return "-ERR no such message\r\n";
        c.marked.insert(number - 1);
        return "+OK marked\r\n";
    }
    return "-ERR unknown command\r\n";
}

// Answers one step: the scripted fault, or the reply with its effect on the maildrop.
void ScriptedTcpClient::respond(const QByteArray& step, const QByteArray& line)
{
    Connection& c = *m_connection;
    const int occurrence = ++c.steps[step];
    const auto fault = std::find_if(
        m_mailbox->faults.begin(), m_mailbox->faults.end(),
        [&](const ScriptedFault& f) { return f.step == step && f.occurrence == occurrence; });
    const std::optional<FaultKind> kind =
        fault == m_mailbox->faults.end() ? std::nullopt : std::optional(fault->kind);
    QByteArray bytes;
    switch (kind.value_or(FaultKind::Garbage)) {
    case FaultKind::Err:
        bytes = "-ERR injected failure\r\n";
        break;
    case FaultKind::Drop:
        c.over = true;
        deliverLater({}, ConnectionReset);
        return;
    case FaultKind::Silence:
        return;
    case FaultKind::Replace:
        bytes = fault->bytes;
        break;
    case FaultKind::Garbage:
    case FaultKind::Twice:
        bytes =
            step == "greeting" ? QByteArray("+OK scripted POP3 ready\r\n") : replyTo(step, line);
        if (kind == FaultKind::Garbage)
            bytes.prepend("* garbage from the server\r\n");
        if (kind == FaultKind::Twice)
            deliverLater(bytes);
        break;
    }
    if (step == "QUIT")
        c.over = true;
    const int number = c.replies++;
    m_replies.push_back(bytes);
    const auto dropAfter = step == "QUIT" && m_mailbox->closeAfterQuit
                               ? std::optional<int>(ConnectionReset)
                               : std::nullopt;
    const auto split = m_mailbox->splits.find(number);
    qsizetype from = 0;
    if (split != m_mailbox->splits.end()) {
        for (const qsizetype cut : split->second) {
            deliverLater(bytes.mid(from, cut - from));
            from = cut;
        }
    }
    deliverLater(bytes.mid(from), dropAfter);
    ++m_produced;
    m_loop.defer([this, guard = std::weak_ptr<bool>(m_alive)] {
        if (!guard.expired())
            ++m_delivered;
    });
}

void ScriptedTcpClient::deliverLater(QByteArray bytes, std::optional<int> thenError)
{
    m_loop.defer([this, guard = std::weak_ptr<bool>(m_alive), generation = m_connections,
                  bytes = std::move(bytes), thenError] {
        if (guard.expired() || !m_open || generation != m_connections)
            return;
        if (!bytes.isEmpty())
            deliverData(bytes);
        if (thenError && m_open) {
            m_open = false;
            deliverError(*thenError);
        }
    });
}
