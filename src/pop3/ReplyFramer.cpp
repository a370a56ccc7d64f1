#include "pop3/ReplyFramer.h"

#include <algorithm>
#include <utility>

void ReplyFramer::reset()
{
    m_buffer.clear();
    m_consumed = 0;
    m_scanFrom = 0;
    m_awaiting = false;
    m_multiLine = false;
    m_reply.clear();
}

void ReplyFramer::expect(bool multiLine)
{
    m_awaiting = true;
    m_multiLine = multiLine;
    m_reply.clear();
}

void ReplyFramer::append(QByteArrayView bytes)
{
    // Handed-out bytes are dropped only now and then, so that a long reply fed a
    // byte at a time is not copied over and over.
    if (m_consumed > 0 && m_consumed * 2 >= m_buffer.size()) {
        m_buffer.remove(0, m_consumed);
        m_scanFrom -= m_consumed;
        m_consumed = 0;
    }
    m_buffer.append(bytes);
}

std::optional<QByteArray> ReplyFramer::takeLine()
{
    const qsizetype end = m_buffer.indexOf("\r\n", std::max(m_scanFrom, m_consumed));
    if (end < 0) {
        // The CR of a CR LF split over two arrivals must be looked at again.
        m_scanFrom = std::max(m_consumed, m_buffer.size() - 1);
        return std::nullopt;
    }
    QByteArray line = m_buffer.mid(m_consumed, end + 2 - m_consumed);
    m_consumed = end + 2;
    m_scanFrom = m_consumed;
    return line;
}

std::optional<ReplyFramer::Reply> ReplyFramer::next()
{
    while (m_awaiting) {
        std::optional<QByteArray> line = takeLine();
        if (!line)
            return std::nullopt;
        if (!m_reply.isEmpty()) {
            // Inside a multi-line reply only the line "." alone ends it.
            m_reply += *line;
            if (*line == ".\r\n") {
                m_awaiting = false;
                return Reply{Kind::Ok, std::exchange(m_reply, {})};
            }
            continue;
        }
        if (line->startsWith("-ERR")) {
            m_awaiting = false;
            return Reply{Kind::Err, *line};
        }
        if (!line->startsWith("+OK"))
            return Reply{Kind::Stray, *line};
        if (!m_multiLine) {
            m_awaiting = false;
            return Reply{Kind::Ok, *line};
        }
        m_reply = *line;
    }
    return std::nullopt;
}
