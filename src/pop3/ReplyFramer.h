#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Cuts the bytes a POP3 server sends into the replies to our commands, whatever
// way TCP split or joined them. One command is outstanding at a time: expect()
// names the kind of reply awaited; next() hands out what has become complete.
// Bytes that arrive before the next expect() wait in the buffer.
class ReplyFramer
{
public:
    enum class Kind {
        Ok,  // a complete positive reply (status line, and for a multi-line reply every line up to
             // ".")
        Err, // a "-ERR" status line
        Stray, // a line where a status line was awaited that is neither "+OK" nor "-ERR"
    };
    struct Reply
    {
        Kind kind;
        QByteArray text; // as received, every line with its CR LF
    };

    // Drops everything buffered and awaits nothing.
    void reset();
    // Awaits the reply to a new command: a single status line, or a status line
    // followed by lines up to the line "." alone.
    void expect(bool multiLine);
    void append(QByteArrayView bytes);
    // The next stray line or the completed reply; nothing while incomplete, and
    // nothing more after a reply until the next expect().
    std::optional<Reply> next();

private:
    std::optional<QByteArray> takeLine();

    QByteArray m_buffer;
    qsizetype m_consumed = 0; // bytes of m_buffer already handed out
    qsizetype m_scanFrom = 0; // where to resume looking for CR LF
    bool m_awaiting = false;
    bool m_multiLine = false;
    QByteArray m_reply; // a multi-line reply being collected, from its "+OK" line on
};
