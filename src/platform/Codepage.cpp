#include "platform/Codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace platform {
namespace {

constexpr const char* kCp932Name = "windows-31j";

// Codes of every BMP character, derived once from the converter; a character whose
// code does not decode back to itself (a best-fit mapping) counts as having none.
// The round trip alone decides: the converter's error flag survives resetState().
const std::array<qint32, 0x10000>& cp932Table()
{
    static const auto table = [] {
        auto codes = std::make_unique<std::array<qint32, 0x10000>>();
        QStringEncoder encoder(kCp932Name, QStringConverter::Flag::Stateless);
        QStringDecoder decoder(kCp932Name, QStringConverter::Flag::Stateless);
        for (int c = 0; c < 0x10000; ++c) {
            qint32 code = -1;
            const QChar ch(static_cast<char16_t>(c));
            if (c < 0x80) {
                code = c; // ASCII, controls included (ICU's IBM table swaps 0x1A, 0x1C, 0x7F)
            } else if (!ch.isSurrogate() && ch != QChar::ReplacementCharacter) {
                // U+FFFD is excluded: it would come back from the substitution bytes.
                encoder.resetState();
                const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
                decoder.resetState();
                const bool sized = !bytes.isEmpty() && bytes.size() <= 2;
                if (sized && decoder.decode(bytes) == QString(ch)) {
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

// The character of every one- and two-byte code (index lead * 256 + trail for two
// bytes, the byte itself for one), U+FFFD where the converter has none.
struct Cp932Decoding
{
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    std::array<char16_t, 0x10000> pair{};
};

// The converter marks a code it has no character for with U+001A or U+FFFD.
bool substituted(const QString& text)
{
    return text.size() != 1 || text.at(0) == QChar::ReplacementCharacter ||
           text.at(0) == QChar(0x1A);
}

const Cp932Decoding& cp932Decoding()
{
    static const auto decoding = [] {
        auto d = std::make_unique<Cp932Decoding>();
        d->pair.fill(QChar::ReplacementCharacter);
        QStringDecoder decoder(kCp932Name, QStringConverter::Flag::Stateless);
        for (int b = 0; b < 0x80; ++b)
            d->single[b] = static_cast<char16_t>(b); // ASCII, as in the encoding table
        for (int b = 0x80; b < 256; ++b) {
            decoder.resetState();
            const char byte = static_cast<char>(b);
            const QString one = decoder.decode(QByteArrayView(&byte, 1));
            const bool valid = !substituted(one);
            d->single[b] = valid ? one.at(0).unicode() : char16_t(QChar::ReplacementCharacter);
            if (valid)
                continue;
            for (int t = 0; t < 256; ++t) {
                decoder.resetState();
                const char two[] = {byte, static_cast<char>(t)};
                const QString text = decoder.decode(QByteArrayView(two, 2));
                if (!substituted(text)) {
                    d->pair[b * 256 + t] = text.at(0).unicode();
                    d->lead[b] = true;
                }
            }
        }
        return d;
    }();
    return *decoding;
}

QString canonicalCharset(QByteArrayView charset)
{
    const QString name = QString::fromLatin1(charset).trimmed().toLower();
    // Mail labelled Shift_JIS is written with Microsoft's extensions in practice.
    if (name == u"shift_jis" || name == u"shift-jis" || name == u"sjis" || name == u"x-sjis" ||
        name == u"cp932" || name == u"ms932" || name == u"windows-31j")
        return QString::fromLatin1(kCp932Name);
    // ICU's ISO-2022-JP also takes ESC ( I and the common extensions.
    if (name.startsWith(u"iso-2022-jp"))
        return QStringLiteral("ISO-2022-JP");
    return name;
}

// ICU's ISO-2022 and HZ converters refuse a shift directly after another, which
// encoded-words joined as bytes produce ("ESC ( B" closing one word, "ESC $ B" opening
// the next). The first of such a pair designates a set no character uses: it goes.
QByteArray withoutIdleShifts(QByteArrayView bytes, bool hz)
{
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        qsizetype end = i;
        if (bytes[i] == '\x1b') {
            // ESC, intermediate bytes 0x20..0x2F, one final byte 0x30..0x7E.
            end = i + 1;
            while (end < n && bytes[end] >= 0x20 && bytes[end] <= 0x2F)
                ++end;
            end = end < n && bytes[end] >= 0x30 && bytes[end] <= 0x7E ? end + 1 : i;
            if (end > i && end < n && bytes[end] == '\x1b') {
                i = end;
                continue;
            }
        } else if (hz && bytes[i] == '~' && i + 3 < n && bytes[i + 1] == '}' &&
                   bytes[i + 2] == '~' && bytes[i + 3] == '{') {
            i += 4; // "~}~{": back to ASCII and straight out again
            continue;
        }
        out.append(bytes[i]);
        ++i;
    }
    return out;
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
    const Cp932Decoding& d = cp932Decoding();
    // One character per byte at most: written in place, the size fixed at the end.
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        while (i < size && in[i] < 0x80) // ASCII, the bulk of a header
            *out++ = in[i++];
        if (i == size)
            break;
        const unsigned char b = in[i];
        if (!d.lead[b]) {
            *out++ = d.single[b];
            continue;
        }
        const int t = i + 1 < size ? in[i + 1] : -1;
        // An invalid pair swallows its second byte only when that is a trail byte.
        const bool trailByte = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
        *out++ = t >= 0 ? d.pair[b * 256 + t] : char16_t(QChar::ReplacementCharacter);
        if (trailByte)
            ++i;
    }
    text.truncate(out - start);
    return text;
}

std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    // Opening a converter costs more than a header's words: one decoder per label is
    // kept and reset between uses. One that has seen an error is dropped, since its
    // error flag outlives resetState(); labels from mail are many, so the cache is bounded.
    struct Cached
    {
        QByteArray label;
        std::shared_ptr<QStringDecoder> decoder; // null: no such charset
        bool iso2022 = false;
        bool hz = false;
    };
    thread_local std::vector<Cached> cache;
    auto found = std::find_if(cache.begin(), cache.end(),
                              [&](const Cached& c) { return c.label == charset; });
    if (found == cache.end()) {
        if (cache.size() >= 32)
            cache.clear();
        const QString name = canonicalCharset(charset);
        Cached entry{charset.toByteArray()};
        if (!name.isEmpty()) {
            // Stateless: a sequence cut off at the end is an error, not held back.
            auto decoder = std::make_shared<QStringDecoder>(name.toLatin1().constData(),
                                                            QStringConverter::Flag::Stateless);
            if (decoder->isValid())
                entry.decoder = std::move(decoder);
        }
        entry.iso2022 = name.startsWith(u"iso-2022", Qt::CaseInsensitive);
        entry.hz = name.startsWith(u"hz");
        cache.push_back(std::move(entry));
        found = cache.end() - 1;
    }
    const Cached entry = *found; // a copy: a failure below may drop the cached one
    if (!entry.decoder)
        return std::nullopt;
    QByteArray mended;
    if ((entry.iso2022 && bytes.contains('\x1b')) || (entry.hz && bytes.contains('~'))) {
        mended = withoutIdleShifts(bytes, entry.hz);
        bytes = mended;
    }
    QStringDecoder& decoder = *entry.decoder;
    decoder.resetState();
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        std::erase_if(cache, [&](const Cached& c) { return c.label == charset; });
        return std::nullopt;
    }
    return text;
}

} // namespace platform
