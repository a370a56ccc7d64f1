#pragma once

#include "app/control/Form1Model.h"
#include "app/control/RunController.h"
#include "app/control/Shell.h"
#include "support/AppHarness.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

// The desktop's shell is also the engine's command monitor, so that its visibility is one.
struct MonitorShell : Shell, CommandMonitor
{
    bool shown = false;
    void showMonitor() override { shown = true; }
    void hideMonitor() override { shown = false; }
    bool monitorVisible() const override { return shown; }
};

// The main window's model and run control; the shell records what is asked of the desktop.
struct AppFixture : AppHarness
{
    Form1Model form{ctx.settings.global};
    RecordingShell<MonitorShell> shell;
    RunController controller{ctx, form, shell};

    AppFixture()
    {
        ctx.session.setMonitor(&shell);
        ctx.rotation.setMonitor(&shell);
    }
    // Profile n complete and enabled, against a scripted mailbox with these headers.
    void enableProfile(int n, std::vector<QByteArray> headers = {})
    {
        completeProfile(n);
        server.setMailbox({.headers = std::move(headers)});
    }
    // A stamped line's message, for lines stamped earlier in the same hour.
    QString messageOf(const QString& line) const { return line.mid(ctx.log.stamp().size()); }
};
