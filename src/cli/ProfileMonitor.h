#pragma once

#include "pop3/CommandMonitor.h"

#include <QString>

#include <functional>

// The command monitor of the command line: the transcript on standard error when
// asked for (the password already hidden by the engine), and why the session of the
// current profile failed, for its summary line.
class ProfileMonitor : public CommandMonitor
{
public:
    explicit ProfileMonitor(bool verbose) : m_verbose(verbose) {}

    void appendTranscript(const QString& text) override;
    // The rotation shows the monitor as it takes up each profile (and the rules once more).
    void showMonitor() override;
    // The rotation hides it once past the last profile (and the session at its end).
    void hideMonitor() override;

    void setProfileStartHandler(std::function<void()> handler) { m_start = std::move(handler); }
    void setHiddenHandler(std::function<void()> handler) { m_hidden = std::move(handler); }
    // Forgets the last profile's failure.
    void reset();
    // Why the session failed: the server's refusal, the socket's error, or else the time-out.
    QString errorText() const;

private:
    bool m_verbose;
    QString m_last;
    QString m_error;
    std::function<void()> m_start;
    std::function<void()> m_hidden;
};

namespace cli {
// Text from a server or a header made safe for a terminal: control characters
// become '?', and it is cut at maxLength characters.
QString printable(const QString& text, qsizetype maxLength = 200);
void printOut(const QString& line);
void printError(const QString& line);
} // namespace cli
