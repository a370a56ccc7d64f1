#pragma once

#include "platform/Clock.h"

#include <QLocale>
#include <QString>
#include <QStringList>

// "PostSweep.log": lines in code page 932 ended by CR LF, appended and closed at
// once. A stamped line is the short date, a space, the time with seconds, and the
// message with no further separator. Control characters are written as blanks.
// A log that cannot be written is skipped.
class ActivityLog
{
public:
    ActivityLog(QString path, const platform::Clock& clock);

    // Appends one line (a bare line; a stamped one when text already holds the stamp).
    void WriteLogLine(const QString& text) const;
    // Appends several lines within one open and close.
    void writeLines(const QStringList& lines) const;
    // Appends stamp() + message.
    void writeStamped(const QString& message) const;
    // Empties the file.
    void ClearLog() const;

    // A subject or sender as the log and the windows show it: at most kMaxShown
    // characters, and marked when cut.
    static constexpr qsizetype kMaxShown = 1000;
    static QString shown(QString value);

    // The current date and time as the system's regional settings write them.
    QString stamp() const;
    static QString stamp(const QDateTime& when);
    // The stamp as the given locale writes it (Japanese and C: "2005/03/14 9:05:07").
    static QString stamp(const QDateTime& when, const QLocale& locale);

    const QString& path() const { return m_path; }
    // The regional settings the stamp follows (the system's unless set).
    void setLocale(const QLocale& locale) { m_locale = locale; }

private:
    QString m_path;
    const platform::Clock& m_clock;
    QLocale m_locale = QLocale::system();
};
