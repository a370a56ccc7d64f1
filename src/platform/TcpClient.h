#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace platform {

// Why a TLS connection was refused: a Japanese reason for the log and the dialogs,
// and the SHA-256 fingerprint of the certificate the server showed (empty when it
// showed none).
struct TlsFailure
{
    QString reason;
    QByteArray sha256;
};

// A TCP client as the POP3 engine sees it. Errors carry Winsock-style numbers:
// 11001 host not found, 10060 connection timed out, 10061 refused, 10054 reset
// or closed by the server, others a number of their own.
//
// TLS: connectEncrypted() does the handshake at once (implicit TLS), startTls()
// on the connection already open (STLS). Either ends in the encrypted handler,
// after which data is decrypted bytes only, or in the TLS failure handler, after
// which the connection is closed. The certificate is checked against the system's
// trusted certificates and the host name; with a pin (its SHA-256), against the
// pin alone and exactly.
class TcpClient
{
public:
    enum ErrorNumber : int {
        ConnectionReset = 10054,
        ConnectionTimedOut = 10060,
        ConnectionRefused = 10061,
        HostNotFound = 11001,
    };

    virtual ~TcpClient() = default;

    virtual void connectToHost(const QString& host, quint16 port) = 0;
    virtual void send(const QByteArray& bytes) = 0;
    // Harmless when already closed; no notification follows a close.
    virtual void close() = 0;

    // A client without TLS refuses both, through the TLS failure handler.
    virtual void connectEncrypted(const QString& host, quint16 port, const QByteArray& pinSha256)
    {
        connectToHost(host, port);
        startTls(pinSha256);
    }
    virtual void startTls(const QByteArray& pinSha256)
    {
        Q_UNUSED(pinSha256);
        close();
        deliverTlsFailure({QStringLiteral("この環境では TLS を使えません"), {}});
    }

    void setDataHandler(std::function<void(const QByteArray&)> handler)
    {
        m_data = std::move(handler);
    }
    void setErrorHandler(std::function<void(int)> handler) { m_error = std::move(handler); }
    void setEncryptedHandler(std::function<void()> handler) { m_encrypted = std::move(handler); }
    void setTlsFailureHandler(std::function<void(const TlsFailure&)> handler)
    {
        m_tlsFailure = std::move(handler);
    }
    // The last refusal since forgetTlsFailure(), for a check that offers to pin its
    // certificate; the handler above is the engine's alone.
    const std::optional<TlsFailure>& lastTlsFailure() const { return m_lastTlsFailure; }
    void forgetTlsFailure() { m_lastTlsFailure.reset(); }

protected:
    void deliverData(const QByteArray& bytes)
    {
        if (m_data)
            m_data(bytes);
    }
    void deliverError(int number)
    {
        if (m_error)
            m_error(number);
    }
    void deliverEncrypted()
    {
        if (m_encrypted)
            m_encrypted();
    }
    void deliverTlsFailure(const TlsFailure& failure)
    {
        m_lastTlsFailure = failure;
        if (m_tlsFailure)
            m_tlsFailure(failure);
    }

private:
    std::function<void(const QByteArray&)> m_data;
    std::function<void(int)> m_error;
    std::function<void()> m_encrypted;
    std::function<void(const TlsFailure&)> m_tlsFailure;
    std::optional<TlsFailure> m_lastTlsFailure;
};

} // namespace platform
