#include "settings/SaveFailure.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/statvfs.h>
#endif

namespace {

QString reasonFor(const QString& path, const QString& systemText)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("同じ名前のフォルダがあります");
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("保存先のフォルダがありません");
#ifdef Q_OS_UNIX
    struct statvfs volume
    {
    };
    if (statvfs(QFile::encodeName(folder).constData(), &volume) == 0) {
        if (volume.f_flag & ST_RDONLY)
            return QStringLiteral("読み取り専用のファイルシステムです");
        if (volume.f_bavail == 0)
            return QStringLiteral("ディスクに空きがありません");
    }
#endif
    // The new text is written beside the file and renamed over it: both need the folder.
    if (!QFileInfo(folder).isWritable() || (file.exists() && !file.isWritable()))
        return QStringLiteral("書き込みが許可されていません");
    return systemText;
}

} // namespace

QString saveFailureMessage(const QString& path, const QString& systemText)
{
    return QStringLiteral("設定ファイル「%1」を保存できませんでした（%2）。")
        .arg(QDir::toNativeSeparators(path), reasonFor(path, systemText));
}
