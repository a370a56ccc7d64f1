#pragma once

#include "settings/ServerProfile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace testsupport {

// One generated message, with what its author knows about it.
struct SampleMessage
{
    QString name;         // what the message stands for, for failure messages
    QByteArray messageId; // its Message-ID, angle brackets included
    QByteArray text;      // the message as stored on disk (LF line ends)
    QString subject;      // the Subject as the rules must read it once decoded
    QString from;         // the From as the rules must read it once decoded
    bool expectedDeleted; // whether sampleRuleProfile() deletes it
};

// The rules the benchmark mailbox is marked for: own address "taro@example.jp"
// (missing from both To and Cc deletes), no Japanese in the subject, "未承諾",
// subject strings "激安", "出会い", "FREE", sender strings "@spam-king.example",
// "広告配信". Server, port, account and password are left for the caller.
ServerProfile sampleRuleProfile();

// The stored texts, in order (for DovecotServer::setMessages).
QList<QByteArray> messageTexts(const QList<SampleMessage>& messages);

// count messages with realistic headers of about 1.5 KB; every tenth (10, 20, ...)
// is an English advertisement that sampleRuleProfile() deletes, the rest are wanted.
QList<SampleMessage> benchmarkMailbox(int count);

} // namespace testsupport
