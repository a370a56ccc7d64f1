#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The mail program that the end of a run-once starts, as a program and its
// arguments, with the name the main window shows for it.
struct MailProgram
{
    QString name;
    QString program;
    QStringList arguments;

    // A command line as the user writes it in the options file ("mutt -F ~/.muttrc").
    static std::optional<MailProgram> fromCommand(const QString& commandLine);
    // A desktop entry's text (a .desktop file): its Exec line without the field
    // codes, so that the application starts on its own rather than a compose
    // window, and its Name (the Japanese one where there is one).
    static std::optional<MailProgram> fromDesktopEntry(const QByteArray& entry);
};
