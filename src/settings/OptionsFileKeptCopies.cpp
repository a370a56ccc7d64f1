// The [KeptCopies] group of the companion file.
#include "settings/OptionsFile.h"

#include <QSettings>

namespace {

// A number outside its range takes the default rather than dropping the whole file:
// the allow-lists beside it must not be lost to a typo here.
int numberInRange(const QSettings& file, const QString& key, int low, int high, int fallback)
{
    const QVariant value = file.value(key);
    if (value.typeId() != QMetaType::QString)
        return fallback;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok && number >= low && number <= high ? number : fallback;
}

} // namespace

void OptionsFile::readKeptCopies(const QSettings& file)
{
    KeptCopiesOptions& kept = m_keptCopies;
    // Anything but "false" keeps copies: losing them silently is the worse mistake.
    kept.enabled = file.value(QStringLiteral("KeptCopies/Enabled")).toString() != u"false";
    kept.retentionDays = numberInRange(file, QStringLiteral("KeptCopies/RetentionDays"), 1,
                                       KeptCopiesOptions::kMaxRetentionDays,
                                       KeptCopiesOptions::kDefaultRetentionDays);
    kept.maxSizeMB =
        numberInRange(file, QStringLiteral("KeptCopies/MaxSizeMB"), 1,
                      KeptCopiesOptions::kMaxMaxSizeMB, KeptCopiesOptions::kDefaultMaxSizeMB);
}

bool OptionsFile::saveKeepCopies(const QString& directory, bool on)
{
    const OptionsFile current = load(directory);
    if (!current.problem().isEmpty())
        return false;
    return editFile(current.path(), [on](QSettings& file) {
        file.setValue(QStringLiteral("KeptCopies/Enabled"), on);
    });
}
