#pragma once

#include "dialogs/DialogWindows.h"
#include "dialogs/Form3.h"
#include "dialogs/ServerSet.h"
#include "support/AppHarness.h"

#include <QWidget>

// The dialogs on virtual time against the scripted server, whose mailbox holds one
// message. What they ask of the main window and the monitor is recorded, and so are
// their message boxes instead of being shown.
struct DialogHarness : AppHarness
{
    DialogHarness() { server.setMailbox({.headers = {"Subject: one\r\n"}}); }

    ServerSet& serverSet() { return recordingWarnings(windows.serverSet()); }
    Form3& form3() { return recordingWarnings(windows.form3()); }

    // The window's control by name; a missing one ends the test program.
    template <typename T> static T* find(const QWidget& window, const QString& name)
    {
        auto* found = window.findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    QStringList mainWindow; // "show", "hide" and "hide monitor", in order
    QStringList warnings;
    DialogWindows windows{ctx,
                          {[this] { mainWindow << QStringLiteral("show"); },
                           [this] { mainWindow << QStringLiteral("hide"); },
                           [this] { mainWindow << QStringLiteral("hide monitor"); },
                           [this] { return monitorFrame; }}};
    QRect monitorFrame{0, 0, 440, 290}; // the command monitor in its corner

private:
    template <typename Dialog> Dialog& recordingWarnings(Dialog& dialog)
    {
        dialog.setWarnFunction([this](QWidget*, const QString& text) { warnings << text; });
        return dialog;
    }
};
