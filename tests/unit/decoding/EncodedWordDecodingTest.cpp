#include "pop3/Base64_shiftJIS.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

struct Row
{
    const char* name;
    QStringView value;
    QStringView expected;
};

void expectDecodings(std::initializer_list<Row> rows)
{
    for (const Row& row : rows)
        EXPECT_EQ(DecodeHeaderText(row.value.toString()), row.expected.toString()) << row.name;
}

// clang-format off
TEST(EncodedWordDecoding, LeavesPlainTextAsItStands)
{
    expectDecodings({
        {"ASCII", u"Meeting at 10:00", u"Meeting at 10:00"},
        {"text already read through code page 932", u"会議のお知らせ", u"会議のお知らせ"},
        {"\"=?\" that begins no word", u"1+1=? 2 =?", u"1+1=? 2 =?"},
        {"\"$B\" and \"(B\" without ESC", u"$B%F%9%H(B", u"$B%F%9%H(B"},
        {"ESC that opens no run", u"a\x1b(Bb", u"a\x1b(Bb"},
        {"empty", u"", u""},
    });
}

// RFC 2047 section 8 and RFC 2231 section 5.
TEST(EncodedWordDecoding, DecodesTheRfcExamples)
{
    expectDecodings({
        {"Q with underscore", u"=?US-ASCII?Q?Keith_Moore?= <moore@cs.utk.edu>", u"Keith Moore <moore@cs.utk.edu>"},
        {"Q escape", u"=?ISO-8859-1?Q?Keld_J=F8rn_Simonsen?= <keld@dkuug.dk>", u"Keld Jørn Simonsen <keld@dkuug.dk>"},
        {"blank before plain text stays", u"=?ISO-8859-1?Q?Andr=E9?= Pirard", u"André Pirard"},
        {"two charsets, blank between words dropped", u"=?ISO-8859-1?B?SWYgeW91IGNhbiByZWFkIHRoaXMgeW8=?= " u"=?ISO-8859-2?B?dSB1bmRlcnN0YW5kIHRoZSBleGFtcGxlLg==?=", u"If you can read this you understand the example."},
        {"word alone", u"(=?ISO-8859-1?Q?a?=)", u"(a)"},
        {"one blank between words", u"(=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=)", u"(ab)"},
        {"unfolded tab and blanks", u"(=?ISO-8859-1?Q?a?=\t   =?ISO-8859-1?Q?b?=)", u"(ab)"},
        {"encoded blank", u"(=?ISO-8859-1?Q?a_b?=)", u"(a b)"},
        {"escape whose second digit is 0", u"=?ISO-8859-1?Q?a=20b=3D=E0?=", u"a b=à"},
        {"encoded blank in other charset", u"(=?ISO-8859-1?Q?a?= =?ISO-8859-2?Q?_b?=)", u"(a b)"},
        {"RFC 2231 language", u"=?US-ASCII*EN?Q?Keith_Moore?=", u"Keith Moore"},
    });
}

TEST(EncodedWordDecoding, DecodesJapaneseAsMailersWriteIt)
{
    expectDecodings({
        {"ISO-2022-JP B", u"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", u"テスト"},
        {"ISO-2022-JP Q", u"=?ISO-2022-JP?Q?=1B$B$3$s$K$A$O=1B(B?=", u"こんにちは"},
        {"lower-case label and letter, B", u"=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", u"テスト"},
        {"lower-case label, letter and hex, Q", u"=?iso-2022-jp?q?=1b$B$3$s$K$A$O=1b(B?=", u"こんにちは"},
        {"unpadded Base64", u"=?ISO-2022-JP?B?GyRCJCIbKEI?=", u"あ"},
        {"two folded words, closing escape in the second", u"=?ISO-2022-JP?B?GyRCJCpDTg==?= =?ISO-2022-JP?B?JGkkOxsoQg==?=", u"お知らせ"},
        {"three words, ESC $ B itself split", u"=?ISO-2022-JP?B?GyQ=?=\t=?ISO-2022-JP?B?QiQqQ04=?= =?ISO-2022-JP?B?JGkkOxsoQg==?=", u"お知らせ"},
        {"words joined without blank", u"=?ISO-2022-JP?B?GyRCJCpDTg==?==?ISO-2022-JP?B?JGkkOxsoQg==?=", u"お知らせ"},
        {"real subject over two words", u"=?ISO-2022-JP?B?GyRCIVo9RU1XIVskNEBB?= =?ISO-2022-JP?B?NWE9cSROJCpDTiRpJDsbKEI=?=", u"【重要】ご請求書のお知らせ"},
        {"display name and address", u"=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <taro@example.jp>", u"山田太郎 <taro@example.jp>"},
        {"self-contained words, B", u"=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?ISO-2022-JP?B?GyRCJCQbKEI=?=", u"あい"},
        {"self-contained words, Q in either case", u"=?iso-2022-jp?q?=1b$B$\"=1b(B?= =?ISO-2022-JP?Q?=1B$B$$=1B(B?=", u"あい"},
        {"self-contained words, the first closing with ESC ( J", u"=?ISO-2022-JP?B?GyRCJCIbKEo=?= =?ISO-2022-JP?B?GyRCJCQbKEI=?=", u"あい"},
        {"two-word display name and address", u"=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= =?ISO-2022-JP?B?GyRCQkBPOhsoQg==?= <taro@example.jp>", u"山田太郎 <taro@example.jp>"},
        {"HZ, self-contained words", u"=?HZ-GB-2312?B?fnswIX59?= =?HZ-GB-2312?B?fnswIn59?=", u"啊阿"},
        {"UTF-8", u"=?UTF-8?B?5pel5pys6Kqe?=", u"日本語"},
        {"UTF-8 character split across words", u"=?UTF-8?B?5pel5g==?= =?utf-8?B?nKzoqp4=?=", u"日本語"},
        {"UTF-8 Q", u"=?utf-8?q?caf=c3=a9?=", u"café"},
        {"Shift_JIS", u"=?Shift_JIS?B?g2WDWINn?=", u"テスト"},
        {"Shift_JIS half-width katakana", u"=?Shift_JIS?B?sbKz?=", u"ｱｲｳ"},
        {"EUC-JP", u"=?EUC-JP?B?xvzL3A==?=", u"日本"},
        {"two charsets side by side", u"=?UTF-8?B?5pel5pys6Kqe?= =?ISO-2022-JP?B?GyRCJCIbKEI=?=", u"日本語あ"},
        {"glued to text before", u"Re:=?ISO-2022-JP?B?GyRCJCIbKEI=?=", u"Re:あ"},
        {"blanks to plain text stay", u"Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= [No.12]", u"Re: テスト [No.12]"},
        {"empty word", u"a=?UTF-8?B?\?=b", u"ab"},
    });
}

