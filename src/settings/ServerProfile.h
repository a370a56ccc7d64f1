#pragma once

#include "settings/OptionsFile.h"

#include <QString>

#include <array>

// One of the five numbered server profiles: the POP3 account and that server's
// deletion rules. Check fields hold a check-box value (0 clear, 1 set, 2 grey).
struct ServerProfile
{
    static constexpr int kWordCount = 10;

    QString Server;
    QString Port = QStringLiteral("110");
    QString Id;
    QString PassWd;
    QString MyAddress;
    std::array<QString, kWordCount> SubjectWords;
    std::array<QString, kWordCount> SenderWords;
    qint16 RuleUnsolicited = 0;
    qint16 RuleNoJapanese = 0;
    qint16 RuleSubjectWords = 0;
    qint16 RuleSenderWords = 0;
    qint16 RuleNotToMe = 0;
    qint16 RuleNotCcMe = 0;
    // Not stored: host, account and password all non-empty (set by loading and by the dialog).
    bool Enabled = false;
    // Not in PostSweep.ini: how the server is reached, from the companion file.
    ProfileConnection Connection;

    // The port the session uses: the companion file's, else the stored one.
    const QString& connectionPort() const
    {
        return Connection.port.isEmpty() ? Port : Connection.port;
    }

    bool isComplete() const { return !Server.isEmpty() && !Id.isEmpty() && !PassWd.isEmpty(); }
    bool operator==(const ServerProfile&) const = default;
};
