#include "dialogs/control/ServerSetCommands.h"

#include "dialogs/control/ConnectionChoice.h"
#include "settings/AppFiles.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsFile.h"

#include <QFileInfo>

#include <algorithm>

namespace serverset {

namespace {

// The To/Cc rules look for the own address; a blank inside it or a missing "@" would
// make every message count as not addressed to the user.
std::optional<UnstorableField> unusableOwnAddress(const SettingsModel& settings)
{
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        const ServerProfile& p = settings.profile(n);
        if (p.RuleNotToMe != 1 && p.RuleNotCcMe != 1)
            continue;
        const QString address = p.MyAddress.trimmed(); // blanks around it are ignored
        const QString field = QStringLiteral("MyAddress");
        if (std::any_of(address.begin(), address.end(), [](QChar c) { return c.isSpace(); }))
            return UnstorableField{n, field, QStringLiteral("空白が含まれています")};
        if (!address.contains(u'@'))
            return UnstorableField{n, field, QStringLiteral("「@」がありません")};
    }
    return std::nullopt;
}

} // namespace

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
    if (const auto refused = connection::invalidPort(settings))
        return refused->message();
    if (const auto refused = unusableOwnAddress(settings))
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
    const QString directory = QFileInfo(path).absolutePath();
    if (!OptionsFile::saveAllowLists(directory, settings))
        return QStringLiteral("削除しない差出人を %1 に保存できませんでした。")
            .arg(QString::fromUtf16(appfiles::kOptionsFile));
    if (const QString failed = OptionsFile::saveConnections(directory, settings); !failed.isEmpty())
        return QStringLiteral("接続の設定を %1 に保存できませんでした（%2）。")
            .arg(QString::fromUtf16(appfiles::kOptionsFile), failed);
    return std::nullopt;
}

} // namespace serverset
