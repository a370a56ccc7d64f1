#include "support/TestAuthority.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSslCertificate>

namespace testsupport {

bool TestAuthority::create()
{
    const QString newKey = u"-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout"_qs;
    const QString script =
        u"set -e; command -v openssl >/dev/null || { echo 'no openssl (Debian package openssl)';"
        " exit 1; }\n"
        "printf 'basicConstraints = critical, CA:FALSE\\nkeyUsage = critical, digitalSignature\\n"
        "extendedKeyUsage = serverAuth\\nsubjectAltName = IP:127.0.0.1, DNS:localhost\\n'"
        " > server.ext\n"
        "openssl req -x509 %1 ca.key -out ca.pem -days 2 -subj /CN=Throwaway-test-CA"
        " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign\n"
        "openssl req %1 server.key -out server.csr -subj /CN=localhost\n"
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
        " -extfile server.ext -out server.pem\n"_qs.arg(newKey);
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(u"/bin/sh"_qs, {u"-c"_qs, script});
    if (m_dir.isValid() && process.waitForFinished(60000) &&
        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    process.kill();
    m_error = u"openssl: "_qs + QString::fromLocal8Bit(process.readAll());
    return false;
}

QByteArray TestAuthority::sha256Of(const QString& pemFile)
{
    const auto certificates = QSslCertificate::fromPath(pemFile);
    return certificates.isEmpty() ? QByteArray()
                                  : certificates.first().digest(QCryptographicHash::Sha256);
}

} // namespace testsupport
