#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <optional>

namespace testsupport {

// A minimal POP3 client that sends one command, waits for its whole reply and only
// then sends the next (blocking waits, each bounded). Used to check what a server
// holds after a run, and as the yardstick the engine is measured against.
class SequentialPop3Client
{
public:
    explicit SequentialPop3Client(int timeoutMilliseconds = 5000);

    // Connects and reads the greeting; true when it is "+OK".
    [[nodiscard]] bool connectToServer(const QString& host, quint16 port);
    // USER and PASS; true when both are accepted.
    [[nodiscard]] bool login(const QString& user, const QString& password);
    // Sends one line (CR LF added) and returns the reply's first line without its CR LF.
    std::optional<QByteArray> command(const QByteArray& line);
    // Sends one line and returns the whole reply as received, up to and including the
    // terminating "." line; a "-ERR" reply is returned as its single line.
    std::optional<QByteArray> multiLineCommand(const QByteArray& line);
    void disconnectFromServer();

    QString errorString() const { return m_error; }

private:
    std::optional<QByteArray> readLine();

    QTcpSocket m_socket;
    QByteArray m_buffer;
    int m_timeout;
    QString m_error;
};

// The Message-ID of every message in the account, in message-number order
// (TOP n 0 for each); nothing when the server cannot be reached or refuses.
std::optional<QStringList> listMessageIds(const QString& host, quint16 port, const QString& user,
                                          const QString& password, QString* error = nullptr);

// The session the engine runs, done strictly in sequence: USER, PASS, STAT, LIST,
// TOP n 0 for every message (at most 1000), DELE for each of deleteNumbers, QUIT.
// True when every command was accepted.
[[nodiscard]] bool runSequentialSession(const QString& host, quint16 port, const QString& user,
                                        const QString& password, const QList<int>& deleteNumbers,
                                        QString* error = nullptr);

class DovecotServer;
// The user's mailbox holds exactly texts again, with Dovecot's index already built by a
// login and STAT, so that no timed session pays for it.
[[nodiscard]] bool refillMailbox(DovecotServer& server, const QString& user,
                                 const QString& password, const QList<QByteArray>& texts);

} // namespace testsupport
