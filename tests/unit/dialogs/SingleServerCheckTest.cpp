#include "dialogs/control/SingleServerCheck.h"

#include "settings/OptionsFile.h"
#include "support/AppHarness.h"
#include "support/Files.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The windows as a test sees them: every request in order.
struct RecordingWindows : SingleServerWindows
{
    void showChecking() override { calls << QStringLiteral("checking"); }
    void showEditing() override { calls << QStringLiteral("editing"); }
    void leaveToMainWindow() override { calls << u"main window"_qs; }
    void hideMonitor() override { calls << QStringLiteral("hide monitor"); }
    void warn(const QString& text) override { calls << QStringLiteral("warn ") + text; }
    QStringList calls;
};

struct SingleServerHarness : AppHarness
{
    SingleServerHarness() { server.setMailbox({.headers = {"Subject: one\r\n"}}); }
    RecordingWindows windows;
    SingleServerCheck check{ctx, windows};
};

const SingleServerCheck::Fields kGood{QStringLiteral("pop.example"), QStringLiteral("110"),
                                      QStringLiteral("alice"), QStringLiteral("secret")};

TEST(SingleServerCheck, IncompleteOrUnstorableFieldsAreRefusedBeforeConnecting)
{
    const QString incomplete = QStringLiteral("全項目入力してください");
    const auto with = [](auto change) {
        SingleServerCheck::Fields f = kGood;
        change(f);
        return f;
    };
    // clang-format off
    const struct { const char* name; SingleServerCheck::Fields fields; QString messageStart; } rows[] = {
        {"no host", with([](auto& f) { f.host.clear(); }), incomplete},
        {"no account", with([](auto& f) { f.account.clear(); }), incomplete},
        {"no password", with([](auto& f) { f.password.clear(); }), incomplete},
        {"port 0", with([](auto& f) { f.port = QStringLiteral("0"); }), incomplete},
        {"port 65536", with([](auto& f) { f.port = QStringLiteral("65536"); }), incomplete},
        {"port not a number", with([](auto& f) { f.port = QStringLiteral("1a"); }), incomplete},
        {"line break in the host", with([](auto& f) { f.host = QStringLiteral("a\nb"); }), QStringLiteral("「受信サーバ名」に改行")},
        {"emoji in the password", with([](auto& f) { f.password = QStringLiteral("pw😀"); }), QStringLiteral("「パスワード」にシフトJISで表せない文字「😀」")},
    };
    // clang-format on
    for (const auto& row : rows) {
        SingleServerHarness h;
        h.check.pressOk(row.fields);
        ASSERT_EQ(h.windows.calls.size(), 1) << row.name;
        EXPECT_TRUE(h.windows.calls.first().startsWith(QStringLiteral("warn ") + row.messageStart))
            << row.name << ": " << h.windows.calls.first().toStdString();
        EXPECT_EQ(h.server.connections(), 0) << row.name;
        EXPECT_FALSE(h.ctx.engine.heldBy(EngineOwner::User::Check)) << row.name;
    }
    SingleServerHarness h;
    h.check.pressOk(with([](auto& f) {
        f.port = QStringLiteral("65535");
        f.password = QStringLiteral("a\"b"); // scrambled, so a double quote is fine
    }));
    EXPECT_EQ(h.windows.calls, QStringList({"checking"}));

    SingleServerHarness busy; // a run holds the engine: refused, the run untouched
    busy.ctx.engine.request(EngineOwner::User::Run, {});
    busy.check.pressOk(kGood);
    EXPECT_EQ(busy.windows.calls, QStringList({"warn 実行中です。終了後に確認してください"}));
    EXPECT_EQ(busy.server.connections(), 0);
    EXPECT_TRUE(busy.ctx.engine.heldBy(EngineOwner::User::Run));
}

// The mode is checked on the wire and kept beside the record, whose line keeps its format;
// the record holds the password: an older file others could read is tightened too.
TEST(SingleServerCheck, TheRecordIsWrittenOwnerOnlyAndTheModeBesideIt)
{
    SingleServerHarness h;
    const QString path = h.ctx.singleServerPath();
    ASSERT_TRUE(writeFile(path, "old"));
    chmod(path.toLocal8Bit().constData(), 0644);
    SingleServerCheck::Fields fields = kGood;
    fields.port = u"995"_qs;
    fields.security = ConnectionSecurity::Tls;
    h.check.pressOk(fields);
    h.loop.advance(100ms);
    ASSERT_EQ(h.windows.calls.last(), u"main window"_qs);
    EXPECT_EQ(fileMode(path), 0600);
    EXPECT_TRUE(h.server.transcript().contains("connect-tls pop.example:995 -"));
    EXPECT_EQ(readFile(path), SingleServerCheck::record(995, "pop.example", "alice", "secret"));
    EXPECT_EQ(OptionsFile::loadSingleSecurity(h.dir.path()), ConnectionSecurity::Tls);
}

TEST(SingleServerCheck, AFileThatCannotBeWrittenIsReportedNotTakenForSuccess)
{
    SingleServerHarness h;
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("PostSweep1.ini")));
    h.check.pressOk(kGood);
    h.loop.advance(100ms);

    ASSERT_EQ(h.windows.calls.size(), 4);
    EXPECT_EQ(h.windows.calls.mid(0, 3), QStringList({"checking", "hide monitor", "editing"}));
    EXPECT_EQ(h.windows.calls.at(3),
              QStringLiteral(
                  "warn 設定ファイル「%1」を保存できませんでした（同じ名前のフォルダがあります）。")
                  .arg(h.ctx.singleServerPath()));
}

} // namespace
