// ReplyFramer on any byte stream: byte 0 says which commands await a multi-line
// reply, byte 1 how TCP cuts the stream (its top bit: the first reply is streamed and
// a second is awaited with it, as when pipelined), and each 0xFF in the rest stands
// for 16 KiB of header text, so that small inputs reach the line and reply limits.

#include "pop3/ReplyFramer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

static void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    using Kind = ReplyFramer::Kind;
    QByteArray stream;
    for (std::size_t i = 2; i < size; ++i)
        stream += data[i] == 0xFF ? QByteArray(16 * 1024, 'x') : QByteArray(1, char(data[i]));

    // 1 byte to 64 KiB, and no more than a few hundred arrivals, to keep the runs fast.
    const qsizetype chunk = std::max(qsizetype(1) << (data[1] % 17), stream.size() / 256);
    ReplyFramer framer;
    unsigned command = 0;
    const auto expectNext = [&] { framer.expect((data[0] >> (++command % 8)) & 1); };
    if (data[1] & 0x80) {
        framer.expectStreamed();
        expectNext();
    } else {
        framer.expect(data[0] & 1);
    }
    bool broken = false;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        framer.append(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
        while (const auto reply = framer.next()) {
            check(!broken); // nothing is framed after a breach
            const QByteArray& text = reply->text;
            switch (reply->kind) {
            case Kind::Ok:
            case Kind::Err:
                check(text.startsWith(reply->kind == Kind::Ok ? "+OK" : "-ERR"));
                check(text.size() <= (reply->kind == Kind::Ok ? ReplyFramer::kMaxReply
                                                              : ReplyFramer::kMaxLine + 2));
                check(text.endsWith("\r\n"));
                expectNext();
                break;
            case Kind::Line:
            case Kind::Stray:
                check(text.endsWith("\r\n") && text.size() <= ReplyFramer::kMaxLine + 2);
                break;
            case Kind::Unsolicited:
            case Kind::LineTooLong:
            case Kind::ReplyTooLong:
                check(text.size() <= ReplyFramer::kMaxQuoted && framer.heldBytes() == 0);
                broken = true;
                break;
            }
        }
        check(framer.awaited() <= 2); // each reply answered makes way for one more
        // Bounded whatever arrives: one reply and the line being read, at most.
        check(framer.heldBytes() <= 4 * ReplyFramer::kMaxReply);
    }
    return 0;
}
