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
    QByteArray text;      // the message as stored on disk (LF line ends, raw 8-bit where sent so)
    QString subject;      // the Subject as the rules must read it once decoded
    QString from;         // the From as the rules must read it once decoded
    bool expectedDeleted; // whether sampleRuleProfile() deletes it
};

// The rules the generated mailboxes are marked for: own address "taro@example.jp"
// (missing from both To and Cc deletes), no Japanese in the subject, "未承諾",
// subject strings "激安", "出会い", "FREE", sender strings "@spam-king.example",
// "広告配信". Server, port, account and password are left for the caller.
ServerProfile sampleRuleProfile();

// 138 messages of the kinds a Japanese mailbox holds: ISO-2022-JP subjects in B and
// Q, folded over several words with escapes split between them or each complete, raw
// JIS, UTF-8, raw Shift_JIS, English spam, "未承諾広告※" advertisements, mail that
// names the own address in To or only in Cc in several letter cases or beside a name
// that cannot be decoded, blank subjects, and mail no rule may touch.
// Every Message-ID is unique.
QList<SampleMessage> sampleMailbox();

// The Date field and the two Received fields of generated message `number`, as a
// real server writes them (LF line ends).
QByteArray dateField(int number);
QByteArray receivedFields(int number);

// The stored texts, in order (for DovecotServer::setMessages).
QList<QByteArray> messageTexts(const QList<SampleMessage>& messages);

} // namespace testsupport
