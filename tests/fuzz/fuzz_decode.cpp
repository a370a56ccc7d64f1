// DecodeHeaderText on any value: first byte picks how the bytes become text (Latin-1
// reaches every byte value, code page 932 is how header text arrives).

#include "platform/Codepage.h"
#include "pop3/Base64_shiftJIS.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1,
                               static_cast<qsizetype>(size - 1));
    const QString value =
        data[0] % 2 == 0 ? QString::fromLatin1(bytes) : platform::decodeCp932(bytes);
    const QString decoded = DecodeHeaderText(value);
    if (DecodeHeaderText(value) != decoded) // no state carried from call to call
        __builtin_trap();
    if (!value.contains(u"=?") && !value.contains(QChar(0x1B)) && decoded != value)
        __builtin_trap();
    // One undecodable word empties the whole value, whatever stands before it
    // (an open ISO-2022-JP run would take the word in as its own text).
    if (!value.contains(QChar(0x1B)) &&
        !DecodeHeaderText(value + QStringLiteral(" =?UTF-8?B?/w==?=")).isEmpty())
        __builtin_trap();
    return 0;
}
