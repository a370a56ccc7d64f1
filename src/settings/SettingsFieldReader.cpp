#include "settings/SettingsFieldReader.h"

#include "platform/Codepage.h"

#include <algorithm>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

} // namespace

std::optional<QString> SettingsFieldReader::readText()
{
    const auto field = readField();
    if (!field)
        return std::nullopt;
    return platform::decodeCp932(*field);
}

std::optional<qint16> SettingsFieldReader::readInteger()
{
    const auto field = readField();
    if (!field)
        return std::nullopt;
    const QByteArray digits = field->trimmed();
    if (digits.isEmpty())
        return 0;
    const bool decimal =
        std::all_of(digits.begin() + (digits[0] == '-' || digits[0] == '+' ? 1 : 0), digits.end(),
                    [](char c) { return c >= '0' && c <= '9'; });
    bool ok = false;
    const int value = decimal ? digits.toInt(&ok) : 0;
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return static_cast<qint16>(value);
}

std::optional<qint16> SettingsFieldReader::readCheck()
{
    const auto value = readInteger();
    if (!value || *value < 0 || *value > 2)
        return std::nullopt;
    return value;
}

std::optional<QByteArray> SettingsFieldReader::readField()
{
    while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
        ++m_pos;
    if (m_pos >= m_bytes.size())
        return std::nullopt;
    QByteArray field;
    if (m_bytes[m_pos] == '"') {
        const qsizetype close = m_bytes.indexOf('"', m_pos + 1);
        if (close < 0)
            return std::nullopt; // a quote never closed
        field = m_bytes.mid(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
            ++m_pos;
        // Text after the closing quote means the quotes do not pair up ("W"IN"):
        // taking "W" would silently widen a rule.
        if (m_pos < m_bytes.size() && !endsField(m_bytes[m_pos]))
            return std::nullopt;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_bytes.size() && !endsField(m_bytes[m_pos]))
            ++m_pos;
        field = m_bytes.mid(start, m_pos - start);
        if (field.contains('"'))
            return std::nullopt;
        while (!field.isEmpty() && isBlank(field.back()))
            field.chop(1);
    }
    skipDelimiter();
    return field;
}

// Consumes the comma or the line end (CR LF, CR or LF) that ends a field.
void SettingsFieldReader::skipDelimiter()
{
    if (m_pos >= m_bytes.size())
        return;
    const char c = m_bytes[m_pos++];
    if (c == '\r' && m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
        ++m_pos;
}
