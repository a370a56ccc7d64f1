#include "pop3/Base64_shiftJIS.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

// A TOP reply as Dovecot sends it: status line, header, empty line, ".".
const QString kDovecotReply =
    QStringLiteral("+OK\r\n"
                   "Delivered-To: taro@example.com\r\n"
                   "Received: from mx.example.com\r\n"
                   "\tby mail.example.com with LMTP\r\n"
                   "\tid 2Jk3Ah; Mon, 04 Mar 2024 09:12:44 +0900\r\n"
                   "Received: from sender.example.jp\r\n"
                   "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <info@shop.example.jp>\r\n"
                   "To: Taro@Example.COM\r\n"
                   "CC: hanako@example.com,\r\n"
                   " jiro@example.com\r\n"
                   "Subject: =?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?=\r\n"
                   " =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?=\r\n"
                   "Reply-To: =?ISO-2022-JP?B?GyRCJDQwRkZiGyhC?= <support@shop.example.jp>\r\n"
                   "Content-Transfer-Encoding: 7bit\r\n"
                   "\r\n"
                   ".\r\n");

// clang-format off
TEST(HeaderExtraction, FindsEachFieldAsMailWritesItAndNothingElse)
{
    const QStringView subject = u"Subject:";
    const struct { const char* name; QStringView reply; QStringView field; QStringView expected; } rows[] = {
        {"folded encoded subject keeps its fold blank, Reply-To stays out", kDovecotReply, subject, u"=?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?= =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?="},
        {"name asked without colon", kDovecotReply, u"From", u"=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <info@shop.example.jp>"},
        {"To is not Delivered-To", kDovecotReply, u"To:", u"Taro@Example.COM"},
        {"CC written in capitals, folded", kDovecotReply, u"Cc:", u"hanako@example.com, jiro@example.com"},
        {"tab folds stay, a later field of that name is not taken", kDovecotReply, u"Received:", u"from mx.example.com\tby mail.example.com with LMTP\tid 2Jk3Ah; Mon, 04 Mar 2024 09:12:44 +0900"},
        {"no blank after colon", u"+OK\r\nSubject:Hello\r\n\r\n.\r\n", subject, u"Hello"},
        {"tab after colon", u"+OK\r\nSubject:\tHello\r\n\r\n.\r\n", subject, u"Hello"},
        {"unindented line without field name continues", u"+OK\r\nSubject: Re: a\r\nb c\r\nFrom: a@example.com\r\n\r\n.\r\n", subject, u"Re: ab c"},
        {"line with a field name ends the value", u"+OK\r\nSubject: Re: a\r\nb: c\r\n\r\n.\r\n", subject, u"Re: a"},
        {"field last before the \".\" line", u"+OK\r\nSubject: Hi\r\n.\r\n", subject, u"Hi"},
        {"LF-only line ends", u"+OK\nSubject: Hi\n there\nFrom: x@example.com\n\n.\n", subject, u"Hi there"},
        {"reply cut short without line end", u"+OK\r\nSubject: Hi", subject, u"Hi"},
        {"blank then line end", u"+OK\r\nSubject: \r\nFrom: a@example.com\r\n\r\n.\r\n", subject, u""},
        {"absent", u"+OK\r\nFrom: a@example.com\r\nTo: b@example.com\r\n\r\n.\r\n", subject, u""},
        {"only in the body", u"+OK\r\nFrom: a@example.com\r\n\r\nSubject: body\r\n.\r\n", subject, u""},
        {"name is only a prefix", u"+OK\r\nSubjects: Hi\r\nX-Subject: Hi\r\n\r\n.\r\n", subject, u""},
        {"empty reply", u"", subject, u""},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(ExtractHeaderField(row.reply.toString(), row.field.toString()),
                  row.expected.toString())
            << row.name;
}

} // namespace
