#include "settings/FieldCaption.h"

#include <QRegularExpression>

namespace {

// The tab that holds profile n, as its caption reads.
QString tabCaption(int profile)
{
    static const char16_t* const captions[] = {u"サーバ設定1", u"サーバ設定2", u"サーバ設定3",
                                               u"サーバ設定４", u"サーバ設定５"};
    return profile >= 1 && profile <= 5 ? QString::fromUtf16(captions[profile - 1]) : QString();
}

// "SubjectWords[3]" is the fourth subject string, as its box is named on screen.
QString boxCaption(const QString& field)
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

} // namespace

QString fieldCaption(int profile, const QString& field)
{
    const QString tab = tabCaption(profile);
    const QString box = QStringLiteral("「%1」").arg(boxCaption(field));
    return tab.isEmpty() ? box : tab + QStringLiteral(" の") + box;
}
