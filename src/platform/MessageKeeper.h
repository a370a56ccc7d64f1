#pragma once

#include <QByteArrayView>
#include <QString>

namespace platform {

// What is recorded beside a kept copy: where the message came from and why it goes.
struct KeptMessageInfo
{
    QString server;
    QString account;
    qint16 number = 0;       // the message's number in its session
    qint64 listedSize = -1;  // octets as LIST gave them, -1 when unknown
    QString subject;         // decoded
    QString from;            // decoded
    QString rule;            // the rule that matched: 未承諾, 英文のみ, タイトル文字列 "…", …
    bool headerOnly = false; // larger than the cap: only the header is kept
};

// Where every message is copied before its DELE is sent. For each message the engine
// calls begin(), then append() with the text as it arrives (CRLF line ends, dot-stuffing
// removed), then commit(); the DELE goes out only after commit() returned true. discard()
// drops a copy that was begun and will not be committed.
class MessageKeeper
{
public:
    virtual ~MessageKeeper() = default;

    // The largest message copied whole, in octets; a larger one keeps its header only.
    virtual qint64 maxMessageBytes() const = 0;
    virtual bool begin(const KeptMessageInfo& info) = 0;
    virtual bool append(QByteArrayView bytes) = 0; // false: the copy cannot go on
    virtual bool commit() = 0;                     // on disk, flushed, and in the index
    virtual void discard() = 0;
};

} // namespace platform
