#pragma once

#include "settings/ServerProfile.h"

#include <QString>
#include <QStringList>

#include <array>

// The deletion rules of the server in use, copied from its profile before its session.
struct RuleSet
{
    qint16 RuleNoJapanese = 0;  // nonzero: subject without Japanese
    qint16 RuleUnsolicited = 0; // nonzero: subject with "未承諾" or "末承諾"
    QString MyAddress;
    qint16 RuleNotToMe = 0;      // exactly 1: own address must be in To
    qint16 RuleNotCcMe = 0;      // exactly 1: own address must be in Cc
    qint16 RuleSubjectWords = 0; // nonzero: subject contains one of SubjectWords
    std::array<QString, ServerProfile::kWordCount> SubjectWords;
    qint16 RuleSenderWords = 0; // nonzero: sender contains one of SenderWords
    std::array<QString, ServerProfile::kWordCount> SenderWords;
    // Senders never deleted, whatever rule matches: "taro@example.jp" or "@example.jp".
    QStringList AllowList;

    static RuleSet fromProfile(const ServerProfile& profile);
};
