#include "dialogs/control/ServerSetCommands.h"

#include "support/AppHarness.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// An own address the To and Cc rules cannot match against would delete every message.
TEST(SettingsFinish, AnOwnAddressTheRulesCannotUseIsRefusedAndNothingIsWritten)
{
    // clang-format off
    const struct { const char* name; int profile; void (*spoil)(ServerProfile&); QString where; } rows[] = {
        {"own address with a blank inside, To rule set", 3, [](ServerProfile& p) { p.MyAddress = QStringLiteral("taro @example.jp"); p.RuleNotToMe = 1; }, QStringLiteral("サーバ設定3 の「メールアドレス」に空白")},
        {"own address without \"@\", Cc rule set", 2, [](ServerProfile& p) { p.MyAddress = QStringLiteral("\u3000taro.example.jp"); p.RuleNotCcMe = 1; }, QStringLiteral("サーバ設定2 の「メールアドレス」に「@」")},
    };
    // clang-format on
    for (const auto& row : rows) {
        AppHarness h;
        h.completeProfile(1);
        row.spoil(h.ctx.settings.profile(row.profile));

        const auto refused = serverset::finish(h.ctx.settings, h.ctx.settingsPath());
        ASSERT_TRUE(refused.has_value()) << row.name;
        EXPECT_TRUE(refused->startsWith(row.where)) << row.name << ": " << refused->toStdString();
        EXPECT_EQ(serverset::validate(h.ctx.settings), refused) << row.name;
        EXPECT_FALSE(QFile::exists(h.ctx.settingsPath())) << row.name;
    }
}

TEST(SettingsFinish, OwnAddressPassesWithBlanksAroundItOrWithoutASetToOrCcRule)
{
    const struct
    {
        const char* name;
        QString address;
        qint16 toRule, ccRule;
        // clang-format off
    } rows[] = {
        {"blanks around it", " taro@example.jp\u3000", 1, 1},
        {"blank inside, rules off", "taro @example.jp", 0, 0},
        {"no \"@\", grey check boxes", "taro", 2, 2},
    };
    // clang-format on
    for (const auto& row : rows) {
        AppHarness h;
        h.completeProfile(1);
        ServerProfile& p = h.ctx.settings.profile(1);
        p.MyAddress = row.address;
        p.RuleNotToMe = row.toRule;
        p.RuleNotCcMe = row.ccRule;
        EXPECT_EQ(serverset::finish(h.ctx.settings, h.ctx.settingsPath()), std::nullopt)
            << row.name;
    }
}
} // namespace
