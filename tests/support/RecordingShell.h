#pragma once

#include <QStringList>

// A Shell that records what is asked of the desktop, one entry per call, instead of
// doing it. The base supplies the command monitor.
template <typename Base> class RecordingShell : public Base
{
public:
    using Base::Base;

    QStringList calls;
    bool hasSettingsDialog = true; // what showSettingsDialog answers
    bool opens = true;             // what openPath answers
    bool starts = true;            // what startProgram answers

    bool showSettingsDialog() override { return record(u"settings dialog"_qs, hasSettingsDialog); }
    void fillSingleServerDialog(const QString& server, const QString& port, const QString& id,
                                const QString& password) override
    {
        calls << u"fill %1 %2 %3 %4"_qs.arg(server, port, id, password);
    }
    void showSingleServerDialog() override { calls << u"single-server dialog"_qs; }
    void showHeaderViewer() override { calls << u"header viewer"_qs; }
    void showDeletedMail() override { calls << u"deleted mail"_qs; }
    bool openPath(const QString& path) override { return record(u"open "_qs + path, opens); }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        return record((QStringList{u"start "_qs + program} + arguments).join(u' '), starts);
    }
    void warn(const QString& text) override { calls << u"warn "_qs + text; }
    void quit() override { calls << u"quit"_qs; }

private:
    bool record(const QString& call, bool answer)
    {
        calls << call;
        return answer;
    }
};
