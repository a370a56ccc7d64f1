#include "support/TestAuthority.h"

#include <QProcess>

namespace testsupport {

bool TestAuthority::create()
{
    const char* const script = R"(set -e
command -v openssl >/dev/null || { echo 'not installed (Debian package openssl)'; exit 1; }
key='-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -keyout'
openssl req -x509 $key ca.key -out ca.pem -subj /CN=Throwaway-test-CA \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
openssl req -x509 $key server.key -out server.pem -subj /CN=localhost -CA ca.pem -CAkey ca.key \
    -addext basicConstraints=critical,CA:FALSE -addext keyUsage=critical,digitalSignature \
    -addext extendedKeyUsage=serverAuth -addext subjectAltName=IP:127.0.0.1,DNS:localhost)";
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(u"/bin/sh"_qs, {u"-c"_qs, QString::fromLatin1(script)});
    if (m_dir.isValid() && process.waitForFinished(60000) &&
        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    process.kill();
    m_error = u"openssl: "_qs + QString::fromLocal8Bit(process.readAll());
    return false;
}

} // namespace testsupport
