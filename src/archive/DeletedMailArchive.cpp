#include "archive/DeletedMailArchive.h"

#include "archive/IndexFile.h"
#include "settings/OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace archive {
namespace {

const QString kFolder = QStringLiteral("deleted");
const QString kIndex = QStringLiteral("index.tsv");
const QString kPartSuffix = QStringLiteral(".part");
constexpr int kMaxSameName = 100;
constexpr qsizetype kMaxServerInName = 64;

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// A server name as part of a file name: letters, digits, dots and hyphens only, no
// leading dot, bounded.
QString nameOfServer(const QString& server)
{
    QString name;
    for (const QChar ch : server.left(kMaxServerInName)) {
        const bool plain = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                           (ch >= u'0' && ch <= u'9') || ch == u'.' || ch == u'-';
        name += plain ? ch : QChar(u'_');
    }
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("server") : name;
}

// An owner-only folder that is a folder of its own, not a link to somewhere else.
bool ownFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return false;
    if (!info.exists() && !QDir().mkdir(path, kOwnerFolder))
        return false;
    return QFileInfo(path).isDir() && QFile::setPermissions(path, kOwnerFolder);
}

} // namespace

struct DeletedMailArchive::Copy
{
    ArchiveEntry entry;
    QString monthFolder;
    QString finalPath;
    QFile part;
    qint64 written = 0;
    bool failed = false;
};

DeletedMailArchive::DeletedMailArchive(const QString& programDirectory,
                                       const platform::Clock& clock)
    : m_directory(programDirectory), m_clock(clock)
{}

DeletedMailArchive::~DeletedMailArchive()
{
    discard();
}

QString DeletedMailArchive::folder() const
{
    return QDir(m_directory).filePath(kFolder);
}

QString DeletedMailArchive::indexPath() const
{
    return QDir(folder()).filePath(kIndex);
}

QString DeletedMailArchive::filePath(const ArchiveEntry& entry) const
{
    return QDir(folder()).filePath(entry.file);
}

bool DeletedMailArchive::begin(const platform::KeptMessageInfo& info)
{
    discard();
    auto copy = std::make_unique<Copy>();
    const QDateTime now = m_clock.now();
    copy->entry = {.when = now.addMSecs(-now.time().msec()),
                   .server = info.server,
                   .account = info.account,
                   .subject = info.subject,
                   .sender = info.from,
                   .rule = info.rule,
                   .headerOnly = info.headerOnly};
    const QString month = now.toString(QStringLiteral("yyyy-MM"));
    copy->monthFolder = QDir(folder()).filePath(month);
    if (!ownFolder(folder()) || !ownFolder(copy->monthFolder))
        return false;
    const QString stem = QStringLiteral("%1-%2-%3")
                             .arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                  nameOfServer(info.server), QString::number(info.number));
    // Two accounts on one server may delete the same number in the same second.
    for (int n = 1; n <= kMaxSameName; ++n) {
        const QString name =
            stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".eml");
        const QString path = QDir(copy->monthFolder).filePath(name);
        if (QFileInfo::exists(path) || QFileInfo::exists(path + kPartSuffix))
            continue;
        copy->part.setFileName(path + kPartSuffix);
        if (!copy->part.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerFile))
            return false;
        copy->finalPath = path;
        copy->entry.file = month + u'/' + name;
        m_copy = std::move(copy);
        return true;
    }
    return false;
}

bool DeletedMailArchive::append(QByteArrayView bytes)
{
    if (!m_copy || m_copy->failed)
        return false;
    if (m_copy->written + bytes.size() > m_maxMessageBytes + kSlackBytes)
        return fail();
    if (m_copy->part.write(bytes.data(), bytes.size()) != bytes.size())
        return fail();
    m_copy->written += bytes.size();
    return true;
}

bool DeletedMailArchive::commit()
{
    if (!m_copy || m_copy->failed)
        return fail();
    Copy& copy = *m_copy;
    if (!syncToDisk(copy.part))
        return fail();
    copy.part.close();
    if (!QFile::rename(copy.part.fileName(), copy.finalPath))
        return fail();
    syncFolder(copy.monthFolder);
    if (!appendIndexLine(indexPath(), indexLine(copy.entry))) {
        // Not listed means not kept: the message stays on its server instead.
        QFile::remove(copy.finalPath);
        return fail();
    }
    m_copy.reset();
    return true;
}

void DeletedMailArchive::discard()
{
    if (!m_copy)
        return;
    m_copy->part.close();
    QFile::remove(m_copy->part.fileName());
    m_copy.reset();
}

bool DeletedMailArchive::fail()
{
    discard();
    return false;
}

QList<ArchiveEntry> DeletedMailArchive::entries() const
{
    QList<ArchiveEntry> list;
    const auto lines = readIndexLines(indexPath(), kMaxIndexBytes);
    if (!lines)
        return list;
    for (auto line = lines->crbegin(); line != lines->crend(); ++line)
        if (const auto entry = parseIndexLine(*line))
            list.append(*entry);
    std::stable_sort(list.begin(), list.end(),
                     [](const ArchiveEntry& a, const ArchiveEntry& b) { return a.when > b.when; });
    return list;
}

std::optional<int> DeletedMailArchive::removeExpired(int retentionDays)
{
    const auto lines = readIndexLines(indexPath(), kMaxIndexBytes);
    if (!lines)
        return std::nullopt;
    const QDateTime oldest = m_clock.now().addDays(-retentionDays);
    QList<QByteArray> kept;
    QList<ArchiveEntry> expired;
    for (const QByteArray& line : *lines) {
        const auto entry = parseIndexLine(line);
        if (entry && entry->when < oldest)
            expired.append(*entry);
        else
            kept.append(line); // a line this program cannot read is left as it was
    }
    if (!expired.isEmpty() && !rewriteIndex(indexPath(), kept))
        return std::nullopt;
    const QDir deleted(folder());
    for (const QString& month : deleted.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = deleted.filePath(month);
        if (QFileInfo(path).isSymLink())
            continue;
        QDir monthFolder(path);
        for (const QString& part : monthFolder.entryList({u'*' + kPartSuffix}, QDir::Files))
            monthFolder.remove(part);
    }
    for (const ArchiveEntry& entry : expired) {
        const QString month = entry.file.section(u'/', 0, 0);
        if (!QFileInfo(deleted.filePath(month)).isSymLink())
            QFile::remove(filePath(entry));
    }
    for (const ArchiveEntry& entry : expired)
        deleted.rmdir(entry.file.section(u'/', 0, 0)); // only once empty
    return static_cast<int>(expired.size());
}

} // namespace archive
