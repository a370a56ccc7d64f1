#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A throwaway certificate authority made with the openssl program, and a server
// certificate it signed for 127.0.0.1 and localhost, valid for two days. Nothing on
// the system trusts it; a ScopedTrust makes this process trust it for a while.
class TestAuthority
{
public:
    // The openssl program, or empty text when it is not installed.
    static QString executable();

    [[nodiscard]] bool create();
    QString errorString() const { return m_error; }

    QString authorityFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("server.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("server.key")); }
    // The SHA-256 of the server certificate (DER), as a pin holds it.
    QByteArray certificateSha256() const;
    // The SHA-256 of the authority's own certificate: a certificate other than the server's.
    QByteArray authoritySha256() const;

private:
    bool openssl(const QString& arguments);

    QTemporaryDir m_dir;
    QString m_error;
};

// While it lives, the default TLS configuration of this process (which every new
// connection starts from) trusts the authority in this PEM file beside the system's.
class ScopedTrust
{
public:
    explicit ScopedTrust(const QString& authorityFile);
    ~ScopedTrust();
    ScopedTrust(const ScopedTrust&) = delete;
    ScopedTrust& operator=(const ScopedTrust&) = delete;

private:
    QSslConfiguration m_before;
};

} // namespace testsupport
