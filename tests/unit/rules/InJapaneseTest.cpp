#include "rules/DeletionRules.h"

#include <gtest/gtest.h>

TEST(InJapanese, DoubleByteCharactersAndTheCodeZeroCountOthersDoNot)
{
    const struct
    {
        const char* name;
        QString text;
        qint16 expected;
    } rows[] = {
        {"hiragana", QStringLiteral("あ"), 1},
        {"kanji at the end", QStringLiteral("Meeting 会議"), 1},
        {"full-width katakana", QStringLiteral("セール"), 1},
        {"ideographic space between ASCII words", QStringLiteral("Sale\u3000now"), 1},
        {"full-width Latin letter", QStringLiteral("\uFF21BC"), 1},
        {"full-width digit", QStringLiteral("Price \uFF11"), 1},
        {"full-width tilde", QStringLiteral("a\uFF5Eb"), 1},
        {"circled digit (NEC row 13)", QStringLiteral("\u2460"), 1},
        {"IBM extension kanji", QStringLiteral("\u9AD9"), 1},
        {"Greek capital omega", QStringLiteral("\u03A9"), 1},
        {"Cyrillic capital de", QStringLiteral("\u0414"), 1},
        {"NUL alone", QString(QChar(u'\0')), 1},
        {"NUL after ASCII", QStringLiteral("abc") + QChar(u'\0'), 1},
        {"empty", QString(), 0},
        {"ASCII letters and digits", QStringLiteral("Hello world 2026"), 0},
        {"ASCII punctuation, backslash and tilde", QStringLiteral("!\"#$%&'()\\~|{}"), 0},
        {"control characters", QStringLiteral("\t\r\n\x01\x7F"), 0},
        {"half-width katakana", QStringLiteral("\uFF7E\uFF70\uFF99"), 0},
        {"ASCII and half-width katakana", QStringLiteral("Sale \uFF7E\uFF70\uFF99 50%"), 0},
        {"Latin small e with acute (no code)", QStringLiteral("caf\u00E9"), 0},
        {"Hangul (no code)", QStringLiteral("\uD55C\uAD6D"), 0},
        {"emoji outside the BMP (no code)", QStringLiteral("\U0001F600"), 0},
        {"wave dash U+301C (the code maps to U+FF5E)", QStringLiteral("\u301C"), 0},
        {"replacement character", QStringLiteral("\uFFFD"), 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InJapanese(row.text), row.expected) << row.name;
}
