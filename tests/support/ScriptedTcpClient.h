#pragma once

#include "platform/EventLoop.h"
#include "platform/TcpClient.h"

#include <QByteArray>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// How the scripted server misbehaves at one step of the dialogue.
enum class FaultKind {
    Err,     // "-ERR" instead of the reply; the command has no effect
    Drop,    // the connection drops (error 10054) instead of the reply
    Silence, // no reply at all
    Garbage, // a line that is neither "+OK" nor "-ERR", then the real reply
    Twice,   // the real reply, then the same again (a confused proxy)
    Replace, // the fault's bytes instead of the reply
};

// A step is "greeting" or a command's keyword ("CAPA", "USER", "TOP", "RETR", "DELE", "QUIT"...);
// occurrence counts that step's commands within one connection from 1.
struct ScriptedFault
{
    QByteArray step;
    int occurrence = 1;
    FaultKind kind = FaultKind::Err;
    QByteArray bytes; // for Replace
};

// A POP3 maildrop that answers by itself. Messages are given by their header
// lines, each ended by CR LF; TOP n 0 answers with the header, an empty line and
// ".". Deletions take effect only when QUIT is acknowledged.
struct ScriptedMailbox
{
    QByteArray password = "secret"; // any user name is accepted
    std::vector<QByteArray> headers;
    // Message n's body (index n - 1), after its header and an empty line, for RETR.
    std::vector<QByteArray> bodies;
    std::vector<ScriptedFault> faults;
    // Reply number r of a connection (0 is the greeting) arrives in pieces cut at these offsets.
    std::map<int, std::vector<qsizetype>> splits;
    bool closeAfterQuit = false; // the server drops the connection right after "+OK" to QUIT
    // The CAPA reply's lines ("STLS\r\nUSER\r\n"); nothing: "-ERR" to CAPA.
    std::optional<QByteArray> capabilities;
    // A TLS handshake (implicit or after STLS) fails with this; nothing: it succeeds.
    std::optional<platform::TlsFailure> tlsRefusal;
};

// A TcpClient for transcript tests. It records every line the engine writes
// ("C: USER alice") and delivers what the test or the scripted mailbox says,
// each delivery one arrival, from a deferred call on the event loop.
class ScriptedTcpClient final : public platform::TcpClient
{
public:
    explicit ScriptedTcpClient(platform::EventLoop& loop);
    ~ScriptedTcpClient() override;

    void connectToHost(const QString& host, quint16 port) override;
    // Recorded as "connect-tls host:port pin" and "starttls pin" (pin in hex, or "-").
    void connectEncrypted(const QString& host, quint16 port, const QByteArray& pinSha256) override;
    void startTls(const QByteArray& pinSha256) override;
    void send(const QByteArray& bytes) override;
    void close() override;

    // The test speaks for the server, at once (not deferred): one arrival each.
    void serverSends(const QByteArray& bytes);
    void socketError(int number);
    // Connecting to this host fails with the error number (after a deferred call).
    void failHost(const QString& host, int errorNumber);

    void setMailbox(ScriptedMailbox mailbox);
    // Messages (numbered as first given) removed by acknowledged QUITs.
    std::vector<int> deleted() const;

    // "connect host:port", "C: line" for each line written, "close".
    const QStringList& transcript() const { return m_transcript; }
    // Only the lines written, without "C: ".
    QStringList clientLines() const;
    // Every reply the mailbox produced, in order.
    const std::vector<QByteArray>& replies() const { return m_replies; }
    bool isOpen() const { return m_open; }
    // Lines written by each send() call that wrote any, in order.
    const std::vector<int>& linesPerWrite() const { return m_linesPerWrite; }
    // The most commands ever sent and not yet answered in full.
    int maxInFlight() const { return m_maxInFlight; }
    int connections() const { return m_connections; }

private:
    struct Connection;
    // Records the entry and starts a connection; false when the host is set to fail.
    bool openConnection(const QString& entry, const QString& host);
    void handleLine(const QByteArray& line);
    QByteArray replyTo(const QByteArray& keyword, const QByteArray& line);
    void respond(const QByteArray& step, const QByteArray& line);
    // From a deferred call, if the connection is still the same: the bytes, then the
    // error that closes it, if any.
    void deliverLater(QByteArray bytes, std::optional<int> thenError = std::nullopt);
    // The handshake's end, from a deferred call: encrypted, or refused and closed.
    void handshakeLater(bool thenGreet);

    platform::EventLoop& m_loop;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QStringList m_transcript;
    QByteArray m_clientBuffer;
    std::vector<QByteArray> m_replies;
    std::map<QString, int> m_failingHosts;
    bool m_open = false;
    int m_connections = 0;
    std::vector<int> m_linesPerWrite;
    int m_produced = 0; // replies produced and delivered, the greeting included
    int m_delivered = 0;
    int m_maxInFlight = 0;

    std::optional<ScriptedMailbox> m_mailbox;
    std::vector<int> m_remaining; // message numbers still in the maildrop
    std::vector<int> m_deleted;
    std::unique_ptr<Connection> m_connection;
};
