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
    void showChecking() override { calls << u"checking"_qs; }
    void showEditing() override { calls << u"editing"_qs; }
    void leaveToMainWindow() override { calls << u"main window"_qs; }
    void hideMonitor() override { calls << u"hide monitor"_qs; }
    void warn(const QString& text) override { calls << u"warn "_qs + text; }
    QStringList calls;
};

struct SingleServerHarness : AppHarness
{
    SingleServerHarness() { server.setMailbox({.headers = {"Subject: one\r\n"}}); }
    RecordingWindows windows;
    SingleServerCheck check{ctx, windows};
};

const SingleServerCheck::Fields kGood{"pop.example", "110", "alice", "secret"};

TEST(SingleServerCheck, IncompleteOrUnstorableFieldsAreRefusedBeforeConnecting)
{
    const QString incomplete = u"warn 全項目入力してください"_qs;
    // clang-format off
    const struct { const char* name; SingleServerCheck::Fields fields; QString firstCall; } rows[] = {
        {"no host", {"", "110", "alice", "secret"}, incomplete},
        {"no account", {"pop.example", "110", "", "secret"}, incomplete},
        {"no password", {"pop.example", "110", "alice", ""}, incomplete},
        {"port 0", {"pop.example", "0", "alice", "secret"}, incomplete},
        {"port 65536", {"pop.example", "65536", "alice", "secret"}, incomplete},
        {"port not a number", {"pop.example", "1a", "alice", "secret"}, incomplete},
        {"line break in the host", {"a\nb", "110", "alice", "secret"}, u"warn 「受信サーバ名」に改行"_qs},
        {"emoji in the password", {"pop.example", "110", "alice", "pw😀"}, u"warn 「パスワード」にシフトJISで表せない文字「😀」"_qs},
        {"port 65535, a double quote in the password (scrambled)", {"pop.example", "65535", "alice", "a\"b"}, u"checking"_qs},
    };
    // clang-format on
    for (const auto& row : rows) {
        SingleServerHarness h;
        h.check.pressOk(row.fields);
        const bool accepted = row.firstCall == u"checking"_qs;
        ASSERT_EQ(h.windows.calls.size(), 1) << row.name;
        EXPECT_TRUE(h.windows.calls.first().startsWith(row.firstCall))
            << row.name << ": " << h.windows.calls.first().toStdString();
        EXPECT_EQ(h.server.connections(), accepted ? 1 : 0) << row.name;
        EXPECT_EQ(h.ctx.engine.heldBy(EngineOwner::User::Check), accepted) << row.name;
    }
    SingleServerHarness busy; // a run holds the engine: refused, the run untouched
    busy.ctx.engine.request(EngineOwner::User::Run, {});
    busy.check.pressOk(kGood);
    EXPECT_EQ(busy.windows.calls, QStringList({"warn 実行中です。終了後に確認してください"}));
    EXPECT_EQ(busy.server.connections(), 0);
    EXPECT_TRUE(busy.ctx.engine.heldBy(EngineOwner::User::Run));
}

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
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(u"PostSweep1.ini"_qs));
    h.check.pressOk(kGood);
    h.loop.advance(100ms);
    const QString warning =
        u"warn 設定ファイル「%1」を保存できませんでした（同じ名前のフォルダがあります）。"_qs;
    EXPECT_EQ(h.windows.calls, (QStringList{"checking", "hide monitor", "editing",
                                            warning.arg(h.ctx.singleServerPath())}));
}

} // namespace
