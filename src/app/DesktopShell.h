#pragma once

#include "app/control/Shell.h"

#include <functional>

class Form2;

// The windows that other parts of the program supply, each created on first
// use. One left unset is absent: its operations do nothing.
struct DialogHooks
{
    std::function<void()> showSettingsDialog; // ServerSet, topmost
    std::function<void(const QString& server, const QString& port, const QString& id,
                       const QString& password)>
        fillSingleServerDialog;                   // Form3's Text1..Text4, not shown
    std::function<void()> showSingleServerDialog; // Form3
    std::function<void()> showHeaderViewer;       // Form5
    std::function<void()> showDeletedMail;        // 削除したメール
};

// The program's Shell: the command monitor Form2, the dialogs given as hooks,
// the desktop's "open", message boxes, and the end of the program.
class DesktopShell : public Shell
{
public:
    explicit DesktopShell(Form2& monitor);

    void setDialogs(DialogHooks dialogs);

    void showMonitor() override;
    void hideMonitor() override;
    bool monitorVisible() const override;
    bool showSettingsDialog() override;
    void fillSingleServerDialog(const QString& server, const QString& port, const QString& id,
                                const QString& password) override;
    void showSingleServerDialog() override;
    void showHeaderViewer() override;
    void showDeletedMail() override;
    bool openPath(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    void warn(const QString& text) override;
    void quit() override;

private:
    Form2& m_monitor;
    DialogHooks m_dialogs;
};
