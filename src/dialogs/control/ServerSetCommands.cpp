#include "dialogs/control/ServerSetCommands.h"

#include "settings/SettingsFile.h"

namespace serverset {

QString noServerMessage()
{
    return QStringLiteral("サーバの設定がされていません\n最低１つは設定してください");
}

void refreshEnabled(SettingsModel& settings)
{
    for (auto& profile : settings.profiles)
        profile.Enabled = profile.isComplete();
}

std::optional<QString> validate(SettingsModel& settings)
{
    refreshEnabled(settings);
    if (!settings.anyEnabled())
        return noServerMessage();
    if (const auto refused = findUnstorableField(settings))
        return refused->message();
    return std::nullopt;
}

std::optional<QString> finish(SettingsModel& settings, const QString& path)
{
    if (auto refused = validate(settings))
        return refused;
    const WriteResult written = SetDataWrite(path, settings);
    if (!written)
        return written.error;
    return std::nullopt;
}

} // namespace serverset
