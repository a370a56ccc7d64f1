#pragma once

#include <QDir>
#include <QString>

// The program's files live beside its executable (a portable program).
namespace appfiles {

inline constexpr char16_t kSettingsFile[] = u"PostSweep.ini";
inline constexpr char16_t kLogFile[] = u"PostSweep.log";
inline constexpr char16_t kSingleServerFile[] = u"PostSweep1.ini";
inline constexpr char16_t kOptionsFile[] = u"PostSweepOptions.ini";

// The directory joined with the file name by the platform's separator.
inline QString beside(const QString& directory, const QString& fileName)
{
    return QDir(directory).filePath(fileName);
}

} // namespace appfiles
