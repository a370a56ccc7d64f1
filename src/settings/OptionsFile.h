#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The companion file "PostSweepOptions.ini" beside PostSweep.ini, which keeps the
// options that PostSweep.ini's fixed format has no line for. It is an INI file in
// Qt's format, one group per concern:
//
//   [MailProgram]
//   Command=thunderbird -P work      ; started after a run-once instead of the default
//
// Per-profile options go in groups named "Profile1" to "Profile5":
//
//   [Profile1]
//   Security=tls                 ; none (plain POP3), starttls (STLS) or tls (implicit)
//   Port=995                     ; absent: the port stored in PostSweep.ini
//   Sha256=ab12...               ; the pinned server certificate, 64 hex digits
//
// A missing file means every option at its default (every profile plain on its
// stored port); so does a damaged one, whose reason the caller reports once.
enum class ConnectionSecurity { None, StartTls, Tls };

// How one profile reaches its server.
struct ProfileConnection
{
    ConnectionSecurity security = ConnectionSecurity::None;
    QString port;         // empty: the port stored in PostSweep.ini
    QByteArray pinSha256; // 32 bytes, or empty: the system's trusted certificates decide
    bool operator==(const ProfileConnection&) const = default;
};

class OptionsFile
{
public:
    static constexpr int kProfileCount = 5;

    static constexpr qint64 kMaxBytes = 64 * 1024;
    static constexpr int kMaxValueLength = 4096;

    // Reads the file in the given directory; never fails.
    static OptionsFile load(const QString& directory);

    const QString& path() const { return m_path; }
    // Why the file was not used, for one log line; empty when it was read or is absent.
    const QString& problem() const { return m_problem; }

    // The command line that starts the mail program; empty for the desktop's default.
    const QString& mailProgramCommand() const { return m_mailProgramCommand; }

    // Profile options, numbered 1..kProfileCount.
    const ProfileConnection& connection(int number) const;
    void setConnection(int number, const ProfileConnection& connection);
    // Rewrites the file with these profile options, keeping every other option as
    // read: written beside it, owner-only, and renamed into place. A damaged file is
    // not overwritten. Returns the reason it was not written, or empty.
    QString save() const;

    static QString securityName(ConnectionSecurity security);

private:
    bool readProfiles(const class QSettings& file);
    void writeProfiles(class QSettings& file) const;

    QString m_path;
    QString m_problem;
    QString m_mailProgramCommand;
    std::array<ProfileConnection, kProfileCount> m_connections;
};
