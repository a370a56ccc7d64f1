#include "archive/ArchiveEntry.h"

#include <QList>
#include <QRegularExpression>

namespace archive {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
constexpr int kFields = 8;

QByteArray field(QString value)
{
    for (QChar& ch : value)
        if (ch.category() == QChar::Other_Control || ch == QChar::LineSeparator ||
            ch == QChar::ParagraphSeparator)
            ch = u' ';
    if (value.size() > kMaxField) {
        value.truncate(kMaxField);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value.toUtf8();
}

// Only names this program gives: a month folder and a file name without a path in it.
bool isCopyName(const QString& file)
{
    static const QRegularExpression name(
        QStringLiteral("^[0-9]{4}-[0-9]{2}/[0-9]{8}-[0-9]{6}-[A-Za-z0-9_.-]+\\.eml$"));
    return name.match(file).hasMatch() && !file.contains(QStringLiteral(".."));
}

} // namespace

QByteArray indexLine(const ArchiveEntry& entry)
{
    const QList<QByteArray> fields{field(entry.when.toString(kDateFormat)),
                                   field(entry.server),
                                   field(entry.account),
                                   field(entry.subject),
                                   field(entry.sender),
                                   field(entry.rule),
                                   entry.headerOnly ? "1" : "0",
                                   field(entry.file)};
    return fields.join('\t') + '\n';
}

std::optional<ArchiveEntry> parseIndexLine(QByteArrayView line)
{
    const QList<QByteArray> fields = line.toByteArray().split('\t');
    if (fields.size() < kFields) // columns added later stand after these
        return std::nullopt;
    ArchiveEntry entry;
    entry.when = QDateTime::fromString(QString::fromLatin1(fields[0]), kDateFormat);
    entry.server = QString::fromUtf8(fields[1]);
    entry.account = QString::fromUtf8(fields[2]);
    entry.subject = QString::fromUtf8(fields[3]);
    entry.sender = QString::fromUtf8(fields[4]);
    entry.rule = QString::fromUtf8(fields[5]);
    entry.headerOnly = fields[6] == "1";
    entry.file = QString::fromUtf8(fields[7]);
    if (!entry.when.isValid() || (fields[6] != "0" && fields[6] != "1") || !isCopyName(entry.file))
        return std::nullopt;
    return entry;
}

} // namespace archive
