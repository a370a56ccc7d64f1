#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads the settings file field by field, ignoring where lines end: a comma and a
// line end both end a field, so a group of fields may run across lines. A field
// that starts with a double quote is text up to the next double quote, which only
// blanks may follow. Leading blanks are skipped. A field whose quotes do not pair
// up reads as nothing, as at the end of the file, so its record fails to load.
class SettingsFieldReader
{
public:
    explicit SettingsFieldReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    // The next field as text (code page 932); nothing at the end of the file or
    // when its quotes do not pair up.
    std::optional<QString> readText();
    // The next field as a 16-bit integer (an empty field is 0); nothing at the end
    // of the file or when the field is not a decimal number in range.
    std::optional<qint16> readInteger();
    // An integer that a check box takes: 0, 1 or 2.
    std::optional<qint16> readCheck();

private:
    std::optional<QByteArray> readField();
    void skipDelimiter();

    QByteArray m_bytes;
    qsizetype m_pos = 0;
};
