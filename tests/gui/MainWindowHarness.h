#pragma once

#include "app/DesktopShell.h"
#include "app/PostSweepApp.h"
#include "platform/Codepage.h"
#include "platform/EventLoop.h"
#include "platform/TcpClient.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QFile>
#include <QStringList>

#include <memory>

// The program's shell with the real command monitor, recording everything else
// it is asked to do instead of doing it.
class RecordingDesktopShell : public DesktopShell
{
public:
    using DesktopShell::DesktopShell;

    bool hasSettingsDialog = true;
    QStringList calls;

    bool showSettingsDialog() override
    {
        calls << QStringLiteral("settings dialog");
        return hasSettingsDialog;
    }
    void fillSingleServerDialog(const QString& server, const QString& port, const QString& id,
                                const QString& password) override
    {
        calls << QStringLiteral("fill %1 %2 %3 %4").arg(server, port, id, password);
    }
    void showSingleServerDialog() override { calls << QStringLiteral("single-server dialog"); }
    void showHeaderViewer() override { calls << QStringLiteral("header viewer"); }
    void openPath(const QString& path) override { calls << QStringLiteral("open ") + path; }
    void warn(const QString& text) override { calls << QStringLiteral("warn ") + text; }
    void quit() override { calls << QStringLiteral("quit"); }
};

// The whole program, windows and all, in a fresh directory on the given event
// loop and socket, with a recording shell.
struct MainWindowHarness
{
    TempDir dir;
    RecordingDesktopShell* shell = nullptr;
    std::unique_ptr<PostSweepApp> app;

    MainWindowHarness(platform::EventLoop& loop, platform::TcpClient& socket,
                      bool notificationIcon = true)
    {
        app = std::make_unique<PostSweepApp>(
            loop, socket, dir.path(),
            [this](Form2& monitor) {
                auto recording = std::make_unique<RecordingDesktopShell>(monitor);
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

    // A settings file whose profile 1 points at host:port with these rules, and
    // whose global values are edited by the caller.
    void writeSettings(const std::function<void(SettingsModel&)>& edit)
    {
        SettingsModel model;
        edit(model);
        QFile file(app->context().settingsPath());
        file.open(QIODevice::WriteOnly);
        file.write(settingsFileBytes(model));
    }

    QStringList logLines() const
    {
        QFile file(app->context().log.path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = platform::decodeCp932(file.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    // A stamped line's message, for lines stamped earlier in the same hour.
    QString messageOf(const QString& line) const
    {
        return line.mid(app->context().log.stamp().size());
    }
};
