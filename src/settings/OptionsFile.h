#pragma once

#include "settings/SettingsModel.h"

#include <QString>
#include <QStringList>

#include <array>

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
//
// Per-profile options go in groups named "Profile1" to "Profile5". A missing file
// means every option at its default; so does a damaged one, whose reason the
// caller reports once.
class OptionsFile
{
public:
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

    // Writes one option into the file in the given directory, keeping the others:
    // replaced whole (a failure leaves the old file as it was), readable by the owner
    // only. A file that load() would not use is left alone and false returned.
    [[nodiscard]] static bool savePreviewOnly(const QString& directory, bool on);
    [[nodiscard]] static bool saveAllowLists(const QString& directory,
                                             const SettingsModel& settings);

    static constexpr int kMaxAllowList = ServerProfile::kMaxAllowList;
    static constexpr int kMaxAddressLength = 254;
    // The entries of a typed or stored list: blank- or line-separated, those without
    // "@" or too long dropped, the first kMaxAllowList kept.
    static QStringList allowListEntries(const QString& text);

private:
    QString m_path;
    QString m_problem;
    QString m_mailProgramCommand;
    bool m_previewOnly = false;
    std::array<QStringList, SettingsModel::kProfileCount> m_allowLists;
};
