#pragma once

#include "archive/ArchiveEntry.h"
#include "platform/Clock.h"
#include "platform/MessageKeeper.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace archive {

// The kept copies of deleted messages, in the folder "deleted" beside the program's
// files: one .eml per message in a folder per month ("deleted/2026-12/"), byte for
// byte as the server sent it, and one line per copy in "deleted/index.tsv". A copy is
// written under a temporary name, flushed to disk and only then renamed to its own
// name and listed; a copy that fails at any step leaves nothing behind. Files are
// readable by the owner only, folders enterable by the owner only.
class DeletedMailArchive : public platform::MessageKeeper
{
public:
    // What a copy may exceed maxMessageBytes() by: the size the engine judges by is
    // the server's own count, which a server may get slightly wrong.
    static constexpr qint64 kSlackBytes = 64 * 1024;
    // An index larger than this is neither listed nor rewritten.
    static constexpr qint64 kMaxIndexBytes = 64 * 1024 * 1024;

    DeletedMailArchive(const QString& programDirectory, const platform::Clock& clock);
    ~DeletedMailArchive() override;

    void setMaxMessageBytes(qint64 bytes) { m_maxMessageBytes = bytes; }
    qint64 maxMessageBytes() const override { return m_maxMessageBytes; }
    bool begin(const platform::KeptMessageInfo& info) override;
    bool append(QByteArrayView bytes) override;
    bool commit() override;
    void discard() override;

    QString folder() const;
    QString indexPath() const;
    QString filePath(const ArchiveEntry& entry) const;

    // The copies the index lists, newest first; empty when there is no usable index.
    QList<ArchiveEntry> entries() const;

    // Removes the copies made more than retentionDays before now, as the index dates
    // them, and their index lines, and what a copy cut short left behind. Nothing
    // outside the month folders of "deleted" is touched. Returns how many copies went,
    // or nothing when the index could not be read or rewritten (then no copy goes).
    std::optional<int> removeExpired(int retentionDays);

private:
    struct Copy;
    bool fail();

    const QString m_directory;
    const platform::Clock& m_clock;
    qint64 m_maxMessageBytes = 10 * 1024 * 1024;
    std::unique_ptr<Copy> m_copy; // the copy between begin() and commit() or discard()
};

} // namespace archive
