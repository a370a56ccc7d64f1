#include "pop3/Base64_shiftJIS.h"

#include <optional>
#include <vector>

namespace {

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

} // namespace

std::vector<QString> ExtractHeaderFields(QStringView header, std::span<const QStringView> names)
{
    std::vector<QString> values(names.size());
    std::vector<bool> found(names.size(), false);
    std::size_t open = names.size(); // the field whose folded lines are being joined
    std::size_t remaining = names.size();
    LineReader lines(header);
    QStringView line;
    while (lines.next(line) && !endsHeader(line)) {
        const bool folded = line.front() == u' ' || line.front() == u'\t';
        if (folded || !beginsWithFieldName(line)) {
            // Folded lines keep their leading blanks; only the line breaks go.
            if (open < names.size())
                values[open] += line;
            continue;
        }
        open = names.size();
        if (remaining == 0)
            break;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (found[i] || names[i].isEmpty())
                continue;
            if (const auto rest = afterFieldName(line, names[i])) {
                values[i] = skipBlanks(*rest).toString();
                found[i] = true;
                open = i;
                --remaining;
                break;
            }
        }
    }
    return values;
}

QString ExtractHeaderField(const QString& header, const QString& name)
{
    // The name may be given with or without its colon.
    const QStringView bare =
        QStringView(name).endsWith(u':') ? QStringView(name).chopped(1) : QStringView(name);
    return std::move(ExtractHeaderFields(header, std::span(&bare, 1)).front());
}
