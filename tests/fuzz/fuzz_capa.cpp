// The CAPA reply parser on any reply: byte 0 picks the capability asked about, the
// rest is the reply as the framer would hand it over.

#include "pop3/Capabilities.h"

#include <cstddef>
#include <cstdint>

static void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QByteArray names[] = {"PIPELINING", "STLS", "USER", "SASL", "TOP", "UIDL"};
    const QByteArray& name = names[data[0] % std::size(names)];
    const QByteArray reply(reinterpret_cast<const char*>(data) + 1,
                           static_cast<qsizetype>(size - 1));

    const bool offered = hasCapability(reply, name);
    check(offered == hasCapability(reply, name.toLower()));
    // A capability is a word of a line after the status line, nowhere else.
    check(!offered || reply.indexOf('\n') >= 0);
    check(!offered || reply.toUpper().contains(name));
    check(hasCapability(reply + "\r\n" + name + " x\r\n", name));

    const bool plain = offersSasl(reply, "PLAIN");
    check(plain == offersSasl(reply, "plain"));
    check(!plain || (hasCapability(reply, "SASL") && reply.toUpper().contains("PLAIN")));
    check(offersSasl(reply + "\nSASL LOGIN  PLAIN\r\n", "PLAIN"));
    return 0;
}
