#include "support/SampleMailbox.h"

namespace testsupport {
namespace {

enum class Recipients { ToMe, CcOnly, Neither, ToMeBesideAHardName };

// One kind of message. The encoded forms were made with an independent encoder
// (iconv / Python's codecs) and are kept as written; the decoded texts and the
// verdicts are typed from what the rules mean.
struct Row
{
    const char* name;
    const char* subjectField; // the field as written, folded lines included; "" for none
    const char* subject;      // decoded, UTF-8
    const char* fromField;    // the From value as written
    const char* from;         // decoded, UTF-8; nullptr: as written
    Recipients recipients;
    bool deleted;
    const char* charset = "ISO-2022-JP";
    const char* extraFields = "";
};

constexpr const char* kSpamKing = "News <info@spam-king.example>";

// clang-format off
const Row kRows[] = {
    // ISO-2022-JP, B encoding.
    {"jis-b-wanted", "Subject: =?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=\n", "会議のお知らせ", "Suzuki Ichiro <suzuki@example.co.jp>", nullptr, Recipients::ToMe, false},
    {"jis-b-folded-escapes-split", "Subject: =?ISO-2022-JP?B?GyQ=?=\n =?ISO-2022-JP?B?QiFaPUVNVyFbTWg=?=\n" " =?ISO-2022-JP?B?PTUkTkJHJEE5ZyRvJDskSyQ=?=\n =?ISO-2022-JP?B?RCQkJEYbKEI=?=\n", "【重要】来週の打ち合わせについて", "=?ISO-2022-JP?B?GyRCOzNFRDJWO1IbKEI=?= <hanako@example.jp>", "山田花子 <hanako@example.jp>", Recipients::CcOnly, false},
    {"jis-b-unsolicited", "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoOkc/NyROJDQwRkZiGyhC?=\n", "未承諾広告※最新のご案内", "Shop <info@shop.example>", nullptr, Recipients::ToMe, true},
    {"jis-b-unsolicited-split-inside-a-character", "Subject: =?ISO-2022-JP?B?GyRCTCQ=?=\n =?ISO-2022-JP?B?PjVCeg==?=\n" " =?ISO-2022-JP?B?OS05cCIoJCpGQCRKPnBKcxsoQg==?=\n", "未承諾広告※お得な情報", "Promo <promo@deals.example>", nullptr, Recipients::ToMe, true},
    {"jis-b-misspelt-unsolicited", "Subject: =?ISO-2022-JP?B?GyRCS3Y+NUJ6OS05cCIoOEJEaiU7ITwlaxsoQg==?=\n", "末承諾広告※限定セール", "Sale <sale@outlet.example>", nullptr, Recipients::CcOnly, true},
    {"jis-b-subject-string", "Subject: =?ISO-2022-JP?B?GyRCN2MwQiVWJWklcyVJSUokTiQ0PlIycBsoQg==?=\n", "激安ブランド品のご紹介", "Brand <brand@outlet.example>", nullptr, Recipients::ToMe, true},
    {"jis-b-order-shipped", "Subject: =?ISO-2022-JP?B?GyRCJDRDbUo4JE4+JklKJHJIL0F3JDckXiQ3JD8bKEI=?=\n", "ご注文の商品を発送しました", "Store <order@store.example>", nullptr, Recipients::CcOnly, false},
    {"jis-b-invoice", "Subject: =?ISO-2022-JP?B?GyRCQEE1YT1xQXdJVSROJDQwRkZiGyhC?=\n", "請求書送付のご案内", "Accounting <keiri@example.co.jp>", nullptr, Recipients::ToMe, false},
    {"jis-b-not-to-me", "Subject: =?ISO-2022-JP?B?GyRCJDRMNTo7QkEkNyRGJCokaiReJDkbKEI=?=\n", "ご無沙汰しております", "Old Friend <friend@example.net>", nullptr, Recipients::Neither, true},
    {"jis-b-sender-string-in-encoded-name", "Subject: =?ISO-2022-JP?B?GyRCRy9LdkcvO08kTjFENkgkSyREJCQkRhsoQg==?=\n", "年末年始の営業について", "=?ISO-2022-JP?B?GyRCOS05cEdbPy4lOyVzJT8hPBsoQg==?= <news@ad.example>", "広告配信センター <news@ad.example>", Recipients::ToMe, true},
    {"jis-b-sender-string-domain", "Subject: =?ISO-2022-JP?B?GyRCPzc+JklKJE4kKkNOJGkkOxsoQg==?=\n", "新商品のお知らせ", kSpamKing, nullptr, Recipients::ToMe, true},
    {"jis-b-sender-string-other-case", "Subject: =?ISO-2022-JP?B?GyRCJDQwRkZiGyhC?=\n", "ご案内", "Info <INFO@SPAM-KING.EXAMPLE>", nullptr, Recipients::ToMe, false},
    {"jis-b-subject-string-ascii", "Subject: =?ISO-2022-JP?B?RlJFRRskQiROJS4lVSVIGyhC?=\n", "FREEのギフト", "Gift <gift@present.example>", nullptr, Recipients::ToMe, true},
    {"jis-b-subject-string-other-case", "Subject: =?ISO-2022-JP?B?ZnJlZRskQiROJS4lVSVIGyhC?=\n", "freeのギフト", "Gift <gift@present.example>", nullptr, Recipients::ToMe, false},
    {"jis-b-subject-string-japanese", "Subject: =?ISO-2022-JP?B?GyRCPVAycSQkJE4lQSVjJXMlORsoQg==?=\n", "出会いのチャンス", "Match <match@meet.example>", nullptr, Recipients::ToMe, true},
    {"jis-b-after-plain-text", "Subject: Re: =?ISO-2022-JP?B?GyRCOCY9JDtxTkEkTkF3SVUbKEI=?=\n", "Re: 研修資料の送付", "Kato <kato@example.co.jp>", nullptr, Recipients::ToMe, false},
    // ISO-2022-JP, Q encoding.
    {"jis-q-wanted", "Subject: =?ISO-2022-JP?Q?=1B$B$*@$OC$K$J$C$F$*$j$^$9=1B(B?=\n", "お世話になっております", "Tanaka <tanaka@example.co.jp>", nullptr, Recipients::CcOnly, false},
    {"jis-q-unsolicited", "Subject: =?ISO-2022-JP?Q?=1B$BL$>5Bz9-9p\"(;qNA@A5a=1B(B?=\n", "未承諾広告※資料請求", "Seminar <info@seminar.example>", nullptr, Recipients::ToMe, true},
    {"jis-q-folded-pair-split", "Subject: =?ISO-2022-JP?Q?=1B$B:)=3FF2q$?=\n =?ISO-2022-JP?Q?N=3DP7g$K$D$$$F=1B(B?=\n", "懇親会の出欠について", "Kanji <kanji@example.co.jp>", nullptr, Recipients::ToMe, false},
    // Raw JIS escapes in the header itself.
    {"raw-jis", "Subject: \x1b$B8+@Q$b$j$N7o\x1b(B\n", "見積もりの件", "Sato <sato@example.co.jp>", nullptr, Recipients::ToMe, false},
    // UTF-8.
    {"utf8-b-wanted", "Subject: =?UTF-8?B?5piO5pel44Gu5LqI5a6a?=\n", "明日の予定", "Kimura <kimura@example.org>", nullptr, Recipients::ToMe, false, "UTF-8"},
    {"utf8-b-unsolicited", "Subject: =?UTF-8?B?5pyq5om/6Ku+5bqD5ZGK4oC7VVRGLTjniYg=?=\n", "未承諾広告※UTF-8版", "Mailer <bulk@mailer.example>", nullptr, Recipients::ToMe, true, "UTF-8"},
    {"utf8-q-lower-case", "Subject: =?utf-8?q?=E9=80=B1=E6=9C=AB=E3=81=AE=E3=83=90=E3=83=BC=E3=83=99=E3=82=AD=E3=83=A5=E3=83=BC?=\n", "週末のバーベキュー", "Club <club@example.org>", nullptr, Recipients::CcOnly, false, "UTF-8"},
    {"utf8-b-character-split-between-words", "Subject: =?UTF-8?B?5pyq5g==?=\n =?UTF-8?B?ib/oq77luoPlkYrigA==?=\n =?UTF-8?B?u+WIhuWJsumFjeS/oQ==?=\n", "未承諾広告※分割配信", "Bulk <bulk@mailer.example>", nullptr, Recipients::ToMe, true, "UTF-8"},
    {"utf8-b-after-plain-text", "Subject: Fw: =?UTF-8?B?5peF6KGM44Gu5YaZ55yf?=\n", "Fw: 旅行の写真", "Ito <ito@example.org>", nullptr, Recipients::CcOnly, false, "UTF-8"},
    // Raw Shift_JIS bytes in the header.
    {"sjis-raw-wanted", "Subject: \x82\xa8\x8c\xa9\x90\xcf\x82\xe8\x82\xcc\x82\xa8\x8a\xe8\x82\xa2\n", "お見積りのお願い", "\x8e\x52\x93\x63\x8f\xa4\x93\x58 <shop@yamada.example>", "山田商店 <shop@yamada.example>", Recipients::ToMe, false, "Shift_JIS"},
    {"sjis-raw-unsolicited", "Subject: \x96\xa2\x8f\xb3\x91\xf8\x8d\x4c\x8d\x90\x81\xa6\x93\xc1\x89\xbf\n", "未承諾広告※特価", "Discount <sale@discount.example>", nullptr, Recipients::ToMe, true, "Shift_JIS"},
    {"sjis-raw-half-width-katakana-only", "Subject: \xbe\xb0\xd9\x20\xc6\xad\xb0\xbd\n", "ｾｰﾙ ﾆｭｰｽ", "Sale <sale@discount.example>", nullptr, Recipients::ToMe, true, "Shift_JIS"},
    {"sjis-raw-full-width-latin", "Subject: \x82\x65\x82\x71\x82\x64\x82\x64\x81\x40\x82\x73\x82\x71\x82\x68\x82\x60\x82\x6b\n", "ＦＲＥＥ　ＴＲＩＡＬ", "Trial <trial@soft.example>", nullptr, Recipients::CcOnly, false, "Shift_JIS"},
    {"sjis-raw-not-to-me", "Subject: \x8c\x8e\x97\xe1\x89\xef\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9\n", "月例会のお知らせ", "Club <club@example.org>", nullptr, Recipients::Neither, true, "Shift_JIS"},
    // English.
    {"english-spam", "Subject: Cheap watches for you\n", "Cheap watches for you", "Watches <deals@watch.example>", nullptr, Recipients::ToMe, true, "US-ASCII"},
    {"english-spam-not-to-me", "Subject: You have won $1,000,000!\n", "You have won $1,000,000!", "Lottery <winner@lotto.example>", nullptr, Recipients::Neither, true, "US-ASCII"},
    {"english-subject-string", "Subject: FREE gift card inside\n", "FREE gift card inside", "Gift <gift@present.example>", nullptr, Recipients::CcOnly, true, "US-ASCII"},
    {"english-from-a-colleague", "Subject: Meeting notes\n", "Meeting notes", "Bob <bob@example.com>", nullptr, Recipients::ToMe, true, "US-ASCII"},
    // Words that each open and close their own escapes, one after another.
    {"jis-b-self-contained-words-unsolicited", "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6GyhC?=\n =?ISO-2022-JP?B?GyRCOS05cCIoJTshPCVrGyhC?=\n", "未承諾広告※セール", "Shop <shop@example.net>", nullptr, Recipients::ToMe, true},
    {"jis-q-self-contained-words-unsolicited", "Subject: =?ISO-2022-JP?Q?=1B$BL$>5Bz=1B(B?= =?iso-2022-jp?q?=1b$B9-9p\"(=1b(B?=\n", "未承諾広告※", "Shop <shop@example.net>", nullptr, Recipients::ToMe, true},
    // The own address beside a display name that is hard to decode or cannot be.
    {"jis-b-wanted-to-a-hard-name", "Subject: =?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=\n", "会議のお知らせ", "Suzuki Ichiro <suzuki@example.co.jp>", nullptr, Recipients::ToMeBesideAHardName, false},
    // Blanks only (two ideographic spaces) count as no subject.
    {"blank-subject", "Subject: =?ISO-2022-JP?B?GyRCISEhIRsoQg==?=\n", "\u3000\u3000", kSpamKing, nullptr, Recipients::Neither, false},
    // Field names in other letter cases.
    {"subject-field-in-capitals", "SUBJECT: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoRWo7cSROJCpPQxsoQg==?=\n", "未承諾広告※投資のお話", "Invest <invest@fund.example>", nullptr, Recipients::ToMe, true},
    {"subject-field-in-mixed-case", "SubJect: Re: schedule\n", "Re: schedule", "Lee <lee@example.com>", nullptr, Recipients::CcOnly, true, "US-ASCII"},
    // Never deleted: the subject is missing, empty, or cannot be decoded.
    {"no-subject-field", "", "", kSpamKing, nullptr, Recipients::Neither, false},
    {"empty-subject", "Subject: \n", "", kSpamKing, nullptr, Recipients::Neither, false},
    {"broken-base64", "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6!!!?=\n", "", kSpamKing, nullptr, Recipients::Neither, false},
    {"unknown-charset", "Subject: =?X-UNKNOWN-CHARSET?B?5pyq5om/6Ku+?=\n", "", kSpamKing, nullptr, Recipients::Neither, false},
    // Header lines with dots, which the server sends dot-stuffed or as they are.
    {"header-lines-with-dots", "Subject: =?ISO-2022-JP?B?GyRCOCtAUT1xJHIkKkF3JGokNyReJDkbKEI=?=\n", "見積書をお送りします", "Office <office@example.co.jp>", nullptr, Recipients::ToMe, false, "ISO-2022-JP", ".X-Dotted: yes\nX-Note: sent by the office.\n"},
    {"spam-ending-in-a-dot", "Subject: Act now.\n", "Act now.", "Offers <offers@act.example>", nullptr, Recipients::ToMe, true, "US-ASCII", "X-Tag: .\n"},
};

// The recipient fields: three forms of each kind, the own address in other letter cases.
const char* const kRecipients[4][3] = {
    {"To: taro@example.jp\n", "To: Taro Yamada <Taro@Example.JP>\n",
     "TO: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <TARO@EXAMPLE.JP>\n"},
    {"To: project@example.jp\nCc: taro@example.jp\n", "To: project@example.jp\nCC: jiro@example.jp,\n Taro@Example.JP\n",
     "To: project@example.jp\ncc: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <TARO@example.jp>\n"},
    {"To: hanako@example.jp\n", "To: Sales Team <sales@example.com>\nCc: jiro@example.jp\n", "To: undisclosed-recipients:;\n"},
    {"To: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= =?ISO-2022-JP?B?GyRCQkBPOhsoQg==?= <taro@example.jp>\n",
     "To: =?X-UNKNOWN-CHARSET?B?5bGx55Sw?= <taro@example.jp>\n",
     "To: project@example.jp\nCc: =?ISO-2022-JP?B?GyRCOzNF!!?= <Taro@example.jp>\n"},
};
// clang-format on

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

} // namespace

QByteArray dateField(int number)
{
    return "Date: Mon, 4 Dec 2023 " + twoDigits(8 + number / 60 % 12) + ':' +
           twoDigits(number % 60) + ":00 +0900\n";
}

QByteArray receivedFields(int number)
{
    return "Received: from mx2.example.net (mx2.example.net [192.0.2.25])\n"
           "\tby mail.example.jp (Postfix) with ESMTP id 4SkQ" +
           QByteArray::number(100000 + number) + "\n\tfor <taro@example.jp>; " +
           dateField(number).mid(6);
}

ServerProfile sampleRuleProfile()
{
    ServerProfile profile;
    profile.MyAddress = QStringLiteral("taro@example.jp");
    profile.RuleUnsolicited = 1;
    profile.RuleNoJapanese = 1;
    profile.RuleNotToMe = 1;
    profile.RuleNotCcMe = 1;
    profile.RuleSubjectWords = 1;
    profile.SubjectWords = {QStringLiteral("激安"), QStringLiteral("出会い"),
                            QStringLiteral("FREE")};
    profile.RuleSenderWords = 1;
    profile.SenderWords = {QStringLiteral("@spam-king.example"), QStringLiteral("広告配信")};
    return profile;
}

QList<SampleMessage> sampleMailbox()
{
    QList<SampleMessage> messages;
    for (int form = 0; form < 3; ++form) {
        for (const Row& row : kRows) {
            const int number = messages.size() + 1;
            SampleMessage m;
            m.name = QString::fromUtf8(row.name) + QStringLiteral(" (form %1)").arg(form);
            m.messageId = '<' + twoDigits(number / 100) + twoDigits(number % 100) + '.' + row.name +
                          "@sample.postsweep.test>";
            m.text = receivedFields(number) + dateField(number) + "From: " + row.fromField + '\n' +
                     kRecipients[static_cast<int>(row.recipients)][form] + row.subjectField +
                     "Message-ID: " + m.messageId + "\nMIME-Version: 1.0\n" +
                     "Content-Type: text/plain; charset=" + row.charset + '\n' +
                     "Content-Transfer-Encoding: 7bit\n" + row.extraFields + '\n' +
                     "Sample message " + QByteArray::number(number) + ".\n";
            m.subject = QString::fromUtf8(row.subject);
            m.from = QString::fromUtf8(row.from ? row.from : row.fromField);
            m.expectedDeleted = row.deleted;
            messages.append(m);
        }
    }
    return messages;
}

QList<QByteArray> messageTexts(const QList<SampleMessage>& messages)
{
    QList<QByteArray> texts;
    for (const SampleMessage& m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace testsupport
