#include "DemoMailbox.h"

#include "platform/Codepage.h"

#include <QStringEncoder>

namespace demo {
namespace {

enum class Encoding { Iso2022JpB, Iso2022JpQ, Utf8B, RawShiftJis, Ascii };

QByteArray iso2022jp(const QString& text)
{
    QStringEncoder encoder("ISO-2022-JP");
    return encoder.encode(text);
}

QByteArray encodeSubject(const QString& text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Iso2022JpB:
        return "=?ISO-2022-JP?B?" + iso2022jp(text).toBase64() + "?=";
    case Encoding::Iso2022JpQ: {
        QByteArray q;
        for (const char c : iso2022jp(text)) {
            const auto b = static_cast<unsigned char>(c);
            if (b == 0x1B || b == '=' || b == '?' || b == '_' || b == ' ' || b < 0x20)
                q += '=' + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
            else
                q += c;
        }
        return "=?iso-2022-jp?q?" + q + "?=";
    }
    case Encoding::Utf8B:
        return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
    case Encoding::RawShiftJis:
        return platform::encodeCp932(text).bytes;
    case Encoding::Ascii:
        return text.toLatin1();
    }
    return {};
}

struct DemoEntry
{
    const char16_t* subject;
    Encoding encoding;
    const char* from;
    const char* to;
    const char* cc;
    bool spam;
};

// The demo rules: "未承諾" in the subject, the own address missing from both To and Cc,
// the subject words "WIN" and "激安", and the sender "spam-sender.example".
// clang-format off
const DemoEntry kMessages[] = {
    {u"未承諾広告※今だけの特別価格", Encoding::Iso2022JpB, "shop@ad-mail.example", kOwnAddress, nullptr, true},
    {u"未承諾広告※限定セールのお知らせ", Encoding::Iso2022JpB, "sale@ad-mail.example", kOwnAddress, nullptr, true},
    {u"未承諾広告※副業で月収アップ", Encoding::Iso2022JpQ, "info@fukugyou.example", kOwnAddress, nullptr, true},
    {u"未承諾広告※無料サンプル進呈", Encoding::Utf8B, "present@sample.example", kOwnAddress, nullptr, true},
    {u"未承諾広告※高収入のお仕事", Encoding::RawShiftJis, "job@work-ad.example", kOwnAddress, nullptr, true},
    {u"【未承諾広告】新商品のご案内", Encoding::Iso2022JpB, "news@ad-mail.example", kOwnAddress, nullptr, true},
    {u"末承諾広告※ポイント大量進呈", Encoding::Iso2022JpB, "point@ad-mail.example", kOwnAddress, nullptr, true},
    {u"WIN a brand new car today", Encoding::Ascii, "lucky@prize.example", "undisclosed-recipients:;", nullptr, true},
    {u"Cheap watches, best prices", Encoding::Ascii, "deals@watch.example", "list@elsewhere.example", nullptr, true},
    {u"Your account needs verification", Encoding::Ascii, "security@phish.example", "someone@example.com", nullptr, true},
    {u"Limited offer just for you", Encoding::Ascii, "offer@promo.example", "undisclosed-recipients:;", nullptr, true},
    {u"Earn money from home", Encoding::Utf8B, "work@home-job.example", "friends@elsewhere.example", nullptr, true},
    {u"You have been selected", Encoding::Ascii, "winner@lottery.example", "all@lottery.example", nullptr, true},
    {u"激安ブランド品が入荷しました", Encoding::Iso2022JpB, "brand@outlet.example", kOwnAddress, nullptr, true},
    {u"激安航空券のご案内", Encoding::Utf8B, "travel@outlet.example", kOwnAddress, nullptr, true},
    {u"今月のおすすめ情報", Encoding::Iso2022JpB, kSpamSender, kOwnAddress, nullptr, true},
    {u"会員様だけのご案内", Encoding::RawShiftJis, kSpamSender, kOwnAddress, nullptr, true},
    {u"Weekly newsletter", Encoding::Ascii, kSpamSender, kOwnAddress, nullptr, true},
    {u"お知らせ", Encoding::Iso2022JpQ, "ads@spam-sender.example", kOwnAddress, nullptr, true},
    {u"ご当選おめでとうございます", Encoding::Iso2022JpB, "lucky@prize.example", "everyone@prize.example", nullptr, true},
    {u"来週の打ち合わせについて", Encoding::Iso2022JpB, "hanako@example.co.jp", kOwnAddress, nullptr, false},
    {u"議事録を送ります", Encoding::Iso2022JpB, "jiro@example.co.jp", "Taro@Example.JP", nullptr, false},
    {u"週末のバーベキュー", Encoding::Utf8B, "yuki@example.ne.jp", kOwnAddress, nullptr, false},
    {u"写真を共有します", Encoding::RawShiftJis, "kenta@example.ne.jp", kOwnAddress, nullptr, false},
    {u"請求書の件", Encoding::Iso2022JpQ, "keiri@example.co.jp", kOwnAddress, nullptr, false},
    {u"見積書をお送りします", Encoding::Iso2022JpB, "sales@partner.example", "boss@example.jp", kOwnAddress, false},
    {u"ご参考までに", Encoding::Utf8B, "hanako@example.co.jp", "team@example.jp", kOwnAddress, false},
    {u"同窓会のお知らせ", Encoding::RawShiftJis, "kanji@alumni.example", "classmates@alumni.example", kOwnAddress, false},
    {u"Re: 資料の確認", Encoding::Iso2022JpB, "jiro@example.co.jp", kOwnAddress, nullptr, false},
    {u"明日の予定", Encoding::Iso2022JpB, "mother@example.ne.jp", "Yamada Taro <taro@example.jp>", nullptr, false},
    {u"Meeting notes for Monday", Encoding::Ascii, "alice@partner.example", kOwnAddress, nullptr, false},
    {u"Re: Project schedule", Encoding::Ascii, "bob@partner.example", "Taro Yamada <taro@example.jp>", nullptr, false},
    {u"Invoice attached", Encoding::Ascii, "billing@partner.example", "accounts@example.jp", kOwnAddress, false},
    {u"Lunch on Friday?", Encoding::Utf8B, "carol@example.org", kOwnAddress, nullptr, false},
    {u"Conference registration confirmed", Encoding::Ascii, "events@conference.example", "TARO@EXAMPLE.JP", nullptr, false},
    {u"Photos from the trip", Encoding::Ascii, "dave@example.org", "family@example.org", kOwnAddress, false},
    {u"出張報告", Encoding::Iso2022JpB, "suzuki@example.co.jp", kOwnAddress, "team@example.jp", false},
    {u"新年会の出欠確認", Encoding::Utf8B, "soumu@example.co.jp", "all@example.co.jp", kOwnAddress, false},
    {u"お誕生日おめでとう", Encoding::RawShiftJis, "sister@example.ne.jp", kOwnAddress, nullptr, false},
    {u"Re: Shipping address", Encoding::Ascii, "support@shop.example", kOwnAddress, nullptr, false},
};
// clang-format on

QByteArray messageBytes(const DemoEntry& entry, int number, const QString& messageId)
{
    QByteArray m;
    m += "Return-Path: <" + QByteArray(entry.from) + ">\n";
    m += "Received: from mx.example.jp (mx.example.jp [192.0.2.25])\n\tby pop.example.jp with "
         "ESMTP id " +
         QByteArray::number(100000 + number) +
         "\n\tfor <taro@example.jp>; Mon, 5 Jan 2026 09:" + QByteArray::number(10 + number % 50) +
         ":00 +0900\n";
    m += "Date: Mon, 5 Jan 2026 09:" + QByteArray::number(10 + number % 50) + ":00 +0900\n";
    m += "From: " + QByteArray(entry.from) + "\n";
    m += "To: " + QByteArray(entry.to) + "\n";
    if (entry.cc)
        m += "Cc: " + QByteArray(entry.cc) + "\n";
    m += "Subject: " + encodeSubject(QString::fromUtf16(entry.subject), entry.encoding) + "\n";
    m += "Message-ID: " + messageId.toLatin1() + "\n";
    m += "MIME-Version: 1.0\n";
    m += "Content-Type: text/plain; charset=ISO-2022-JP\n";
    m += "Content-Transfer-Encoding: 7bit\n\n";
    m += iso2022jp(QStringLiteral("このメールはデモ用です。\n")) + "\n";
    return m;
}

} // namespace

QList<DemoMessage> demoMessages()
{
    QList<DemoMessage> messages;
    int number = 0;
    for (const DemoEntry& entry : kMessages) {
        ++number;
        const QString id =
            QStringLiteral("<demo-%1@postsweep.example>").arg(number, 3, 10, QLatin1Char('0'));
        messages.append({messageBytes(entry, number, id), id, entry.spam,
                         QString::fromUtf16(entry.subject), QString::fromLatin1(entry.from)});
    }
    return messages;
}

SettingsModel settings(const QString& host, quint16 port)
{
    SettingsModel model;
    ServerProfile& p = model.profile(1);
    p.Server = host;
    p.Port = QString::number(port);
    p.Id = kUser;
    p.PassWd = kPassword;
    p.MyAddress = kOwnAddress;
    p.RuleUnsolicited = 1;
    p.RuleNotToMe = 1;
    p.RuleNotCcMe = 1;
    p.RuleSubjectWords = 1;
    p.SubjectWords[0] = QStringLiteral("WIN");
    p.SubjectWords[1] = QStringLiteral("激安");
    p.RuleSenderWords = 1;
    p.SenderWords[0] = QStringLiteral("spam-sender.example");
    p.Enabled = true;
    return model;
}

} // namespace demo
