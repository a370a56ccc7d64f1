#include "pop3/MessageCopy.h"

bool MessageCopy::begin(platform::MessageKeeper& keeper, const platform::KeptMessageInfo& info)
{
    discard();
    m_received = 0;
    m_refused = false;
    m_limit = keeper.maxMessageBytes() + kSlack;
    if (!keeper.begin(info)) {
        keeper.discard();
        return false;
    }
    m_keeper = &keeper;
    return true;
}

bool MessageCopy::append(QByteArrayView line)
{
    m_received += line.size();
    if (m_received > m_limit) {
        discard();
        return false;
    }
    if (m_keeper && !m_refused && !m_keeper->append(line))
        m_refused = true;
    return true;
}

bool MessageCopy::commit()
{
    if (!m_keeper)
        return false;
    if (m_refused || !m_keeper->commit()) {
        discard();
        return false;
    }
    m_keeper = nullptr;
    return true;
}

void MessageCopy::discard()
{
    if (m_keeper)
        m_keeper->discard();
    m_keeper = nullptr;
}
