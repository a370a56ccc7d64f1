#include "pop3/EncodedWord.h"

#include <optional>

namespace {

// Printable ASCII other than the blank: what labels and encoded text are made of.
bool isVisibleAscii(QChar ch)
{
    return ch.unicode() > 0x20 && ch.unicode() < 0x7F;
}

// The end of the run of visible characters from 'from' up to "?" or the other stop.
qsizetype skipToken(QStringView text, qsizetype from, char16_t otherStop = u'?')
{
    qsizetype i = from;
    while (i < text.size() && isVisibleAscii(text[i]) && text[i] != u'?' && text[i] != otherStop)
        ++i;
    return i;
}

int hexValue(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// "Q": "_" is a blank, "=" and two hexadecimal digits one byte, anything else itself.
std::optional<QByteArray> decodeQ(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'_') {
            bytes.append(' ');
        } else if (ch != u'=') {
            bytes.append(static_cast<char>(ch.unicode()));
        } else {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes.append(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return bytes;
}

// "B": Base64 with its padding checked; unpadded text is taken where it is unambiguous.
std::optional<QByteArray> decodeB(QStringView text)
{
    if (text.size() % 4 == 1)
        return std::nullopt;
    auto result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return std::move(result.decoded);
}

} // namespace

EncodedWord readEncodedWord(QStringView text, qsizetype at)
{
    EncodedWord word;
    const qsizetype labelStart = at + 2;
    const qsizetype labelEnd = skipToken(text, labelStart, u'*');
    qsizetype pos = labelEnd;
    if (pos < text.size() && text[pos] == u'*') // RFC 2231 language, ignored
        pos = skipToken(text, pos + 1);
    const qsizetype encodingStart = pos + 1;
    const qsizetype encodingEnd = skipToken(text, encodingStart);
    if (labelEnd == labelStart || pos >= text.size() || text[pos] != u'?' ||
        encodingEnd == encodingStart || encodingEnd >= text.size() || text[encodingEnd] != u'?')
        return word;

    word.shape = EncodedWord::Shape::Broken;
    const qsizetype textStart = encodingEnd + 1;
    const qsizetype textEnd = skipToken(text, textStart);
    if (textEnd + 1 >= text.size() || text[textEnd] != u'?' || text[textEnd + 1] != u'=')
        return word;

    const QStringView encoding = text.sliced(encodingStart, encodingEnd - encodingStart);
    const QStringView encoded = text.sliced(textStart, textEnd - textStart);
    std::optional<QByteArray> bytes;
    if (encoding.compare(u"B", Qt::CaseInsensitive) == 0)
        bytes = decodeB(encoded);
    else if (encoding.compare(u"Q", Qt::CaseInsensitive) == 0)
        bytes = decodeQ(encoded);
    if (!bytes)
        return word;

    word.shape = EncodedWord::Shape::Word;
    word.charset = text.sliced(labelStart, labelEnd - labelStart);
    word.bytes = std::move(*bytes);
    word.end = textEnd + 2;
    return word;
}
