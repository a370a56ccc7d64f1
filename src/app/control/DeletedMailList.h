#pragma once

#include "archive/ArchiveEntry.h"

#include <QAbstractTableModel>
#include <QList>

namespace archive {
class DeletedMailArchive;
}
class Shell;

// The window "削除したメール" as plain state: the kept copies from the archive's index,
// newest first, in the columns 日時 / サーバ / 件名 / 差出人 / ルール, and what its
// buttons do with the selected row.
class DeletedMailList : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { When, Server, Subject, Sender, Rule, ColumnCount };
    // The most of a header shown; the rest of a copy is the mail program's business.
    static constexpr qint64 kMaxHeaderBytes = 64 * 1024;

    DeletedMailList(const archive::DeletedMailArchive& archive, Shell& shell,
                    QObject* parent = nullptr);

    // Reads the index again.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // メールソフトで開く, a double-click or Enter: the copy through the desktop, which
    // opens an .eml in the user's mail program; a warning when it cannot.
    void open(int row);
    // ヘッダを表示: the copy's header up to its blank line, line ends as line feeds;
    // nothing (after a warning) when the copy cannot be read.
    std::optional<QString> header(int row);
    // フォルダを開く: the folder of the copies.
    void openFolder();

private:
    QString pathOf(int row) const;

    const archive::DeletedMailArchive& m_archive;
    Shell& m_shell;
    QList<archive::ArchiveEntry> m_entries;
};
