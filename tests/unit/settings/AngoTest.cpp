#include "settings/Ango.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

const QString kKeys[] = {QString::fromUtf16(ango::kHostKey), QString::fromUtf16(ango::kUserKey),
                         QString::fromUtf16(ango::kPasswordKey)};

} // namespace

// Every text that code page 932 holds comes back; for ASCII, four characters from ";" to
// "z" stand for every three bytes, and a double-byte character counts two bytes.
TEST(Encrypt, RoundTripsAsciiAndJapaneseTextsWithEveryKey)
{
    QString ascii;
    for (int c = 0; c < 128; ++c)
        ascii += QChar(c);
    const QString japanese = u"あいうアイウｱｲｳ漢字～①∥、。　\"',ー髙纊ABC"_qs;
    std::mt19937 engine(20050314);
    for (const QString& alphabet : {ascii, japanese}) {
        std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
        for (const QString& key : {kKeys[0], kKeys[1], kKeys[2], QString(), u"鍵"_qs}) {
            for (QString text; text.size() < 40; text += alphabet.at(pick(engine))) {
                const QString scrambled = Encrypt(text, key);
                bool ok = false;
                EXPECT_EQ(Decrypt(scrambled, key, &ok), text) << key.toStdString();
                EXPECT_TRUE(ok);
                EXPECT_TRUE(std::all_of(scrambled.begin(), scrambled.end(),
                                        [](QChar c) { return c >= u';' && c <= u'z'; }));
                if (alphabet == ascii) {
                    EXPECT_EQ(scrambled.size(), text.size() + (text.size() + 2) / 3);
                }
            }
        }
    }
    EXPECT_EQ(Encrypt(u"あ漢"_qs, kKeys[2]).size(), 6);
    EXPECT_EQ(Encrypt(u"ｱ"_qs, kKeys[2]).size(), 2);
}

TEST(Decrypt, FailsOnTextThatDidNotComeFromEncrypt)
{
    // Bytes that XOR back to 0xFF, which code page 932 has no character for.
    Cipher notCp932;
    notCp932.KeyString(kKeys[1]);
    notCp932.Text("\xFF");
    notCp932.DoXor();
    notCp932.Stretch();
    const QString undecodable = QString::fromLatin1(notCp932.Text());
    // clang-format off
    const struct { const char* name; QString text; } rows[] = {
        {"character below ;", u"HX?@F?f<_WfK@qWLMb:"_qs},
        {"character above z", u"HX?@F?f<_WfK@qWLMb{"_qs},
        {"non-Latin character", u"HX?あ"_qs},
        {"bytes without a character", undecodable},
    };
    // clang-format on
    for (const auto& row : rows) {
        bool ok = true;
        EXPECT_EQ(Decrypt(row.text, kKeys[1], &ok), QString()) << row.name;
        EXPECT_FALSE(ok) << row.name;
    }
}
