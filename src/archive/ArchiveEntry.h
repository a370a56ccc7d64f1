#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace archive {

// One kept copy as its line in the index "deleted/index.tsv" records it.
struct ArchiveEntry
{
    QDateTime when; // local time, to the second: when the copy was made
    QString server;
    QString account;
    QString subject;
    QString sender;
    QString rule;
    bool headerOnly = false;
    QString
        file; // relative to the folder "deleted": "2026-12/20261207-101502-pop.example.jp-12.eml"

    bool operator==(const ArchiveEntry&) const = default;
};

// The index line of an entry: its fields in the order above, UTF-8, separated by tabs
// and ended by a line feed. A tab, line break or other control character inside a
// value is written as a blank, and a value is cut at kMaxField characters, so that no
// value can split the line or forge another.
QByteArray indexLine(const ArchiveEntry& entry);
// The entry of one index line (without its line feed; columns beyond these are
// ignored); nothing for a line that this
// program did not write, or whose file lies outside a month folder of "deleted".
std::optional<ArchiveEntry> parseIndexLine(QByteArrayView line);

inline constexpr qsizetype kMaxField = 1000;

} // namespace archive
