#pragma once

#include <QString>
#include <QStringList>

// What start-up and run control ask of the desktop around the main window: the
// other windows, the desktop's "open", message boxes and the end of the program.
// The program's implementation drives the real windows; tests record the calls.
class Shell
{
public:
    virtual ~Shell() = default;

    // The command monitor Form2, shown topmost at the top-left corner.
    virtual void showMonitor() = 0;
    virtual void hideMonitor() = 0;
    virtual bool monitorVisible() const = 0;

    // Shows the settings dialog ServerSet topmost; false when the program has none,
    // so that the caller keeps the main window in view.
    virtual bool showSettingsDialog() = 0;
    // Fills the single-server dialog Form3's Text1..Text4 without showing it.
    virtual void fillSingleServerDialog(const QString& server, const QString& port,
                                        const QString& id, const QString& password) = 0;
    virtual void showSingleServerDialog() = 0;
    virtual void showHeaderViewer() = 0;
    // The window "削除したメール", its list read again.
    virtual void showDeletedMail() = 0;

    // Opens a program or document by path through the desktop; false when the
    // desktop has nothing that opens it.
    virtual bool openPath(const QString& path) = 0;
    // Starts a program on its own, detached from this one; false when it cannot start.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // A modal message box with the exclamation icon and an OK button.
    virtual void warn(const QString& text) = 0;
    // Removes the notification-area icon and ends the program.
    virtual void quit() = 0;
};
