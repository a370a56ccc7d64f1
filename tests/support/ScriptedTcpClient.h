#pragma once

#include "platform/EventLoop.h"
#include "platform/TcpClient.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

// Instead of the reply: "-ERR" (no effect), a drop (10054), nothing, a stray line and then
// the reply, the reply twice, or the fault's bytes.
enum class FaultKind { Err, Drop, Silence, Garbage, Twice, Replace };

// At the occurrence-th "greeting" or command of that keyword within one connection.
struct ScriptedFault
{
    QByteArray step;
    int occurrence = 1;
    FaultKind kind = FaultKind::Err;
    QByteArray bytes; // for Replace
};

// A POP3 maildrop that answers by itself (any user name, password "secret"); headers end in
// CR LF. Marked messages go only when QUIT is acknowledged.
struct ScriptedMailbox
{
    std::vector<QByteArray> headers;
    std::vector<QByteArray> bodies; // for RETR, after the header and an empty line
    std::vector<ScriptedFault> faults;
    // Reply r of a connection (0: the greeting) arrives in pieces cut at these offsets.
    std::map<int, std::vector<qsizetype>> splits;
    bool closeAfterQuit = false;                    // dropped right after "+OK" to QUIT
    std::optional<QByteArray> capabilities;         // CAPA's lines; none: "-ERR" to CAPA
    std::optional<platform::TlsFailure> tlsRefusal; // every handshake fails with this
};

// Records every line written and delivers what the test or the mailbox says, each delivery
// one arrival from a deferred call. The transcript reads "connect host:port" (or
// "connect-tls host:port pin", pin in hex or "-"), "C: USER alice", "starttls pin", "close".
class ScriptedTcpClient final : public platform::TcpClient
{
public:
    explicit ScriptedTcpClient(platform::EventLoop& loop) : m_loop(loop) {}
    void connectToHost(const QString& host, quint16 port) override;
    void connectEncrypted(const QString& host, quint16 port, const QByteArray& pinSha256) override;
    void startTls(const QByteArray& pinSha256) override;
    void send(const QByteArray& bytes) override;
    void close() override
    {
        if (m_open)
            m_transcript << u"close"_qs;
        m_open = false;
    }

    // The test speaks for the server, at once: one arrival each.
    void serverSends(const QByteArray& bytes)
    {
        if (m_open)
            deliverData(bytes);
    }
    void socketError(int number)
    {
        if (m_open)
            deliverError(number);
    }
    void failHost(const QString& host, int errorNumber) { m_failingHosts[host] = errorNumber; }
    void setMailbox(ScriptedMailbox mailbox);

    const QStringList& transcript() const { return m_transcript; }
    const QStringList& clientLines() const { return m_lines; }
    const std::vector<int>& deleted() const { return m_deleted; } // numbered as given, sorted
    const std::vector<QByteArray>& replies() const { return m_replies; }
    const std::vector<int>& linesPerWrite() const { return m_linesPerWrite; }
    int maxInFlight() const { return m_maxInFlight; } // commands not yet answered in full
    int connections() const { return m_connections; }
    bool isOpen() const { return m_open; }

private:
    struct Connection
    {
        int replies = 0, delivered = 0;
        std::map<QByteArray, int> steps; // commands seen per step
        std::set<int> marked;            // positions in m_remaining
        bool loggedIn = false, over = false;
    };
    bool openConnection(const QString& entry, const QString& host); // false: set to fail
    QByteArray replyTo(const QByteArray& keyword, const QByteArray& line);
    void respond(const QByteArray& step, const QByteArray& line);
    void later(std::function<void()> call); // deferred, and only while this connection is open
    void deliverLater(QByteArray bytes, std::optional<int> thenError = std::nullopt);
    void handshakeLater(bool thenGreet); // encrypted, or refused and closed

    platform::EventLoop& m_loop;
    QStringList m_transcript, m_lines;
    std::vector<QByteArray> m_replies;
    std::map<QString, int> m_failingHosts;
    bool m_open = false;
    int m_connections = 0, m_maxInFlight = 0;
    std::vector<int> m_linesPerWrite, m_remaining, m_deleted; // message numbers left, deleted
    std::optional<ScriptedMailbox> m_mailbox;
    Connection m_connection;
};
