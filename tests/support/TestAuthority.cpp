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

bool TestAuthority::openssl(const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable(), arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    process.kill();
    m_error = QStringLiteral("openssl %1: %2")
                  .arg(arguments.first(), QString::fromLocal8Bit(process.readAll()));
    return false;
}

bool TestAuthority::create()
{
    if (executable().isEmpty()) {
        m_error = QStringLiteral("openssl is not installed (Debian package openssl)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary directory");
        return false;
    }
    const QStringList ecKey = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!writeFile(m_dir.filePath(QStringLiteral("server.ext")),
                   "basicConstraints = critical, CA:FALSE\n"
                   "keyUsage = critical, digitalSignature\n"
                   "extendedKeyUsage = serverAuth\n"
                   "subjectAltName = IP:127.0.0.1, DNS:localhost\n")) {
        m_error = QStringLiteral("cannot write server.ext");
        return false;
    }
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                               QStringLiteral("-out"), QStringLiteral("ca.pem"),
                               QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=Throwaway Test CA"),
                               QStringLiteral("-addext"),
                               QStringLiteral("basicConstraints=critical,CA:TRUE"),
                               QStringLiteral("-addext"),
                               QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")}) &&
           openssl(QStringList{QStringLiteral("req")} + ecKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                               QStringLiteral("-out"), QStringLiteral("server.csr"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=localhost")}) &&
           openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                    QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), QStringLiteral("server.ext"),
                    QStringLiteral("-out"), QStringLiteral("server.pem")});
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
