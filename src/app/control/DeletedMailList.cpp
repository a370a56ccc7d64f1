#include "app/control/DeletedMailList.h"

#include "app/control/Shell.h"
#include "archive/DeletedMailArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

DeletedMailList::DeletedMailList(const archive::DeletedMailArchive& archive, Shell& shell,
                                 QObject* parent)
    : QAbstractTableModel(parent), m_archive(archive), m_shell(shell)
{
    reload();
}

void DeletedMailList::reload()
{
    beginResetModel();
    m_entries = m_archive.entries();
    endResetModel();
}

int DeletedMailList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int DeletedMailList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeletedMailList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_entries.size())
        return {};
    const archive::ArchiveEntry& entry = m_entries.at(index.row());
    switch (static_cast<Column>(index.column())) {
    case When:
        return entry.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    case Server:
        return entry.server;
    case Subject:
        return entry.headerOnly ? entry.subject + QStringLiteral("（ヘッダのみ）") : entry.subject;
    case Sender:
        return entry.sender;
    case Rule:
        return entry.rule;
    case ColumnCount:
        break;
    }
    return {};
}

QVariant DeletedMailList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QString captions[ColumnCount] = {QStringLiteral("日時"), QStringLiteral("サーバ"),
                                                  QStringLiteral("件名"), QStringLiteral("差出人"),
                                                  QStringLiteral("ルール")};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return {};
    return captions[section];
}

QString DeletedMailList::pathOf(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return {};
    return m_archive.filePath(m_entries.at(row));
}

void DeletedMailList::open(int row)
{
    const QString path = pathOf(row);
    if (path.isEmpty())
        return;
    if (!QFile::exists(path))
        m_shell.warn(QStringLiteral("控えのファイル「%1」がありません。")
                         .arg(QDir::toNativeSeparators(path)));
    else if (!m_shell.openPath(path))
        m_shell.warn(QStringLiteral("「%1」を開くメールソフトがこのデスクトップにありません。")
                         .arg(QDir::toNativeSeparators(path)));
}

std::optional<QString> DeletedMailList::header(int row)
{
    const QString path = pathOf(row);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_shell.warn(QStringLiteral("控えのファイル「%1」を読めません。")
                         .arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxHeaderBytes);
    bytes.replace("\r\n", "\n");
    if (const qsizetype end = bytes.indexOf("\n\n"); end >= 0)
        bytes.truncate(end + 1);
    return QString::fromUtf8(bytes);
}

void DeletedMailList::openFolder()
{
    const QString folder = m_archive.folder();
    if (!QFileInfo(folder).isDir())
        m_shell.warn(QStringLiteral("削除したメールの控えはまだありません。"));
    else if (!m_shell.openPath(folder))
        m_shell.warn(
            QStringLiteral("フォルダ「%1」を開くプログラムがこのデスクトップにありません。")
                .arg(QDir::toNativeSeparators(folder)));
}
