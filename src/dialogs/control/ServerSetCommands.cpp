#include "dialogs/control/ServerSetCommands.h"

#include "settings/SettingsFile.h"

#include <QRegularExpression>

#include <algorithm>

namespace serverset {

namespace {

// The tab that holds profile n, as its caption reads.
QString tabCaption(int profile)
{
    static const char16_t* const captions[] = {u"サーバ設定1", u"サーバ設定2", u"サーバ設定3",
                                               u"サーバ設定４", u"サーバ設定５"};
    return QString::fromUtf16(captions[profile - 1]);
}

// The caption the user sees for a settings field ("SubjectWords[3]" is the fourth
// subject string).
QString fieldCaption(const QString& field)
{
    static const QRegularExpression listEntry(QStringLiteral(R"(^(\w+)\[(\d+)\]$)"));
    if (const auto m = listEntry.match(field); m.hasMatch()) {
        const QString list = m.captured(1) == u"SubjectWords" ? QStringLiteral("タイトル文字列")
                                                              : QStringLiteral("差出人文字列");
        return list + QString::number(m.captured(2).toInt() + 1);
    }
    static const std::pair<const char16_t*, const char16_t*> names[] = {
        {u"Server", u"受信サーバ名"},
        {u"Id", u"アカウント名"},
        {u"PassWd", u"パスワード"},
        {u"MyAddress", u"メールアドレス"},
        {u"Port", u"受信ポート"},
        {u"MainSubjectWords", u"メイン画面のタイトル文字列"},
        {u"MainSenderWords", u"メイン画面の差出人文字列"},
    };
    for (const auto& [name, caption] : names)
        if (field == QStringView(name))
            return QString::fromUtf16(caption);
    return field;
}

QString refusalMessage(const UnstorableField& refused)
{
    const QString where =
        refused.profile > 0 ? tabCaption(refused.profile) + QStringLiteral(" の") : QString();
    return QStringLiteral("%1「%2」に%3。\nこの内容は保存できません。")
        .arg(where, fieldCaption(refused.field), refused.reason);
}

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
        return refusalMessage(*refused);
    if (const auto refused = unusableOwnAddress(settings))
        return refusalMessage(*refused);
    return std::nullopt;
}

std::optional<QString> finish(SettingsModel& settings, const QString& path)
{
    if (auto refused = validate(settings))
        return refused;
    const WriteResult written = SetDataWrite(path, settings);
    if (!written)
        return QStringLiteral("設定ファイルを保存できませんでした\n") + written.error;
    return std::nullopt;
}

} // namespace serverset
