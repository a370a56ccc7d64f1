#pragma once

#include <QString>
#include <QStringView>

#include <span>
#include <vector>

// Header fields out of a stored TOP reply, and their decoding.

// The value of the first field called name (e.g. "Subject:", any letter case) in a
// stored reply, with folded lines joined; empty text when the field is absent.
QString ExtractHeaderField(const QString& header, const QString& name);
// Several fields in one pass: the value of names[i] (without colon) at index i.
std::vector<QString> ExtractHeaderFields(QStringView header, std::span<const QStringView> names);

// A header value with MIME encoded-words (RFC 2047, any charset the converter
// knows) and raw ISO-2022-JP runs turned into text. A value that cannot be
// decoded becomes empty text as a whole, so that its message is never deleted.
QString DecodeHeaderText(const QString& value);
