#pragma once

#include "platform/TcpClient.h"

#include <QList>
#include <QObject>
#include <QSslError>
#include <QSslSocket>

#include <optional>

namespace platform {

// The program's TCP client on QSslSocket (plain until TLS is asked for), with
// Qt's errors mapped onto the Winsock-style numbers the engine logs. There is no
// way to accept a certificate that fails its check other than an exact pin.
class QtTcpClient final : public QObject, public TcpClient
{
    Q_OBJECT
public:
    explicit QtTcpClient(QObject* parent = nullptr);

    void connectToHost(const QString& host, quint16 port) override;
    void connectEncrypted(const QString& host, quint16 port, const QByteArray& pinSha256) override;
    void startTls(const QByteArray& pinSha256) override;
    void send(const QByteArray& bytes) override;
    void close() override;

    static int errorNumber(QAbstractSocket::SocketError error);
    // The Japanese reason for the first of these certificate errors.
    static QString certificateReason(const QList<QSslError>& errors);

private:
    void prepareTls(const QByteArray& pinSha256);
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError>& errors);
    void onEncrypted();
    QByteArray peerFingerprint() const;

    QSslSocket m_socket;
    QByteArray m_pin;
    bool m_tlsStarted = false;
    bool m_encrypted = false;
    std::optional<TlsFailure> m_refusal; // a certificate refused, reported with the handshake's end
};

} // namespace platform
