#pragma once

#include <QString>

// The run mode, interval, mail-program choice, log option and a few values that
// are stored and restored only.
struct GlobalSettings
{
    qint16 IntCheck = 0;       // 1: run once, then start the mail program
    qint16 TimePosition = 0;   // 0..5: 10, 20, 30, 60, 120, 180 minutes
    qint16 CleanCond1 = 0;     // last captured value of Check2
    qint16 CleanCond2 = 0;     // last captured value of Check3
    qint16 MainSubjectRule = 0;
    qint16 MainSenderRule = 0;
    QString MainSubjectWords;
    QString MainSenderWords;
    qint16 MailSoftSelect = 0; // 0 OutLookExpress, 1 OutLook, 2 none
    qint16 ClearLogAtStart = 0;

    bool operator==(const GlobalSettings&) const = default;
};
