#include "dialogs/control/ServerSetCommands.h"

#include "dialogs/control/ConnectionChoice.h"
#include "settings/OptionsFile.h"
#include "support/AppHarness.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

// An own address no rule can match deletes every message; a port that is none fails every run.
TEST(SettingsFinish, AFieldTheRunCannotUseIsRefusedAndNothingIsWritten)
{
    // clang-format off
    const struct { const char* name; int profile; void (*spoil)(ServerProfile&); QString where; /* empty: accepted */ } rows[] = {
        {"own address with a blank inside, To rule set", 3, [](ServerProfile& p) { p.MyAddress = u"taro @example.jp"_qs; p.RuleNotToMe = 1; }, u"サーバ設定3 の「メールアドレス」に空白"_qs},
        {"own address without \"@\", Cc rule set", 2, [](ServerProfile& p) { p.MyAddress = u"\u3000taro.example.jp"_qs; p.RuleNotCcMe = 1; }, u"サーバ設定2 の「メールアドレス」に「@」"_qs},
        {"typed port out of range on an unused profile", 2, [](ServerProfile& p) { p.Connection.port = u"99999"_qs; }, u"サーバ設定2 の「受信ポート」に"_qs},
        {"stored port with a letter on the enabled profile", 1, [](ServerProfile& p) { p.Port = u"11o"_qs; }, u"サーバ設定1 の「受信ポート」に"_qs},
        {"own address with blanks around it", 1, [](ServerProfile& p) { p.MyAddress = u" taro@example.jp\u3000"_qs; p.RuleNotToMe = 1; p.RuleNotCcMe = 1; }, {}},
        {"blank inside, rules off", 1, [](ServerProfile& p) { p.MyAddress = u"taro @example.jp"_qs; }, {}},
        {"no \"@\", grey check boxes", 1, [](ServerProfile& p) { p.MyAddress = u"taro"_qs; p.RuleNotToMe = 2; p.RuleNotCcMe = 2; }, {}},
    };
    // clang-format on
    for (const auto& row : rows) {
        AppHarness h;
        h.completeProfile(1);
        row.spoil(h.ctx.settings.profile(row.profile));
        const auto refused = serverset::finish(h.ctx.settings, h.ctx.settingsPath());
        EXPECT_EQ(refused.has_value(), !row.where.isEmpty()) << row.name;
        EXPECT_TRUE(refused.value_or(QString()).startsWith(row.where)) << row.name;
        EXPECT_EQ(serverset::validate(h.ctx.settings), refused) << row.name;
        EXPECT_EQ(QFile::exists(h.ctx.settingsPath()), !refused) << row.name;
    }
}

TEST(SettingsFinish, ConnectionsStartEncryptedOnlyWhenNewAndReachTheCompanionFile)
{
    AppHarness h;
    SettingsModel& settings = h.ctx.settings;
    h.completeProfile(1);
    settings.profile(1).Port = u"8110"_qs; // as loaded
    h.completeProfile(3);
    settings.profile(3).Connection = {ConnectionSecurity::StartTls, u"0995"_qs, {}};
    connection::startBlankProfilesEncrypted(settings);
    EXPECT_EQ(settings.profile(1).connectionPort(), "8110");
    EXPECT_EQ(settings.profile(2).connectionPort(), "995");
    h.completeProfile(2); // filled in from empty
    ASSERT_EQ(serverset::finish(settings, h.ctx.settingsPath()), std::nullopt);
    const OptionsFile stored = OptionsFile::load(h.dir.path());
    EXPECT_EQ(stored.connection(1), ProfileConnection{});
    EXPECT_EQ(stored.connection(2), (ProfileConnection{ConnectionSecurity::Tls, "995", {}}));
    EXPECT_EQ(stored.connection(3), (ProfileConnection{ConnectionSecurity::StartTls, "995", {}}));
    EXPECT_EQ(stored.connection(4), ProfileConnection{}); // blank: nothing written
}

TEST(ConnectionChoice, PortFollowsTheModeAndOnlyAWholeFingerprintCanBePinned)
{
    using S = ConnectionSecurity;
    for (const auto& [port, from, to, moved] : {std::tuple{"110", S::None, S::Tls, "995"},
                                                {"995", S::Tls, S::StartTls, "110"},
                                                {"8110", S::None, S::Tls, "8110"},
                                                {"995", S::None, S::Tls, "995"}})
        EXPECT_EQ(connection::portAfterModeChange(port, from, to), moved) << port;
    const QByteArray sha256 = QByteArray::fromHex(QByteArray("00ff").repeated(16));
    const QString hex = QString::fromLatin1(sha256.toHex());
    for (const auto& [text, accepted] :
         {std::pair{u"\u3000証明書の SHA-256 指紋: "_qs + QString::fromLatin1(sha256.toHex(':')),
                    true},
          {u"指紋:"_qs + hex, true},
          {" " + hex.toUpper().insert(32, u' ') + " ", true}, // as typed
          {hex.chopped(1), false},
          {hex + u'0', false},
          {hex.chopped(1) + u'g', false}})
        EXPECT_EQ(connection::parseFingerprint(text),
                  accepted ? std::optional(sha256) : std::nullopt)
            << text.toStdString();
}

} // namespace
