#pragma once

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>

namespace testsupport {

// A throwaway authority made with the openssl program and a server certificate it signed
// for 127.0.0.1 and localhost, valid for two days. Nothing on the system trusts it.
class TestAuthority
{
public:
    [[nodiscard]] bool create();
    QString errorString() const { return m_error; }
    QString authorityFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("server.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("server.key")); }
    // SHA-256 of the DER certificate, as a pin holds it; the authority's is another one.
    QByteArray certificateSha256() const { return sha256Of(certificateFile()); }
    QByteArray authoritySha256() const { return sha256Of(authorityFile()); }

private:
    static QByteArray sha256Of(const QString& pemFile)
    {
        const auto certificates = QSslCertificate::fromPath(pemFile);
        return certificates.isEmpty() ? QByteArray()
                                      : certificates.first().digest(QCryptographicHash::Sha256);
    }
    QTemporaryDir m_dir;
    QString m_error;
};

// While it lives, every new TLS connection of this process also trusts this authority.
class ScopedTrust
{
    const QSslConfiguration m_before = QSslConfiguration::defaultConfiguration();

public:
    explicit ScopedTrust(const QString& authorityFile)
    {
        QSslConfiguration configuration = m_before;
        configuration.addCaCertificates(authorityFile);
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
    ~ScopedTrust() { QSslConfiguration::setDefaultConfiguration(m_before); }
    Q_DISABLE_COPY(ScopedTrust)
};

} // namespace testsupport
