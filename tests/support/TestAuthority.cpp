#include "support/TestAuthority.h"

#include "support/Files.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>

namespace testsupport {
namespace {

QByteArray sha256Of(const QString& pemFile)
{
    const auto certificates = QSslCertificate::fromPath(pemFile);
    return certificates.isEmpty() ? QByteArray()
                                  : certificates.first().digest(QCryptographicHash::Sha256);
}

} // namespace

QString TestAuthority::executable()
{
    return QStandardPaths::findExecutable(QStringLiteral("openssl"));
}

// One openssl command, its arguments separated by single blanks.
bool TestAuthority::openssl(const QString& arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable(), arguments.split(u' '));
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    process.kill();
    m_error =
        QStringLiteral("openssl %1: %2").arg(arguments, QString::fromLocal8Bit(process.readAll()));
    return false;
}

bool TestAuthority::create()
{
    if (executable().isEmpty()) {
        m_error = QStringLiteral("openssl is not installed (Debian package openssl)");
        return false;
    }
    if (!m_dir.isValid() || !writeFile(m_dir.filePath(QStringLiteral("server.ext")),
                                       "basicConstraints = critical, CA:FALSE\n"
                                       "keyUsage = critical, digitalSignature\n"
                                       "extendedKeyUsage = serverAuth\n"
                                       "subjectAltName = IP:127.0.0.1, DNS:localhost\n")) {
        m_error = QStringLiteral("cannot write into a temporary directory");
        return false;
    }
    const QString newKey =
        QStringLiteral("-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ");
    return openssl(QStringLiteral("req -x509 ") + newKey +
                   QStringLiteral("ca.key -out ca.pem -days 2 -subj /CN=Throwaway-test-CA "
                                  "-addext basicConstraints=critical,CA:TRUE "
                                  "-addext keyUsage=critical,keyCertSign,cRLSign")) &&
           openssl(QStringLiteral("req ") + newKey +
                   QStringLiteral("server.key -out server.csr -subj /CN=localhost")) &&
           openssl(QStringLiteral("x509 -req -in server.csr -CA ca.pem -CAkey ca.key "
                                  "-CAcreateserial -days 2 -extfile server.ext -out server.pem"));
}

QByteArray TestAuthority::certificateSha256() const
{
    return sha256Of(certificateFile());
}

QByteArray TestAuthority::authoritySha256() const
{
    return sha256Of(authorityFile());
}

ScopedTrust::ScopedTrust(const QString& authorityFile)
    : m_before(QSslConfiguration::defaultConfiguration())
{
    QSslConfiguration configuration = m_before;
    configuration.addCaCertificates(authorityFile);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

ScopedTrust::~ScopedTrust()
{
    QSslConfiguration::setDefaultConfiguration(m_before);
}

} // namespace testsupport
