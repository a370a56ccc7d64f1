#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace platform {

// Code page 932 (Microsoft's Shift_JIS, the ANSI code page of Japanese systems)
// and the charsets that mail headers name, on ICU's converters.

struct Cp932Bytes
{
    QByteArray bytes;
    QString unencodable; // the characters that have no code, in order of appearance
    bool ok() const { return unencodable.isEmpty(); }
};

// Text to bytes; characters without a code are reported and left out, never replaced by "?".
Cp932Bytes encodeCp932(QStringView text);
// Bytes to text; an invalid sequence becomes U+FFFD.
QString decodeCp932(QByteArrayView bytes);
// The code of one character: the byte for a single-byte character, lead * 256 + trail
// for a double-byte one, -1 when code page 932 has none.
int cp932Code(char32_t character);

// Bytes in the named charset (as a MIME header names it, any letter case) to text;
// nothing when the charset is unknown or the bytes are not valid in it.
std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView charset);

} // namespace platform
