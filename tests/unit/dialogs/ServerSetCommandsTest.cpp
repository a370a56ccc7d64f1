#include "dialogs/control/ServerSetCommands.h"

#include "support/AppHarness.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(EnabledRefresh, HostAccountAndPasswordDecideAlone)
{
    struct Row
    {
        const char* name;
        QString server, id, password, port;
        bool enabled;
    };
    const Row rows[] = {
        {"all three", "pop.example", "alice", "pw", "110", true},
        {"blanks count as content", " ", " ", " ", "110", true},
        {"empty port does not matter", "pop.example", "alice", "pw", "", true},
        {"no password", "pop.example", "alice", "", "110", false},
        {"no account", "pop.example", "", "pw", "110", false},
        {"no host", "", "alice", "pw", "110", false},
    };
    for (const Row& row : rows) {
        SettingsModel settings;
        ServerProfile& p = settings.profile(2);
        p.Server = row.server;
        p.Id = row.id;
        p.PassWd = row.password;
        p.Port = row.port;
        p.Enabled = !row.enabled; // the refresh must overwrite, not keep
        serverset::refreshEnabled(settings);
        EXPECT_EQ(settings.profile(2).Enabled, row.enabled) << row.name;
    }
}

TEST(SettingsFinish, UnstorableTextIsRefusedNamingTheProfileAndNothingIsWritten)
{
    struct Row
    {
        const char* name;
        int profile;
        void (*spoil)(ServerProfile&);
        QString where;
    };
    const Row rows[] = {
        {"double quote in a subject word", 2,
         [](ServerProfile& p) { p.SubjectWords[3] = QStringLiteral("say \"hi\""); },
         QStringLiteral("サーバ設定2 の「タイトル文字列4」に")},
        {"line break in the address", 4,
         [](ServerProfile& p) { p.MyAddress = QStringLiteral("me@\nexample"); },
         QStringLiteral("サーバ設定４ の「メールアドレス」に")},
        {"no code page 932 code in a sender word", 5,
         [](ServerProfile& p) { p.SenderWords[9] = QStringLiteral("😀"); },
         QStringLiteral("サーバ設定５ の「差出人文字列10」に")},
        {"line break in the password", 1,
         [](ServerProfile& p) { p.PassWd = QStringLiteral("pw\r\n"); },
         QStringLiteral("サーバ設定1 の「パスワード」に")},
        {"own address with a blank inside, To rule set", 3,
         [](ServerProfile& p) {
             p.MyAddress = QStringLiteral("taro @example.jp");
             p.RuleNotToMe = 1;
         },
         QStringLiteral("サーバ設定3 の「メールアドレス」に空白")},
        {"own address without \"@\", Cc rule set", 2,
         [](ServerProfile& p) {
             p.MyAddress = QStringLiteral("\u3000taro.example.jp");
             p.RuleNotCcMe = 1;
         },
         QStringLiteral("サーバ設定2 の「メールアドレス」に「@」")},
    };
    for (const Row& row : rows) {
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
    } rows[] = {
        {"blanks around it", " taro@example.jp\u3000", 1, 1},
        {"blank inside, rules off", "taro @example.jp", 0, 0},
        {"no \"@\", grey check boxes", "taro", 2, 2},
    };
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

TEST(SettingsFinish, AFileThatCannotBeWrittenKeepsTheDialogOpenWithTheReason)
{
    AppHarness h;
    h.completeProfile(1);
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("PostSweep.ini"))); // a folder in its place

    const auto refused = serverset::finish(h.ctx.settings, h.ctx.settingsPath());
    EXPECT_EQ(
        refused,
        QStringLiteral("設定ファイル「%1」を保存できませんでした（同じ名前のフォルダがあります）。")
            .arg(h.ctx.settingsPath()));
}

} // namespace
