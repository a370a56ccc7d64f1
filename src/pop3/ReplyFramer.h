#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Cuts the bytes a POP3 server sends into the replies to our commands, whatever
// way TCP split or joined them. One command is outstanding at a time: expect()
// names the kind of reply awaited; next() hands out what has become complete.
// A server owes nothing but that reply: a byte beyond it, a line over kMaxLine or
// a reply over kMaxReply is a breach, and after a breach nothing more is framed.
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
    };
    struct Reply
    {
        Kind kind;
        QByteArray text; // as received, every line with its CR LF
    };

    // Drops everything buffered, releases its memory and awaits nothing.
    void reset();
    // Awaits the reply to a new command: a single status line, or a status line
    // followed by lines up to the line "." alone.
    void expect(bool multiLine);
    void append(QByteArrayView bytes);
    // The next stray line, completed reply or breach; nothing while incomplete, and
    // after a reply nothing but a breach until the next expect().
    std::optional<Reply> next();
    // Bytes received after the last complete line (a server's last words before it
    // closed without CR LF), at most kMaxLine of them.
    QByteArray partialLine() const;
    // Memory held for what the server sent (0 after reset()).
    qsizetype heldBytes() const { return m_buffer.capacity() + m_reply.capacity(); }

private:
    std::optional<QByteArray> takeLine();
    std::optional<Reply> breach(Kind kind, const QByteArray& text);

    QByteArray m_buffer;
    qsizetype m_consumed = 0;  // bytes of m_buffer already handed out
    qsizetype m_scanFrom = 0;  // where to resume looking for CR LF
    qsizetype m_replySize = 0; // bytes taken since expect()
    bool m_awaiting = false;
    bool m_multiLine = false;
    bool m_broken = false;
    QByteArray m_reply; // a multi-line reply being collected, from its "+OK" line on
};
