#pragma once

#include "pop3/CommandMonitor.h"

#include <QStringList>

// The command monitor as a test sees it.
struct RecordingMonitor : CommandMonitor
{
    void appendTranscript(const QString& text) override { transcript += text; }
    void setStatus(const QString& text) override { statuses << text; }
    void showMonitor() override { visible = true, ++shown; }
    void hideMonitor() override { visible = false; }

    QString transcript;
    QStringList statuses;
    bool visible = false;
    int shown = 0; // times shown
};
