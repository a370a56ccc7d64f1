#include "pop3/Base64_shiftJIS.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

// A TOP reply as Dovecot sends it: status line, header, empty line, ".".
const QString kDovecotReply =
    QStringLiteral("+OK\r\n"
                   "Return-Path: <info@shop.example.jp>\r\n"
                   "X-Original-To: taro@example.com\r\n"
                   "Delivered-To: taro@example.com\r\n"
                   "Received: from mx.example.com\r\n"
                   "\tby mail.example.com with LMTP\r\n"
                   "\tid 2Jk3Ah; Mon, 04 Mar 2024 09:12:44 +0900\r\n"
                   "Received: from sender.example.jp (sender.example.jp [192.0.2.25])\r\n"
                   "\tby mx.example.com (Postfix) with ESMTPS id 4TpQ3x\r\n"
                   "\tfor <taro@example.com>; Mon, 04 Mar 2024 09:12:43 +0900 (JST)\r\n"
                   "Date: Mon, 04 Mar 2024 09:12:40 +0900\r\n"
                   "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <info@shop.example.jp>\r\n"
                   "To: Taro@Example.COM\r\n"
                   "CC: hanako@example.com,\r\n"
                   " jiro@example.com\r\n"
                   "Subject: =?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?=\r\n"
                   " =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?=\r\n"
                   "Reply-To: =?ISO-2022-JP?B?GyRCJDQwRkZiGyhC?= <support@shop.example.jp>\r\n"
                   "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                   "Content-Transfer-Encoding: 7bit\r\n"
                   "\r\n"
                   ".\r\n");

// clang-format off
TEST(HeaderExtraction, FindsEachFieldOfAWholeDovecotReply)
{
    const struct { const char* name; QStringView field; QStringView expected; } rows[] = {
        {"folded encoded subject keeps its fold blank, Reply-To stays out", u"Subject:", u"=?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?= =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?="},
        {"name asked in lower case", u"subject:", u"=?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?= =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?="},
        {"name asked without colon", u"From", u"=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <info@shop.example.jp>"},
        {"To is not Delivered-To or X-Original-To", u"To:", u"Taro@Example.COM"},
        {"CC written in capitals, folded", u"Cc:", u"hanako@example.com, jiro@example.com"},
        {"tab folds stay", u"Received:", u"from mx.example.com\tby mail.example.com with LMTP\tid 2Jk3Ah; Mon, 04 Mar 2024 " u"09:12:44 +0900"},
        {"last field before the empty line", u"Content-Transfer-Encoding:", u"7bit"},
        {"absent field", u"X-Mailer:", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ExtractHeaderField(kDovecotReply, row.field.toString()), row.expected.toString());
    }
}

struct ReplyRow
{
    const char* name;
    QStringView reply;
    QStringView expected; // the Subject
};

void expectSubjects(std::initializer_list<ReplyRow> rows)
{
    for (const ReplyRow& row : rows)
        EXPECT_EQ(ExtractHeaderField(row.reply.toString(), QStringLiteral("Subject:")),
                  row.expected.toString())
            << row.name;
}

TEST(HeaderExtraction, TakesTheSubjectAsMailWritesIt)
{
    expectSubjects({
        {"one blank after colon", u"+OK\r\nSubject: Hello\r\n\r\n.\r\n", u"Hello"},
        {"no blank after colon", u"+OK\r\nSubject:Hello\r\n\r\n.\r\n", u"Hello"},
        {"three blanks", u"+OK\r\nSubject:   Hello\r\n\r\n.\r\n", u"Hello"},
        {"tab after colon", u"+OK\r\nSubject:\tHello\r\n\r\n.\r\n", u"Hello"},
        {"field name in capitals", u"+OK\r\nSUBJECT: Hello\r\n\r\n.\r\n", u"Hello"},
        {"status line with octets", u"+OK 1520 octets\r\nSubject: Hi\r\n\r\n.\r\n", u"Hi"},
        {"folded plain text keeps the blank", u"+OK\r\nSubject: part one\r\n part two\r\nFrom: a@example.com\r\n\r\n.\r\n", u"part one part two"},
        {"unindented line without field name continues", u"+OK\r\nSubject: Re: a\r\nb c\r\nFrom: a@example.com\r\n\r\n.\r\n", u"Re: ab c"},
        {"unindented broken-mailer encoded word continues", u"+OK\r\nSubject: =?ISO-2022-JP?B?GyRCJCpDTg==?=\r\n=?ISO-2022-JP?B?JGkkOxsoQg==?=\r\n" u"To: a@example.com\r\n\r\n.\r\n", u"=?ISO-2022-JP?B?GyRCJCpDTg==?==?ISO-2022-JP?B?JGkkOxsoQg==?="},
        {"line with a field name ends the value", u"+OK\r\nSubject: Re: a\r\nb: c\r\n\r\n.\r\n", u"Re: a"},
        {"field last before the \".\" line", u"+OK\r\nSubject: Hi\r\n.\r\n", u"Hi"},
        {"LF-only line ends", u"+OK\nSubject: Hi\n there\nFrom: x@example.com\n\n.\n", u"Hi there"},
        {"reply cut short without line end", u"+OK\r\nSubject: Hi", u"Hi"},
    });
}

TEST(HeaderExtraction, FindsNoSubjectWhereTheHeaderHasNone)
{
    expectSubjects({
        {"colon then line end: the next line is not taken", u"+OK\r\nSubject:\r\nFrom: a@example.com\r\n\r\n.\r\n", u""},
        {"blank then line end", u"+OK\r\nSubject: \r\nFrom: a@example.com\r\n\r\n.\r\n", u""},
        {"absent", u"+OK\r\nFrom: a@example.com\r\nTo: b@example.com\r\n\r\n.\r\n", u""},
        {"only in the body", u"+OK\r\nFrom: a@example.com\r\n\r\nSubject: body\r\n.\r\n", u""},
        {"name is only a prefix", u"+OK\r\nSubjects: Hi\r\nX-Subject: Hi\r\n\r\n.\r\n", u""},
        {"reply cut short before any Subject", u"+OK\r\nFrom: a", u""},
        {"empty reply", u"", u""},
    });
}

// clang-format on

} // namespace
