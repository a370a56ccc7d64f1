#pragma once

#include <QCryptographicHash>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>

namespace testsupport {

// A throwaway authority made with the openssl program and a server certificate it signed
// for 127.0.0.1 and localhost, valid for two days. Nothing on the system trusts it.
class TestAuthority
{
public:
    [[nodiscard]] bool create()
    {
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromLatin1(R"(
set -e
command -v openssl >/dev/null || { echo 'not installed (Debian package openssl)'; exit 1; }
key='-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -keyout'
openssl req -x509 $key ca.key -out ca.pem -subj /CN=Throwaway-test-CA \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
openssl req -x509 $key server.key -out server.pem -subj /CN=localhost -CA ca.pem -CAkey ca.key \
    -addext basicConstraints=critical,CA:FALSE -addext keyUsage=critical,digitalSignature \
    -addext extendedKeyUsage=serverAuth -addext subjectAltName=IP:127.0.0.1,DNS:localhost)")});
        if (m_dir.isValid() && openssl.waitForFinished(60000) &&
            openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0)
            return true;
        m_error = QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
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
struct ScopedTrust
{
    explicit ScopedTrust(const QString& authorityFile)
    {
        QSslConfiguration configuration = m_before;
        configuration.addCaCertificates(authorityFile);
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
    ~ScopedTrust() { QSslConfiguration::setDefaultConfiguration(m_before); }
    Q_DISABLE_COPY(ScopedTrust)
    const QSslConfiguration m_before = QSslConfiguration::defaultConfiguration();
};

} // namespace testsupport
