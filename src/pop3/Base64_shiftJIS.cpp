#include "pop3/Base64_shiftJIS.h"

#include "platform/Codepage.h"
#include "pop3/EncodedWord.h"

#include <optional>

namespace {

constexpr char16_t kEsc = 0x1B;

// ---- Header fields -------------------------------------------------------------

// Lines of a reply, split at LF; the CR of a CR LF is not part of the line.
class LineReader
{
public:
    explicit LineReader(QStringView text) : m_text(text) {}

    bool next(QStringView& line)
    {
        if (m_pos >= m_text.size())
            return false;
        qsizetype end = m_text.indexOf(u'\n', m_pos);
        const qsizetype following = end < 0 ? m_text.size() : end + 1;
        if (end < 0)
            end = m_text.size();
        line = m_text.sliced(m_pos, end - m_pos);
        if (line.endsWith(u'\r'))
            line.chop(1);
        m_pos = following;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// The empty line after the header and the "." line of the reply end the header.
bool endsHeader(QStringView line)
{
    return line.isEmpty() || line == u".";
}

// A field line: printable characters other than blank and colon, then ":".
bool beginsWithFieldName(QStringView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t c = line[i].unicode();
        if (c == u':')
            return i > 0;
        if (c <= 0x20 || c >= 0x7F)
            return false;
    }
    return false;
}

char16_t foldAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// The rest of the line after "name:" (the name in any letter case), or nothing.
std::optional<QStringView> afterFieldName(QStringView line, QStringView name)
{
    if (line.size() <= name.size())
        return std::nullopt;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (foldAscii(line[i].unicode()) != foldAscii(name[i].unicode()))
            return std::nullopt;
    }
    if (line[name.size()] != u':')
        return std::nullopt;
    return line.sliced(name.size() + 1);
}

QStringView skipBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    return text.sliced(i);
}

// ---- Raw ISO-2022-JP -----------------------------------------------------------

// ESC $ B, ESC $ @ (JIS X 0208), ESC ( J (JIS X 0201 Roman) and ESC ( I (katakana).
bool opensJisRun(QStringView text, qsizetype at)
{
    if (at + 2 >= text.size() || text[at] != kEsc)
        return false;
    const QChar a = text[at + 1];
    const QChar b = text[at + 2];
    return (a == u'$' && (b == u'B' || b == u'@')) || (a == u'(' && (b == u'J' || b == u'I'));
}

// A run ends just after the ESC ( B that returns to ASCII, or with the text.
qsizetype jisRunEnd(QStringView text, qsizetype start)
{
    const qsizetype close = text.indexOf(u"\x1b(B", start + 3);
    return close < 0 ? text.size() : close + 3;
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

// ---- Encoded-words -------------------------------------------------------------

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

QString ExtractHeaderField(const QString& header, const QString& name)
{
    // The name may be given with or without its colon.
    const QStringView bare =
        QStringView(name).endsWith(u':') ? QStringView(name).chopped(1) : QStringView(name);
    if (bare.isEmpty())
        return {};
    LineReader lines(header);
    QStringView line;
    std::optional<QStringView> first;
    while (!first && lines.next(line)) {
        if (endsHeader(line))
            return {};
        first = afterFieldName(line, bare);
    }
    if (!first)
        return {};

    // Folded lines keep their leading blanks; only the line breaks go.
    QString value = skipBlanks(*first).toString();
    while (lines.next(line)) {
        if (endsHeader(line))
            break;
        const bool folded = line.front() == u' ' || line.front() == u'\t';
        if (!folded && beginsWithFieldName(line))
            break;
        value += line;
    }
    return value;
}

QString DecodeHeaderText(const QString& value)
{
    if (!value.contains(u"=?") && !value.contains(QChar(kEsc)))
        return value;
    return ValueDecoder().decode(value).value_or(QString());
}
