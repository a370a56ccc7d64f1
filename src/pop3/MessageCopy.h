#pragma once

#include "platform/MessageKeeper.h"

#include <QByteArrayView>

// One message on its way into the keeper, line by line as it arrives: begun,
// committed, or dropped. A copy the keeper refused is dropped at once, and the rest
// of the message is only counted: its DELE must not be sent.
class MessageCopy
{
public:
    // What a server may send beyond the size the keeper takes before it is cut off:
    // a LIST size is an estimate, and a header kept alone has no size of its own.
    static constexpr qint64 kSlack = 64 * 1024;

    // False when the keeper refuses it (nothing is in progress then).
    bool begin(platform::MessageKeeper& keeper, const platform::KeptMessageInfo& info);
    // False once more than the keeper's maximum (and the slack) has arrived: the
    // copy is dropped, and the server has sent more than it can be trusted with.
    bool append(QByteArrayView line);
    // True only when begin, every append and the commit itself succeeded.
    bool commit();
    // Drops a copy in progress; harmless when there is none.
    void discard();

private:
    platform::MessageKeeper* m_keeper = nullptr; // set while a copy is in progress
    qint64 m_received = 0;
    qint64 m_limit = 0;
    bool m_refused = false;
};
