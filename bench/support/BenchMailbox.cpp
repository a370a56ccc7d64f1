#include "support/BenchMailbox.h"

#include <array>

namespace testsupport {
namespace {

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// The Date field and the two Received fields of message `number`, as a real server
// writes them (LF line ends).
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

} // namespace

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

QList<QByteArray> messageTexts(const QList<SampleMessage>& messages)
{
    QList<QByteArray> texts;
    for (const SampleMessage& m : messages)
        texts.append(m.text);
    return texts;
}

QList<SampleMessage> benchmarkMailbox(int count)
{
    // Wanted mail cycles through these ISO-2022-JP subjects, all to the own address.
    static const std::array<std::pair<const char*, const char*>, 4> wanted = {{
        {"=?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=", "会議のお知らせ"},
        {"=?ISO-2022-JP?B?GyRCQEE1YT1xQXdJVSROJDQwRkZiGyhC?=", "請求書送付のご案内"},
        {"=?ISO-2022-JP?B?GyRCJTclOSVGJWBKXTxpJE4kKkNOJGkkOxsoQg==?=", "システム保守のお知らせ"},
        {"=?ISO-2022-JP?B?GyRCOCtAUT1xJHIkKkF3JGokNyReJDkbKEI=?=", "見積書をお送りします"},
    }};
    QList<SampleMessage> messages;
    for (int number = 1; number <= count; ++number) {
        const bool advert = number % 10 == 0;
        SampleMessage m;
        m.name = QStringLiteral("message %1").arg(number);
        m.messageId = "<bench-" + QByteArray::number(number) + "@sample.postsweep.test>";
        const QByteArray subjectField = advert
                                            ? "Limited offer No. " + QByteArray::number(number)
                                            : QByteArray(wanted.at(number % wanted.size()).first);
        m.subject = advert ? QStringLiteral("Limited offer No. %1").arg(number)
                           : QString::fromUtf8(wanted.at(number % wanted.size()).second);
        m.from = advert ? QStringLiteral("Deals <deals@offers.example>")
                        : QStringLiteral("Suzuki Ichiro <suzuki@example.co.jp>");
        m.expectedDeleted = advert;
        m.text = "Return-Path: <bounce-" + QByteArray::number(number) + "@example.net>\n" +
                 receivedFields(number) + receivedFields(number + 1) +
                 "Received: from localhost (localhost [127.0.0.1])\n"
                 "\tby mx2.example.net (Postfix) with ESMTP id 7FA3C2E0\n"
                 "\tfor <taro@example.jp>; Mon, 4 Dec 2023 09:59:58 +0900 (JST)\n"
                 "Authentication-Results: mail.example.jp; spf=pass smtp.mailfrom=example.net;\n"
                 "\tdkim=pass header.d=example.net header.s=s2023\n"
                 "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.net;\n"
                 "\ts=s2023; t=1701651600; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;\n"
                 "\th=From:To:Subject:Date:Message-ID;\n"
                 "\tb=Kq3vW2cZ8xN0fJ5tR7yU1iO4pA6sD9gH2jL5kZ8xC1vB4nM7qW0eR3tY6uI9oP2aS5dF8g\n"
                 "\t H1jK4lZ7xC0vB3nM6qW9eR2tY5uI8oP1aS4dF7gH0jK3lZ6xC9vB2nM5qW8eR1tY4uI7oP\n"
                 "\t 0aS3dF6gH9jK2lZ5xC8vB1nM4qW7eR0tY3uI6oP9aS2dF5gH8jK1lZ4xC7vB0nM3qW6eR9\n" +
                 dateField(number) + "From: " + m.from.toLatin1() +
                 "\nTo: Taro Yamada <taro@example.jp>\nSubject: " + subjectField +
                 "\nMessage-ID: " + m.messageId +
                 "\nMIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-2022-JP\n"
                 "Content-Transfer-Encoding: 7bit\nX-Mailer: Sample Mailer 4.2\n"
                 "List-Unsubscribe: <mailto:unsubscribe@example.net?subject=unsubscribe>\n"
                 "X-Spam-Score: 0.1\n\nSample message " +
                 QByteArray::number(number) + ".\n";
        messages.append(m);
    }
    return messages;
}

} // namespace testsupport
