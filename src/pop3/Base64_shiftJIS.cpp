#include "pop3/Base64_shiftJIS.h"

#include "platform/Codepage.h"
#include "pop3/EncodedWord.h"

#include <algorithm>
#include <optional>

namespace {

constexpr char16_t kEsc = 0x1B;

// ESC $ B, ESC $ @ (JIS X 0208), ESC ( J (JIS X 0201 Roman) and ESC ( I (katakana).
bool opensJisRun(QStringView text, qsizetype at)
{
    if (at + 2 >= text.size() || text[at] != kEsc)
        return false;
    const QChar a = text[at + 1];
    const QChar b = text[at + 2];
    return (a == u'$' && (b == u'B' || b == u'@')) || (a == u'(' && (b == u'J' || b == u'I'));
}

// A run ends just after the first return to a one-byte set (ESC ( B for ASCII or
// ESC ( J for JIS Roman), or with the text.
qsizetype jisRunEnd(QStringView text, qsizetype start)
{
    for (qsizetype i = start + 3; i + 2 < text.size(); ++i) {
        if (text[i] == kEsc && text[i + 1] == u'(' && (text[i + 2] == u'B' || text[i + 2] == u'J'))
            return i + 3;
    }
    return text.size();
}

std::optional<QString> decodeJisRun(QStringView run)
{
    QByteArray bytes(run.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < run.size(); ++i) {
        if (run[i].unicode() >= 0x80) // seven-bit code: anything else is not ISO-2022-JP
            return std::nullopt;
        bytes[i] = static_cast<char>(run[i].unicode());
    }
    return platform::decodeCharset(bytes, "ISO-2022-JP");
}

bool isBlankOnly(QStringView text)
{
    for (const QChar ch : text) {
        if (ch != u' ' && ch != u'\t' && ch != u'\r' && ch != u'\n')
            return false;
    }
    return true;
}

// Walks a value once: plain text is copied, encoded-words and raw ISO-2022-JP runs are
// converted. Consecutive words of one charset are gathered as bytes and converted
// together, since mailers split escape sequences and characters across words.
class ValueDecoder
{
public:
    std::optional<QString> decode(QStringView value)
    {
        m_out.reserve(value.size());
        qsizetype plainStart = 0;
        qsizetype pos = 0;
        while ((pos = nextMark(value, pos)) < value.size()) {
            const QStringView gap = value.sliced(plainStart, pos - plainStart);
            if (value[pos] == kEsc) {
                if (!opensJisRun(value, pos)) {
                    ++pos;
                    continue;
                }
                const qsizetype end = jisRunEnd(value, pos);
                const auto text = decodeJisRun(value.sliced(pos, end - pos));
                if (!text || !appendPlain(gap))
                    return std::nullopt;
                m_out += *text;
                pos = plainStart = end;
                continue;
            }
            EncodedWord word = readEncodedWord(value, pos);
            if (word.shape == EncodedWord::Shape::Broken)
                return std::nullopt;
            if (word.shape == EncodedWord::Shape::NotAWord) {
                ++pos;
                continue;
            }
            // Blanks between two encoded-words are dropped; other text stays.
            if (!(m_pending && isBlankOnly(gap)) && !appendPlain(gap))
                return std::nullopt;
            if (m_pending && m_charset.compare(word.charset, Qt::CaseInsensitive) != 0 &&
                !flushWords())
                return std::nullopt;
            m_pending = true;
            m_charset = word.charset;
            m_bytes += word.bytes;
            pos = plainStart = word.end;
        }
        if (!appendPlain(value.sliced(plainStart)))
            return std::nullopt;
        return std::move(m_out);
    }

private:
    // The next "=?" or ESC at or after from; the size of the value when there is none.
    static qsizetype nextMark(QStringView value, qsizetype from)
    {
        for (qsizetype i = from; i < value.size(); ++i) {
            const char16_t c = value[i].unicode();
            if (c == kEsc || (c == u'=' && i + 1 < value.size() && value[i + 1] == u'?'))
                return i;
        }
        return value.size();
    }

    bool appendPlain(QStringView text)
    {
        if (!flushWords())
            return false;
        m_out += text;
        return true;
    }

    bool flushWords()
    {
        if (!m_pending)
            return true;
        const auto text = platform::decodeCharset(m_bytes, m_charset.toLatin1());
        if (!text)
            return false;
        m_out += *text;
        m_pending = false;
        m_bytes.clear();
        return true;
    }

    QString m_out;
    bool m_pending = false;
    QStringView m_charset;
    QByteArray m_bytes;
};

} // namespace

QString DecodeHeaderText(const QString& value)
{
    const auto marked = [](QChar c) { return c == u'=' || c == kEsc; };
    if (std::none_of(value.begin(), value.end(), marked))
        return value;
    return ValueDecoder().decode(value).value_or(QString());
}
