#pragma once

#include "app/DesktopShell.h"
#include "app/PostSweepApp.h"
#include "settings/SettingsFile.h"
#include "support/Files.h"
#include "support/RecordingShell.h"
#include "support/ScriptedTcpClient.h"
#include "support/VirtualEventLoop.h"

#include <QAbstractButton>

#include <functional>
#include <memory>

// The whole program, windows and all, in a fresh directory on the given event loop and
// socket, with the real command monitor and a shell that records everything else.
struct MainWindowHarness
{
    TempDir dir;
    RecordingShell<DesktopShell>* shell = nullptr;
    std::unique_ptr<PostSweepApp> app;

    MainWindowHarness(platform::EventLoop& loop, platform::TcpClient& socket,
                      bool notificationIcon = true)
    {
        app = std::make_unique<PostSweepApp>(
            loop, socket, dir.path(),
            [this](Form2& monitor) {
                auto recording = std::make_unique<RecordingShell<DesktopShell>>(monitor);
                shell = recording.get();
                return recording;
            },
            PostSweepApp::Options{.notificationIcon = notificationIcon});
    }

    Form1& form1() { return app->mainWindow(); }
    Form2& form2() { return app->monitor(); }
    template <typename T> T* control(const QString& name) { return form1().findChild<T*>(name); }
    template <typename T> T* monitorControl(const QString& name)
    {
        return form2().findChild<T*>(name);
    }

    // A settings file: the default model as edit leaves it.
    void writeSettings(const std::function<void(SettingsModel&)>& edit)
    {
        SettingsModel model;
        edit(model);
        writeFile(app->context().settingsPath(), settingsFileBytes(model));
    }
    QStringList logLines() const { return ::logLines(app->context().log.path()); }
    // A stamped line's message, for lines stamped earlier in the same hour.
    QString messageOf(const QString& line) const
    {
        return line.mid(app->context().log.stamp().size());
    }
};
