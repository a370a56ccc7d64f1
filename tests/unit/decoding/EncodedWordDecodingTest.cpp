#include "pop3/Base64_shiftJIS.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

// clang-format off
TEST(EncodedWordDecoding, DecodesWordsAndRawRunsLeavesPlainTextAndEmptiesTheUndecodable)
{
    const struct { const char* name; QStringView value; QStringView expected; } rows[] = {
        {"ASCII", u"Meeting at 10:00", u"Meeting at 10:00"},
        {"\"=?\" that begins no word", u"1+1=? 2 =?", u"1+1=? 2 =?"},
        {"ESC that opens no run", u"a\x1b(Bb", u"a\x1b(Bb"},
        {"Q with underscore", u"=?US-ASCII?Q?Keith_Moore?= <moore@cs.utk.edu>", u"Keith Moore <moore@cs.utk.edu>"},
        {"Q escape", u"=?ISO-8859-1?Q?Keld_J=F8rn_Simonsen?= <keld@dkuug.dk>", u"Keld Jørn Simonsen <keld@dkuug.dk>"},
        {"two charsets, blank between words dropped", u"=?ISO-8859-1?B?SWYgeW91IGNhbiByZWFkIHRoaXMgeW8=?= =?ISO-8859-2?B?dSB1bmRlcnN0YW5kIHRoZSBleGFtcGxlLg==?=", u"If you can read this you understand the example."},
        {"unfolded tab and blanks", u"(=?ISO-8859-1?Q?a?=\t   =?ISO-8859-1?Q?b?=)", u"(ab)"},
        {"escape whose second digit is 0", u"=?ISO-8859-1?Q?a=20b=3D=E0?=", u"a b=à"},
        {"RFC 2231 language", u"=?US-ASCII*EN?Q?Keith_Moore?=", u"Keith Moore"},
        {"ISO-2022-JP B", u"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", u"テスト"},
        {"lower-case label and letter, B", u"=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", u"テスト"},
        {"unpadded Base64", u"=?ISO-2022-JP?B?GyRCJCIbKEI?=", u"あ"},
        {"two folded words, closing escape in the second", u"=?ISO-2022-JP?B?GyRCJCpDTg==?= =?ISO-2022-JP?B?JGkkOxsoQg==?=", u"お知らせ"},
        {"self-contained words, B", u"=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?ISO-2022-JP?B?GyRCJCQbKEI=?=", u"あい"},
        {"self-contained words, Q in either case", u"=?iso-2022-jp?q?=1b$B$\"=1b(B?= =?ISO-2022-JP?Q?=1B$B$$=1B(B?=", u"あい"},
        {"self-contained words, the first closing with ESC ( J", u"=?ISO-2022-JP?B?GyRCJCIbKEo=?= =?ISO-2022-JP?B?GyRCJCQbKEI=?=", u"あい"},
        {"UTF-8 character split across words", u"=?UTF-8?B?5pel5g==?= =?utf-8?B?nKzoqp4=?=", u"日本語"},
        {"Shift_JIS", u"=?Shift_JIS?B?g2WDWINn?=", u"テスト"},
        {"blanks to plain text stay", u"Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= [No.12]", u"Re: テスト [No.12]"},
        {"run inside text", u"Re: \x1b$B%F%9%H\x1b(B mail", u"Re: テスト mail"},
        {"ESC $ @ run", u"\x1b$@$\"\x1b(B", u"あ"},
        {"ESC ( J run", u"\x1b(Jabc\x1b(B", u"abc"},
        {"ESC ( I half-width katakana", u"\x1b(I123\x1b(B", u"ｱｲｳ"},
        {"\"=?\" inside a run is a kanji", u"\x1b$B=?\x1b(B", u"戎"},
        {"run left open to the end", u"\x1b$B$\"", u"あ"},
        {"run ending in ESC ( J, then a word", u"\x1b$B%F%9%H\x1b(J =?ISO-2022-JP?B?GyRCJCIbKEI=?=", u"テスト あ"},
        {"ESC ( J run switching to kanji", u"\x1b(Ja\x1b$B$\"\x1b(B", u"aあ"},
        // An undecodable word empties the whole value, the text around it included, so that
        // its message is never deleted.
        {"unknown charset", u"Re: =?X-UNKNOWN?B?YWJj?= [1]", u""},
        {"Base64 character outside the alphabet", u"Re: =?UTF-8?B?YW.j?= [1]", u""},
        {"Base64 one character too long", u"Re: =?UTF-8?B?YWJjZ?= [1]", u""},
        {"\"=\" with one digit", u"Re: =?UTF-8?Q?a=4?= [1]", u""},
        {"\"=\" with a non-digit", u"Re: =?UTF-8?Q?a=G0?= [1]", u""},
        {"ISO-2022-JP pair cut off", u"Re: =?ISO-2022-JP?B?GyRCJCIk?= [1]", u""},
        {"unknown encoding", u"Re: =?UTF-8?X?abc?= [1]", u""},
        {"word never closed", u"Re: =?ISO-2022-JP?B?GyRCJCIbKEI=", u""},
        {"word whose \"?\" is not followed by \"=\"", u"Re: =?UTF-8?Q?a?b [1]", u""},
        {"bad word among good ones", u"=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?UTF-8?B?/w==?= [1]", u""},
        {"eight-bit character inside a raw run", u"Re: \x1b$B$\"あ\x1b(B [1]", u""},
        {"raw run cut off mid-character", u"Re: \x1b$B$\"$\x1b(B [1]", u""},
        // Converters are reused: one that has just failed must decode the next value.
        {"a good value after the failures", u"=?UTF-8?B?5pel?= =?ISO-2022-JP?B?GyRCJCIbKEI=?=", u"日あ"},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(DecodeHeaderText(row.value.toString()), row.expected.toString()) << row.name;
}

} // namespace
