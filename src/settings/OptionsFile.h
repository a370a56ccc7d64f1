#pragma once

#include "settings/KeptCopiesOptions.h"
#include "settings/ProfileConnection.h"
#include "settings/SettingsModel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// The companion file "PostSweepOptions.ini" beside PostSweep.ini, which keeps the
// options that PostSweep.ini's fixed format has no line for. It is an INI file in
// Qt's format, one group per concern:
//
//   [MailProgram]
//   Command=thunderbird -P work      ; started after a run-once instead of the default
//   [Run]
//   PreviewOnly=true                 ; runs judge and log, and delete nothing
//   [Profile1]
//   AllowList=taro@example.jp @example.co.jp   ; senders never deleted, blank-separated
//   [KeptCopies]
//   Enabled=true                     ; a copy of each message before it is deleted
//   RetentionDays=30                 ; 1..3650, copies older are removed at start-up
//   MaxSizeMB=10                     ; 1..1024, a larger message keeps its header only
//
// Per-profile options go in groups named "Profile1" to "Profile5":
//
//   [Profile1]
//   Security=tls                 ; none (plain POP3), starttls (STLS) or tls (implicit)
//   Port=995                     ; absent: the port stored in PostSweep.ini
//   Sha256=ab12...               ; the pinned server certificate, 64 hex digits
//   [Single]
//   Security=tls                 ; the single-server dialog's mode (its port: PostSweep1.ini)
//
// A missing file means every option at its default (every profile plain on its
// stored port); so does a damaged one, whose reason the caller reports once.
class OptionsFile
{
public:
    static constexpr int kProfileCount = SettingsModel::kProfileCount;

    static constexpr qint64 kMaxBytes = 64 * 1024;
    static constexpr int kMaxValueLength = 4096;

    // Reads the file in the given directory; never fails.
    static OptionsFile load(const QString& directory);

    const QString& path() const { return m_path; }
    // Why the file was not used, for one log line; empty when it was read or is absent.
    const QString& problem() const { return m_problem; }

    // The command line that starts the mail program; empty for the desktop's default.
    const QString& mailProgramCommand() const { return m_mailProgramCommand; }
    bool previewOnly() const { return m_previewOnly; }
    // Profile n's allow-list (1..5): entries with "@", at most kMaxAllowList of them.
    const QStringList& allowList(int profile) const { return m_allowLists.at(profile - 1); }
    void applyAllowLists(SettingsModel& settings) const;
    // A value out of range reads as its default.
    const KeptCopiesOptions& keptCopies() const { return m_keptCopies; }

    // Writes one option into the file in the given directory, keeping the others:
    // replaced whole (a failure leaves the old file as it was), readable by the owner
    // only. A file that load() would not use is left alone and false returned.
    [[nodiscard]] static bool savePreviewOnly(const QString& directory, bool on);
    [[nodiscard]] static bool saveKeepCopies(const QString& directory, bool on);
    [[nodiscard]] static bool saveAllowLists(const QString& directory,
                                             const SettingsModel& settings);

    static constexpr int kMaxAllowList = ServerProfile::kMaxAllowList;
    static constexpr int kMaxAddressLength = 254;
    // The entries of a typed or stored list: blank- or line-separated, those without
    // "@" or too long dropped, the first kMaxAllowList kept.
    static QStringList allowListEntries(const QString& text);

    // Profile options, numbered 1..kProfileCount.
    const ProfileConnection& connection(int number) const;
    void setConnection(int number, const ProfileConnection& connection);
    // Rewrites the file with these profile options, keeping every other option as
    // read: written beside it, owner-only, and renamed into place. A damaged file is
    // not overwritten. Returns the reason it was not written, or empty.
    QString save() const;

    static QString securityName(ConnectionSecurity security);
    // A pinned certificate's SHA-256 as stored: 64 hex digits, colons between them
    // allowed; anything else is not a pin.
    static std::optional<QByteArray> pinFromText(const QString& text);

    // What the file keeps of a profile's connection: nothing for a profile without host,
    // account and password, and no port of its own where it is PostSweep.ini's.
    static ProfileConnection storedConnection(const ServerProfile& profile);
    // Writes every profile's storedConnection() into the file in the directory, keeping
    // every other option; creates no file just to say that nothing is set. The reason
    // it was not written (a damaged file is left alone), or empty.
    static QString saveConnections(const QString& directory, const SettingsModel& settings);

    // The single-server dialog's mode ([Single] Security): plain when absent or unreadable.
    static ConnectionSecurity loadSingleSecurity(const QString& directory);
    [[nodiscard]] static bool saveSingleSecurity(const QString& directory,
                                                 ConnectionSecurity security);

private:
    [[nodiscard]] static bool editFile(const QString& path,
                                       const std::function<void(class QSettings&)>& edit);
    bool readProfiles(const class QSettings& file);
    void readKeptCopies(const class QSettings& file);
    void writeProfiles(class QSettings& file) const;

    QString m_path;
    QString m_problem;
    QString m_mailProgramCommand;
    std::array<ProfileConnection, kProfileCount> m_connections;
    bool m_previewOnly = false;
    std::array<QStringList, SettingsModel::kProfileCount> m_allowLists;
    KeptCopiesOptions m_keptCopies;
};
