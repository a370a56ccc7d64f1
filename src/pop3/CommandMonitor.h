#pragma once

#include <QString>

// What a run shows in the command monitor window: a transcript of the dialogue
// and a status line. The base class shows nothing (no window yet, or in tests).
class CommandMonitor
{
public:
    virtual ~CommandMonitor() = default;
    virtual void appendTranscript(const QString& text) {}
    virtual void setStatus(const QString& text) {}
    virtual void showMonitor() {}
    virtual void hideMonitor() {}
};

// The header viewer's boxes that the engine refreshes on every completed header.
class HeaderViewerSink
{
public:
    virtual ~HeaderViewerSink() = default;
    virtual void refreshFromEngine(const QString& headerText, const QString& subject,
                                   const QString& from, const QString& to)
    {}
};
