#include "platform/Codepage.h"

#include <gtest/gtest.h>

using platform::cp932Code;
using platform::decodeCharset;
using platform::decodeCp932;
using platform::encodeCp932;

TEST(Cp932Code, UsesMicrosoftsTable)
{
    struct Row
    {
        const char* name;
        char32_t character;
        int code;
    };
    const Row rows[] = {
        {"ASCII letter", U'A', 0x41},
        {"backslash stays backslash", U'\\', 0x5C},
        {"tilde stays tilde", U'~', 0x7E},
        {"control character SUB", U'\x1A', 0x1A},
        {"control character FS", U'\x1C', 0x1C},
        {"control character DEL", U'\x7F', 0x7F},
        {"half-width katakana", U'ｱ', 0xB1},
        {"hiragana", U'あ', 0x82A0},
        {"ideographic space", U'\u3000', 0x8140},
        {"fullwidth tilde", U'～', 0x8160},
        {"parallel to", U'∥', 0x8161},
        {"fullwidth hyphen-minus", U'－', 0x817C},
        {"circled one (NEC special)", U'①', 0x8740},
        {"IBM extension", U'纊', 0xFA5C},
        {"wave dash has none", U'〜', -1},
        {"double vertical line has none", U'‖', -1},
        {"minus sign has none", U'−', -1},
        {"yen sign has none", U'¥', -1},
        {"replacement character has none", U'\uFFFD', -1},
        {"emoji has none", U'😀', -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(cp932Code(row.character), row.code);
    }
}

TEST(EncodeCp932, WritesBytesAndReportsCharactersWithoutACode)
{
    const auto plain = encodeCp932(u"a～①\\∥あ");
    EXPECT_TRUE(plain.ok());
    EXPECT_EQ(plain.bytes, QByteArray("a\x81\x60\x87\x40\\\x81\x61\x82\xA0"));

    const auto mixed = encodeCp932(u"x😀y¥z〜");
    EXPECT_FALSE(mixed.ok());
    EXPECT_EQ(mixed.bytes, QByteArray("xyz"));
    EXPECT_EQ(mixed.unencodable, u"😀¥〜"_qs);
}

TEST(DecodeCp932, ReadsMicrosoftsTableAndMarksInvalidBytes)
{
    struct Row
    {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const Row rows[] = {
        {"ASCII and backslash", "a\\~", u"a\\~"_qs},
        {"controls as ASCII", "\x1A\x1C\x7F", u"\x1A\x1C\x7F"_qs},
        {"double-byte", "\x81\x60\x87\x40\x81\x61\x82\xA0", u"～①∥あ"_qs},
        {"NEC-selected IBM extension", "\xED\x40", u"纊"_qs},
        {"half-width katakana", "\xB1\xDF", u"ｱﾟ"_qs},
        {"NUL kept", QByteArray("a\0b", 3), QString::fromUtf16(u"a\0b", 3)},
        {"byte without a character",
         "a\xFF"
         "b",
         u"a\uFFFDb"_qs},
        {"0x80 and 0xA0", "\x80\xA0", u"\uFFFD\uFFFD"_qs},
        {"lead byte at the end", "a\x82", u"a\uFFFD"_qs},
        {"lead byte before a space", "\x82 b", u"\uFFFD b"_qs},
        {"lead byte before an unassigned trail", "\x81\xADZ", u"\uFFFDZ"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decodeCp932(row.bytes), row.text);
    }
}

TEST(DecodeCharset, DecodesTheCharsetsMailHeadersName)
{
    struct Row
    {
        const char* name;
        QByteArray charset;
        QByteArray bytes;
        QString text;
    };
    const Row rows[] = {
        {"ISO-2022-JP ESC $ B", "ISO-2022-JP", "\x1b$B$\"$$\x1b(B!", u"あい!"_qs},
        {"ISO-2022-JP ESC $ @", "iso-2022-jp", "\x1b$@4A;z\x1b(B", u"漢字"_qs},
        {"ISO-2022-JP ESC ( J", "ISO-2022-JP", "\x1b(JAB\x1b(Bc", u"ABc"_qs},
        {"ISO-2022-JP ESC ( I", "ISO-2022-JP", "\x1b(I12\x1b(B", u"ｱｲ"_qs},
        {"ISO-2022-JP without escapes", "ISO-2022-JP", "plain", u"plain"_qs},
        {"UTF-8", "UTF-8", "\xE3\x81\x82\xEF\xBD\x9E", u"あ～"_qs},
        {"utf-8 lower case", "utf-8", "abc", u"abc"_qs},
        {"Shift_JIS with Microsoft's extensions", "Shift_JIS", "\x82\xA0\x81\x60\x87\x40",
         u"あ～①"_qs},
        {"EUC-JP", "EUC-JP", "\xA4\xA2\xB4\xC1", u"あ漢"_qs},
        {"ISO-8859-1", "ISO-8859-1", "caf\xE9", u"café"_qs},
        {"ISO-8859-15", "ISO-8859-15", "\xA4", u"€"_qs},
        {"windows-1252", "windows-1252", "\x80\x93", u"€“"_qs},
        {"US-ASCII", "us-ascii", "hello", u"hello"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto text = decodeCharset(row.bytes, row.charset);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, row.text);
    }
}

TEST(DecodeCharset, GivesNothingForUnknownCharsetsAndInvalidBytes)
{
    struct Row
    {
        const char* name;
        QByteArray charset;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"unknown charset", "x-no-such-charset", "abc"},
        {"empty charset", "", "abc"},
        {"invalid UTF-8", "UTF-8", "a\xC3("},
        {"Shift_JIS lead byte cut off", "Shift_JIS", "a\x82"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(decodeCharset(row.bytes, row.charset).has_value());
    }
}
