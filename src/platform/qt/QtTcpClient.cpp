#include "platform/qt/QtTcpClient.h"

#include <QCryptographicHash>
#include <QSslConfiguration>

namespace platform {

QtTcpClient::QtTcpClient(QObject* parent) : QObject(parent)
{
    connect(&m_socket, &QSslSocket::readyRead, this, &QtTcpClient::onReadyRead);
    connect(&m_socket, &QSslSocket::errorOccurred, this, &QtTcpClient::onError);
    connect(&m_socket, &QSslSocket::sslErrors, this, &QtTcpClient::onSslErrors);
    connect(&m_socket, &QSslSocket::encrypted, this, &QtTcpClient::onEncrypted);
    // Pipelined commands go out in one write each; Nagle would hold the next window
    // back until the last segment was acknowledged.
    connect(&m_socket, &QSslSocket::connected, this,
            [this] { m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
}

void QtTcpClient::connectToHost(const QString& host, quint16 port)
{
    m_socket.abort();
    m_tlsStarted = m_encrypted = false;
    m_refusal.reset();
    m_socket.setSslConfiguration(QSslConfiguration::defaultConfiguration());
    m_socket.connectToHost(host, port);
}

void QtTcpClient::connectEncrypted(const QString& host, quint16 port, const QByteArray& pinSha256)
{
    m_socket.abort();
    m_encrypted = false;
    m_refusal.reset();
    if (!QSslSocket::supportsSsl()) {
        deliverTlsFailure({QStringLiteral("この環境では TLS を使えません"), {}});
        return;
    }
    prepareTls(pinSha256);
    m_socket.connectToHostEncrypted(host, port);
}

void QtTcpClient::startTls(const QByteArray& pinSha256)
{
    if (!QSslSocket::supportsSsl()) {
        m_socket.abort();
        deliverTlsFailure({QStringLiteral("この環境では TLS を使えません"), {}});
        return;
    }
    // Whatever came in clear and is still unread belongs to no one.
    m_socket.readAll();
    prepareTls(pinSha256);
    m_socket.startClientEncryption();
}

void QtTcpClient::prepareTls(const QByteArray& pinSha256)
{
    m_pin = pinSha256;
    m_tlsStarted = true;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // A pinned profile trusts its pin and nothing else: with no authority to
    // consult, every handshake comes to onSslErrors, which compares the pin.
    if (!m_pin.isEmpty())
        config.setCaCertificates({});
    m_socket.setSslConfiguration(config);
}

void QtTcpClient::send(const QByteArray& bytes)
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    if (m_tlsStarted && !m_encrypted)
        return; // nothing leaves in clear once TLS was asked for
    m_socket.write(bytes);
}

void QtTcpClient::close()
{
    // abort() drops pending output and emits no error, so nothing reaches the engine afterwards.
    m_socket.abort();
}

void QtTcpClient::onReadyRead()
{
    const QByteArray bytes = m_socket.readAll();
    if (m_tlsStarted && !m_encrypted)
        return;
    if (!bytes.isEmpty())
        deliverData(bytes);
}

void QtTcpClient::onError(QAbstractSocket::SocketError error)
{
    if (m_refusal) {
        const TlsFailure failure = *m_refusal;
        m_refusal.reset();
        m_socket.abort();
        deliverTlsFailure(failure);
        return;
    }
    if (error == QAbstractSocket::SslHandshakeFailedError) {
        const TlsFailure failure{
            QStringLiteral("TLS の接続を確立できませんでした（%1）").arg(m_socket.errorString()),
            peerFingerprint()};
        m_socket.abort();
        deliverTlsFailure(failure);
        return;
    }
    deliverError(errorNumber(error));
}

void QtTcpClient::onSslErrors(const QList<QSslError>& errors)
{
    const QByteArray fingerprint = peerFingerprint();
    if (!m_pin.isEmpty()) {
        if (!fingerprint.isEmpty() && fingerprint == m_pin) {
            m_socket.ignoreSslErrors(errors); // this certificate and no other
            return;
        }
        m_refusal = TlsFailure{QStringLiteral("証明書が登録された指紋と一致しません"), fingerprint};
        return;
    }
    m_refusal = TlsFailure{certificateReason(errors), fingerprint};
}

void QtTcpClient::onEncrypted()
{
    if (!m_pin.isEmpty() && peerFingerprint() != m_pin) {
        // Cannot happen with no authority trusted; kept as the last word on a pin.
        m_socket.abort();
        deliverTlsFailure(
            {QStringLiteral("証明書が登録された指紋と一致しません"), peerFingerprint()});
        return;
    }
    m_encrypted = true;
    deliverEncrypted();
}

QByteArray QtTcpClient::peerFingerprint() const
{
    const QSslCertificate certificate = m_socket.peerCertificate();
    return certificate.isNull() ? QByteArray() : certificate.digest(QCryptographicHash::Sha256);
}

QString QtTcpClient::certificateReason(const QList<QSslError>& errors)
{
    for (const QSslError& error : errors) {
        switch (error.error()) {
        case QSslError::HostNameMismatch:
            return QStringLiteral("証明書のホスト名が接続先と一致しません");
        case QSslError::CertificateExpired:
            return QStringLiteral("証明書の有効期限が切れています");
        case QSslError::CertificateNotYetValid:
            return QStringLiteral("証明書の有効期間がまだ始まっていません");
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            return QStringLiteral("証明書の発行者が信頼されていません");
        case QSslError::CertificateRevoked:
            return QStringLiteral("証明書が失効しています");
        default:
            break;
        }
    }
    return errors.isEmpty() ? QStringLiteral("証明書を検証できませんでした")
                            : QStringLiteral("証明書を検証できませんでした（%1）")
                                  .arg(errors.first().errorString());
}

int QtTcpClient::errorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return ConnectionTimedOut;
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return ConnectionReset;
    case QAbstractSocket::NetworkError:
        return 10065; // host unreachable
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    default:
        return 20000 + static_cast<int>(error); // outside the Winsock range
    }
}

} // namespace platform
