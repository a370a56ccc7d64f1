#pragma once

#include "pop3/CommandMonitor.h"

#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class Form3;
class Form5;
class ServerSet;
struct AppContext;

// The settings dialog, the single-server dialog and the header viewer, each created
// on first use and then only hidden and shown. The viewer receives the engine's
// header refreshes from the start (it is created by the first one).
class DialogWindows : public HeaderViewerSink
{
public:
    // What the dialogs ask of the main window and the command monitor.
    struct MainWindow
    {
        std::function<void()> show;
        std::function<void()> hide;
        std::function<void()> hideMonitor;
        std::function<QRect()> monitorFrame; // the command monitor's place on the screen
    };

    DialogWindows(AppContext& ctx, MainWindow mainWindow);
    ~DialogWindows() override;

    ServerSet& serverSet();
    Form3& form3();
    Form5& form5();

    // ServerSet, kept above other windows.
    void showSettingsDialog();
    void fillSingleServerDialog(const QString& server, const QString& port, const QString& id,
                                const QString& password);
    // Form3; the main window hides until it closes.
    void showSingleServerDialog();
    void showHeaderViewer();

    void refreshFromEngine(const QString& headerText, const QString& subject, const QString& from,
                           const QString& to) override;

private:
    AppContext& m_ctx;
    MainWindow m_mainWindow;
    std::unique_ptr<ServerSet> m_serverSet;
    std::unique_ptr<Form3> m_form3;
    std::unique_ptr<Form5> m_form5;
};
