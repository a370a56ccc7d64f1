// The single-server dialog's group of the companion file: [Single] Security, the mode
// of the server recorded in PostSweep1.ini, whose one line keeps its format.
#include "settings/OptionsFile.h"

#include <QSettings>

namespace {

const QString kSingleSecurity = QStringLiteral("Single/Security");

} // namespace

ConnectionSecurity OptionsFile::loadSingleSecurity(const QString& directory)
{
    const OptionsFile current = load(directory);
    if (!current.problem().isEmpty())
        return ConnectionSecurity::None;
    const QSettings file(current.path(), QSettings::IniFormat);
    const QVariant value = file.value(kSingleSecurity);
    for (const auto mode : {ConnectionSecurity::StartTls, ConnectionSecurity::Tls})
        if (value.typeId() == QMetaType::QString && value.toString() == securityName(mode))
            return mode;
    return ConnectionSecurity::None; // absent or not ours: plain, as the file always meant
}

bool OptionsFile::saveSingleSecurity(const QString& directory, ConnectionSecurity security)
{
    const OptionsFile current = load(directory);
    if (!current.problem().isEmpty())
        return false;
    return editFile(current.path(), [security](QSettings& file) {
        file.setValue(kSingleSecurity, securityName(security));
    });
}
