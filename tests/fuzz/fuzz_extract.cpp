// ExtractHeaderField and ExtractHeaderFields on any reply: first byte picks the field, the rest is
// the reply as the engine stores it (bytes read through code page 932).

#include "platform/Codepage.h"
#include "pop3/Base64_shiftJIS.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QString names[] = {QStringLiteral("Subject:"), QStringLiteral("From:"),
                                    QStringLiteral("To:"), QStringLiteral("cc:")};
    const QString& name = names[data[0] % 4];
    const QString reply = platform::decodeCp932(
        QByteArrayView(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1)));
    const QString value = ExtractHeaderField(reply, name);
    // Unfolding removes every line break; nothing is added to the reply's text.
    if (value.contains(u'\n') || value.size() > reply.size())
        __builtin_trap();
    // The one-pass extraction the store uses finds what the fields one by one find.
    static constexpr QStringView bare[] = {u"Subject", u"From", u"To", u"cc"};
    const std::vector<QString> values = ExtractHeaderFields(reply, bare);
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] != ExtractHeaderField(reply, names[i]))
            __builtin_trap();
    return 0;
}
