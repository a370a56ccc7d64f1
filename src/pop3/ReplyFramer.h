#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <optional>

// Cuts the bytes a POP3 server sends into the replies to our commands, whatever
// way TCP split or joined them. Each expect() queues the kind of reply one command
// sent is owed, so that pipelined commands are answered strictly in order; next()
// hands out what has become complete. A server owes nothing but those replies: a
// byte beyond them, a line over kMaxLine or a reply over kMaxReply is a breach, and
// after a breach nothing more is framed.
class ReplyFramer
{
public:
    static constexpr qsizetype kMaxLine = 64 * 1024;        // bytes before CR LF
    static constexpr qsizetype kMaxReply = 4 * 1024 * 1024; // bytes of one reply, stray lines too
    static constexpr qsizetype kMaxQuoted = 256;

    enum class Kind {
        Ok,  // a complete positive reply (status line, and for a multi-line reply every line up to
             // ".", dot-stuffing removed)
        Err, // a "-ERR" status line
        Stray,        // a line where a status line was awaited that is neither "+OK" nor "-ERR"
        Unsolicited,  // bytes no command asked for (text: the first of them, at most one line)
        LineTooLong,  // a line longer than kMaxLine (text: its start)
        ReplyTooLong, // a reply longer than kMaxReply (text: its status line)
        Line,         // one line of a streamed reply's body, dot-stuffing removed, with its CR LF
    };
    struct Reply
    {
        Kind kind;
        QByteArray text; // as received, every line with its CR LF
    };

    // Drops everything buffered, releases its memory and awaits nothing.
    void reset();
    // Awaits the reply to one more command, after those already awaited: a single
    // status line, or a status line followed by lines up to the line "." alone.
    void expect(bool multiLine);
    // Awaits a multi-line reply handed out a line at a time (Kind::Line), then as Ok
    // with its status line alone: never held whole, so kMaxReply does not bound it.
    void expectStreamed();
    // Replies awaited and not yet complete.
    qsizetype awaited() const { return qsizetype(m_expected.size()); }
    void append(QByteArrayView bytes);
    // The next stray line, streamed line, completed reply or breach; nothing while
    // incomplete, and with no reply awaited nothing but a breach.
    std::optional<Reply> next();
    // Bytes received after the last complete line (a server's last words before it
    // closed without CR LF), at most kMaxLine of them.
    QByteArray partialLine() const;
    // Memory held for what the server sent (0 after reset()).
    qsizetype heldBytes() const { return m_buffer.capacity() + m_reply.capacity(); }

private:
    std::optional<QByteArray> takeLine();
    std::optional<Reply> breach(Kind kind, const QByteArray& text);
    Reply complete(Kind kind, QByteArray text);

    enum class Shape : quint8 { Single, Multi, Streamed };

    QByteArray m_buffer;
    qsizetype m_consumed = 0;  // bytes of m_buffer already handed out
    qsizetype m_scanFrom = 0;  // where to resume looking for CR LF
    qsizetype m_replySize = 0; // bytes taken for the reply at the head of the queue
    std::deque<Shape> m_expected;
    bool m_broken = false;
    QByteArray m_reply; // a multi-line reply being collected, from its "+OK" line on
};
