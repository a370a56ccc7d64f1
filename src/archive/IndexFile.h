#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QFileDevice;

namespace archive {

// The lines of the index file, without their line feeds; an absent file has none.
// Nothing when it cannot be read or is larger than maxBytes.
std::optional<QList<QByteArray>> readIndexLines(const QString& path, qint64 maxBytes);
// Appends one whole line in one write, on a line of its own even after a line cut
// short, flushed to disk; the file is owner-only.
[[nodiscard]] bool appendIndexLine(const QString& path, const QByteArray& line);
// Replaces the file whole by these lines, atomically and owner-only.
[[nodiscard]] bool rewriteIndex(const QString& path, const QList<QByteArray>& lines);

// Flushes the file's data to the disk, not only to the system.
[[nodiscard]] bool syncToDisk(QFileDevice& file);
// Makes a rename or removal in the folder durable.
void syncFolder(const QString& path);

} // namespace archive
