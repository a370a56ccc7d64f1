#include "dialogs/control/SingleServerCheck.h"

#include "support/AppHarness.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// The windows as a test sees them: every request in order.
struct RecordingWindows : SingleServerWindows
{
    void showChecking() override { calls << QStringLiteral("checking"); }
    void showEditing() override { calls << QStringLiteral("editing"); }
    void leaveToMainWindow() override { calls << QStringLiteral("main window"); }
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

TEST(SingleServerCheck, AFileThatCannotBeWrittenIsReportedNotTakenForSuccess)
{
    SingleServerHarness h;
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("PostSweep1.ini")));
    h.check.pressOk(kGood);
    h.loop.advance(100ms);

    ASSERT_EQ(h.windows.calls.size(), 4);
    EXPECT_EQ(h.windows.calls.mid(0, 3), QStringList({"checking", "hide monitor", "editing"}));
    EXPECT_TRUE(h.windows.calls.at(3).startsWith(
        QStringLiteral("warn PostSweep1.iniを保存できませんでした")));
}

} // namespace
