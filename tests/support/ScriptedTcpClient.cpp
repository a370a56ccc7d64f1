#include "support/ScriptedTcpClient.h"

#include <algorithm>
#include <numeric>

static QString pinText(const QByteArray& pin)
{
    return pin.isEmpty() ? u"-"_qs : QString::fromLatin1(pin.toHex());
}

bool ScriptedTcpClient::openConnection(const QString& entry, const QString& host)
{
    m_transcript << entry;
    m_open = true;
    ++m_connections;
    m_connection = {};
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
    later([this, thenGreet] {
        if (m_mailbox && m_mailbox->tlsRefusal) {
            close();
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
    // The engine writes whole lines only.
    const QList<QByteArray> lines = QByteArray(bytes).replace("\r\n", "\n").chopped(1).split('\n');
    m_linesPerWrite.push_back(int(lines.size()));
    for (const QByteArray& line : lines) {
        m_lines << QString::fromUtf8(line);
        m_transcript << u"C: "_qs + m_lines.last();
        if (m_mailbox && !m_connection.over)
            respond(line.split(' ').constFirst().toUpper(), line);
    }
    m_maxInFlight = std::max(m_maxInFlight, m_connection.replies - m_connection.delivered);
}

void ScriptedTcpClient::setMailbox(ScriptedMailbox mailbox)
{
    m_remaining.resize(mailbox.headers.size());
    std::iota(m_remaining.begin(), m_remaining.end(), 1);
    m_mailbox = std::move(mailbox);
}

// The reply of a well-behaved server, with the command's effect on the maildrop.
QByteArray ScriptedTcpClient::replyTo(const QByteArray& keyword, const QByteArray& line)
{
    Connection& c = m_connection;
    const ScriptedMailbox& m = *m_mailbox;
    const int count = int(m_remaining.size());
    const auto body = [&](int position) {
        const std::size_t index = m_remaining.at(position) - 1;
        return index < m.bodies.size() ? m.bodies[index] : QByteArray();
    };
    const auto login = [&](bool ok) {
        c.loggedIn = ok;
        return QByteArray(ok ? "+OK logged in\r\n" : "-ERR [AUTH] Authentication failed.\r\n");
    };
    const int n = line.split(' ').value(1).toInt(); // the message a command names, or 0
    if (keyword == "CAPA")
        return m.capabilities ? "+OK\r\n" + *m.capabilities + ".\r\n" : "-ERR unknown\r\n";
    if (keyword == "USER" || (keyword == "STLS" && m.capabilities.value_or("").contains("STLS")))
        return "+OK\r\n";
    if (keyword == "PASS")
        return login(line.mid(5) == "secret");
    if (keyword == "AUTH") // PLAIN
        return login(QByteArray::fromBase64(line.mid(11)).split('\0').value(2) == "secret");
    if (keyword == "QUIT") {
        std::vector<int> kept; // the UPDATE state: marked messages go now, and only now
        for (int position = 0; position < count; ++position)
            (c.marked.contains(position) ? m_deleted : kept).push_back(m_remaining[position]);
        m_remaining = kept;
        std::ranges::sort(m_deleted);
        return "+OK bye\r\n";
    }
    if (!c.loggedIn)
        return "-ERR not logged in\r\n";
    if (keyword == "STAT" || keyword == "LIST") {
        qsizetype total = 0;
        QByteArray list = "+OK " + QByteArray::number(count) + " messages:\r\n";
        for (int position = 0; position < count; ++position) {
            const qsizetype size =
                m.headers.at(m_remaining[position] - 1).size() + 100 + body(position).size();
            total += size;
            list += QByteArray::number(position + 1) + ' ' + QByteArray::number(size) + "\r\n";
        }
        return keyword == "LIST"
                   ? list + ".\r\n"
                   : "+OK " + QByteArray::number(count) + ' ' + QByteArray::number(total) + "\r\n";
    }
    const bool listed = n >= 1 && n <= count && !c.marked.contains(n - 1);
    if (!listed || (keyword != "TOP" && keyword != "RETR" && keyword != "DELE"))
        return "-ERR no such message\r\n";
    if (keyword == "DELE") {
        c.marked.insert(n - 1);
        return "+OK marked\r\n";
    }
    QByteArray message = "\r\n" + m.headers.at(m_remaining[n - 1] - 1) + "\r\n" +
                         (keyword == "RETR" ? body(n - 1) : QByteArray());
    message.replace("\r\n.", "\r\n.."); // dot-stuffing
    return "+OK" + message + ".\r\n";
}

// Answers one step: the scripted fault, or the reply with its effect on the maildrop.
void ScriptedTcpClient::respond(const QByteArray& step, const QByteArray& line)
{
    Connection& c = m_connection;
    const int occurrence = ++c.steps[step];
    const auto& faults = m_mailbox->faults;
    const auto found = std::ranges::find_if(faults, [&](const ScriptedFault& f) {
        return f.step == step && f.occurrence == occurrence;
    });
    const FaultKind kind = found == faults.end() ? FaultKind::Garbage : found->kind;
    const bool clean = found == faults.end();
    if (kind == FaultKind::Silence)
        return;
    c.over = c.over || step == "QUIT" || kind == FaultKind::Drop;
    if (kind == FaultKind::Drop)
        return deliverLater({}, ConnectionReset);
    QByteArray bytes = kind == FaultKind::Err       ? QByteArray("-ERR injected failure\r\n")
                       : kind == FaultKind::Replace ? found->bytes
                       : step == "greeting"         ? QByteArray("+OK scripted POP3 ready\r\n")
                                                    : replyTo(step, line);
    if (kind == FaultKind::Garbage && !clean)
        bytes.prepend("* garbage from the server\r\n");
    if (kind == FaultKind::Twice)
        deliverLater(bytes);
    m_replies.push_back(bytes);
    qsizetype from = 0;
    for (const qsizetype cut : m_mailbox->splits[c.replies++]) {
        deliverLater(bytes.mid(from, cut - from));
        from = cut;
    }
    deliverLater(bytes.mid(from), step == "QUIT" && m_mailbox->closeAfterQuit
                                      ? std::optional<int>(ConnectionReset)
                                      : std::nullopt);
    later([this] { ++m_connection.delivered; });
}

void ScriptedTcpClient::later(std::function<void()> call)
{
    m_loop.defer([this, generation = m_connections, call = std::move(call)] {
        if (m_open && generation == m_connections)
            call();
    });
}

void ScriptedTcpClient::deliverLater(QByteArray bytes, std::optional<int> thenError)
{
    later([this, bytes = std::move(bytes), thenError] {
        if (!bytes.isEmpty())
            deliverData(bytes);
        if (thenError && m_open) {
            m_open = false;
            deliverError(*thenError);
        }
    });
}
