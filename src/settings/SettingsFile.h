#pragma once

#include "settings/SettingsModel.h"

#include <QString>

#include <optional>

// "PostSweep.ini": 36 lines of comma-separated fields in code page 932, CR LF.
// Lines 1..5 the scrambled credentials, 6..35 six lines of rules per profile,
// line 36 the global settings.

enum class LoadOutcome {
    Complete, // everything read
    PathB,    // profiles read, the global record failed (globals keep what was read)
    PathA,    // no file, or the profile part failed (values read so far stay)
};

// Reads the file into the model; sets Enabled for every complete profile and never clears it.
// Each profile's connection comes from the companion file beside it; a companion file
// that exists and cannot be read sets optionsProblem.
[[nodiscard]] LoadOutcome LoadSettings(const QString& path, SettingsModel& model);

// A text the file cannot hold: a double quote, a line break, or a character
// without a code in code page 932.
struct UnstorableField
{
    int profile = 0; // 1..5, or 0 for the global settings
    QString field;   // the field's name, e.g. "Server" or "SubjectWords[3]"
    QString reason;  // in Japanese, for a message box
    QString message() const;
};
std::optional<UnstorableField> findUnstorableField(const SettingsModel& model);
// Why one text cannot be stored, in Japanese; a scrambled text may hold a double quote.
std::optional<QString> unstorableReason(const QString& text, bool scrambled);

struct WriteResult
{
    bool ok = true;
    QString error; // why it failed, for the user
    explicit operator bool() const { return ok; }
};

// Keeps a settings file that failed to load beside it, as "<path>.bad" (".bad2"
// and on when that is taken; an earlier copy is never overwritten), so that the
// next write does not erase what could not be read. The copy's path; nothing when
// there is no file or an empty one, an earlier copy holds the same bytes, or
// copying failed.
[[nodiscard]] std::optional<QString> keepUnreadFile(const QString& path);

// Writes the whole file (owner-only): refuses an unstorable field before writing anything, then
// writes beside the old file and renames into place, so a failure leaves it whole.
[[nodiscard]] WriteResult SetDataWrite(const QString& path, const SettingsModel& model);

// The file's exact bytes for the model (the model must be storable).
QByteArray settingsFileBytes(const SettingsModel& model);
