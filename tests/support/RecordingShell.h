#pragma once

#include <QStringList>

// A Shell that records what is asked of the desktop, one entry per call, instead of
// doing it. The base supplies the command monitor.
template <typename Base> class RecordingShell : public Base
{
public:
    using Base::Base;

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
    void showDeletedMail() override { calls << QStringLiteral("deleted mail"); }
    bool opens = true;  // what openPath answers
    bool starts = true; // what startProgram answers
    bool openPath(const QString& path) override
    {
        calls << QStringLiteral("open ") + path;
        return opens;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        calls << (QStringList{QStringLiteral("start ") + program} + arguments).join(u' ');
        return starts;
    }
    void warn(const QString& text) override { calls << QStringLiteral("warn ") + text; }
    void quit() override { calls << QStringLiteral("quit"); }
};
