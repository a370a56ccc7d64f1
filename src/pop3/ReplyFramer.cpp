#include "pop3/ReplyFramer.h"

#include <algorithm>
#include <utility>

void ReplyFramer::reset()
{
    *this = ReplyFramer(); // a cleared QByteArray would keep its capacity
}

void ReplyFramer::expect(bool multiLine)
{
    m_expected.push_back(multiLine ? Shape::Multi : Shape::Single);
}

void ReplyFramer::expectStreamed()
{
    m_expected.push_back(Shape::Streamed);
}

ReplyFramer::Reply ReplyFramer::complete(Kind kind, QByteArray text)
{
    m_expected.pop_front();
    m_replySize = 0;
    m_reply.clear();
    return Reply{kind, std::move(text)};
}

void ReplyFramer::append(QByteArrayView bytes)
{
    if (m_broken)
        return;
    // Handed-out bytes are dropped only now and then, so that a long reply fed a
    // byte at a time is not copied over and over.
    if (m_consumed > 0 && m_consumed * 2 >= m_buffer.size()) {
        m_buffer.remove(0, m_consumed);
        m_scanFrom -= m_consumed;
        m_consumed = 0;
    }
    m_buffer.append(bytes);
}

QByteArray ReplyFramer::partialLine() const
{
    return m_buffer.mid(m_consumed, kMaxLine);
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

std::optional<ReplyFramer::Reply> ReplyFramer::breach(Kind kind, const QByteArray& text)
{
    const qsizetype lineEnd = text.indexOf('\n');
    Reply reply{kind, text.left(std::min(lineEnd < 0 ? text.size() : lineEnd + 1, kMaxQuoted))};
    reset();
    m_broken = true;
    return reply;
}

std::optional<ReplyFramer::Reply> ReplyFramer::next()
{
    if (m_broken)
        return std::nullopt;
    while (!m_expected.empty()) {
        const bool streamed = m_expected.front() == Shape::Streamed;
        std::optional<QByteArray> line = takeLine();
        if (!line) {
            const qsizetype pending = m_buffer.size() - m_consumed;
            if (pending > kMaxLine + 1) // one more byte may still be the CR of a CR LF
                return breach(Kind::LineTooLong, partialLine());
            if (!streamed && m_replySize + pending > kMaxReply)
                return breach(Kind::ReplyTooLong, m_reply.isEmpty() ? partialLine() : m_reply);
            return std::nullopt;
        }
        if (line->size() > kMaxLine + 2)
            return breach(Kind::LineTooLong, *line);
        m_replySize += line->size();
        if (!streamed && m_replySize > kMaxReply)
            return breach(Kind::ReplyTooLong, m_reply.isEmpty() ? *line : m_reply);
        if (!m_reply.isEmpty()) {
            // Inside a multi-line reply only the line "." alone ends it.
            if (*line == ".\r\n")
                return complete(Kind::Ok, streamed ? m_reply : m_reply + *line);
            QByteArray body =
                line->startsWith('.') ? line->mid(1) : *line; // RFC 1939 byte-stuffing
            if (streamed)
                return Reply{Kind::Line, std::move(body)};
            m_reply += body;
            continue;
        }
        if (line->startsWith("-ERR"))
            return complete(Kind::Err, *line);
        if (!line->startsWith("+OK"))
            return Reply{Kind::Stray, *line};
        if (m_expected.front() == Shape::Single)
            return complete(Kind::Ok, *line);
        m_reply = *line;
    }
    if (m_consumed < m_buffer.size())
        return breach(Kind::Unsolicited, partialLine());
    return std::nullopt;
}
