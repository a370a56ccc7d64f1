#pragma once

#include "settings/SettingsModel.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The demo mailbox shown on a first run: Japanese and English spam beside wanted
// mail, with subjects in ISO-2022-JP, UTF-8 and Shift_JIS.
namespace demo {

inline constexpr char kUser[] = "taro";
inline constexpr char kPassword[] = "demo-pass";
inline constexpr char kOwnAddress[] = "taro@example.jp";
inline constexpr char kSpamSender[] = "bulk@spam-sender.example";

struct DemoMessage
{
    QByteArray bytes; // the message as stored, LF line ends
    QString messageId;
    bool spam = false; // what the demo rules delete
    QString subject;   // as the rules read it once decoded
    QString from;
};

QList<DemoMessage> demoMessages();

// Settings whose profile 1 logs in to the demo mailbox on host:port with the demo rules.
SettingsModel settings(const QString& host, quint16 port);

} // namespace demo