TEST(EncodedWordDecoding, ConvertsRawIso2022JpRuns)
{
    expectDecodings({
        {"ESC $ B run", u"\x1b$B$\"\x1b(B", u"あ"},
        {"run inside text", u"Re: \x1b$B%F%9%H\x1b(B mail", u"Re: テスト mail"},
        {"ESC $ @ run", u"\x1b$@$\"\x1b(B", u"あ"},
        {"ESC ( J run", u"\x1b(Jabc\x1b(B", u"abc"},
        {"ESC ( I half-width katakana", u"\x1b(I123\x1b(B", u"ｱｲｳ"},
        {"\"=?\" inside a run is a kanji", u"\x1b$B=?\x1b(B", u"戎"},
        {"run left open to the end", u"\x1b$B$\"", u"あ"},
        {"run ending in ESC ( J, then a word", u"\x1b$B%F%9%H\x1b(J =?ISO-2022-JP?B?GyRCJCIbKEI=?=", u"テスト あ"},
        {"ESC ( J run switching to kanji", u"\x1b(Ja\x1b$B$\"\x1b(B", u"aあ"},
    });
}

// An undecodable word empties the whole value, the text around it included, so that its
// message is never deleted.
TEST(EncodedWordDecoding, GivesEmptyTextForAnUndecodableWord)
{
    const struct { const char* name; QStringView value; } rows[] = {
        {"unknown charset", u"Re: =?X-UNKNOWN?B?YWJj?= [1]"},
        {"Base64 character outside the alphabet", u"Re: =?UTF-8?B?YW.j?= [1]"},
        {"Base64 fill inside the text", u"Re: =?UTF-8?B?YQ=j?= [1]"},
        {"Base64 one character too long", u"Re: =?UTF-8?B?YWJjZ?= [1]"},
        {"\"=\" with one digit", u"Re: =?UTF-8?Q?a=4?= [1]"},
        {"\"=\" with a non-digit", u"Re: =?UTF-8?Q?a=G0?= [1]"},
        {"byte invalid in UTF-8", u"Re: =?UTF-8?B?/w==?= [1]"},
        {"UTF-8 character cut off", u"Re: =?UTF-8?B?44E=?= [1]"},
        {"ISO-2022-JP pair cut off", u"Re: =?ISO-2022-JP?B?GyRCJCIk?= [1]"},
        {"unknown encoding", u"Re: =?UTF-8?X?abc?= [1]"},
        {"word never closed", u"Re: =?ISO-2022-JP?B?GyRCJCIbKEI="},
        {"word whose \"?\" is not followed by \"=\"", u"Re: =?UTF-8?Q?a?b [1]"},
        {"blank inside the word", u"Re: =?UTF-8?B?5pel 5pys6Kqe?= [1]"},
        {"eight-bit character in Q text", u"Re: =?UTF-8?Q?caf\u00e9?= [1]"},
        {"bad word among good ones", u"=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?UTF-8?B?/w==?= [1]"},
        {"eight-bit character inside a raw run", u"Re: \x1b$B$\"あ\x1b(B [1]"},
        {"raw run cut off mid-character", u"Re: \x1b$B$\"$\x1b(B [1]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecodeHeaderText(row.value.toString()), QString());
    }
    // Converters are reused: one that has just failed must decode the next value.
    EXPECT_EQ(DecodeHeaderText(QStringLiteral("=?UTF-8?B?5pel?= =?ISO-2022-JP?B?GyRCJCIbKEI=?=")),
              QStringLiteral("日あ"));
}

// clang-format on

} // namespace
