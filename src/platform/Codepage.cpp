#include "platform/Codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <map>
#include <memory>
#include <mutex>

namespace platform {
namespace {

constexpr const char* kCp932Name = "windows-31j";

// Codes of every BMP character, derived once from the converter; a character whose
// code does not decode back to itself (a best-fit mapping) counts as having none.
const std::array<qint32, 0x10000>& cp932Table()
{
    static const auto table = [] {
        auto codes = std::make_unique<std::array<qint32, 0x10000>>();
        QStringEncoder encoder(kCp932Name, QStringConverter::Flag::Stateless);
        QStringDecoder decoder(kCp932Name, QStringConverter::Flag::Stateless);
        for (int c = 0; c < 0x10000; ++c) {
            qint32 code = -1;
            const QChar ch(static_cast<char16_t>(c));
            if (!ch.isSurrogate()) {
                encoder.resetState();
                const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
                decoder.resetState();
                const bool valid = !encoder.hasError() && !bytes.isEmpty() && bytes.size() <= 2;
                if (valid && decoder.decode(bytes) == QString(ch) && !decoder.hasError()) {
                    const auto b0 = static_cast<unsigned char>(bytes[0]);
                    code = bytes.size() == 1 ? b0 : b0 * 256 + static_cast<unsigned char>(bytes[1]);
                }
            }
            (*codes)[c] = code;
        }
        return codes;
    }();
    return *table;
}

QString canonicalCharset(QByteArrayView charset)
{
    const QString name = QString::fromLatin1(charset).trimmed().toLower();
    // Mail labelled Shift_JIS is written with Microsoft's extensions in practice.
    if (name == u"shift_jis" || name == u"shift-jis" || name == u"sjis" || name == u"x-sjis"
        || name == u"cp932" || name == u"ms932" || name == u"windows-31j")
        return QString::fromLatin1(kCp932Name);
    // ICU's ISO-2022-JP also takes ESC ( I and the common extensions.
    if (name.startsWith(u"iso-2022-jp"))
        return QStringLiteral("ISO-2022-JP");
    return name;
}

} // namespace

int cp932Code(char32_t character)
{
    if (character > 0xFFFF)
        return -1;
    return cp932Table()[character];
}

Cp932Bytes encodeCp932(QStringView text)
{
    const auto& table = cp932Table();
    Cp932Bytes result;
    result.bytes.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const qint32 code = table[ch.unicode()];
        if (code < 0) {
            result.unencodable.append(ch);
        } else if (code > 0xFF) {
            result.bytes.append(static_cast<char>(code >> 8));
            result.bytes.append(static_cast<char>(code & 0xFF));
        } else {
            result.bytes.append(static_cast<char>(code));
        }
    }
    return result;
}

QString decodeCp932(QByteArrayView bytes)
{
    QStringDecoder decoder(kCp932Name);
    return decoder.decode(bytes);
}

std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    const QString name = canonicalCharset(charset);
    if (name.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace platform
