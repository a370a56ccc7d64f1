#include "app/control/SingleInstance.h"

#include "settings/AppFiles.h"

SingleInstance::SingleInstance(const QString& directory)
    : m_lock(appfiles::beside(directory, QStringLiteral("PostSweep.lock")))
{
    // Never stale by age: a resident copy holds the lock for days.
    m_lock.setStaleLockTime(0);
    m_acquired = m_lock.tryLock(0);
}

std::optional<int> SingleInstance::refusal(const std::function<void(const QString&)>& tell) const
{
    if (m_acquired)
        return std::nullopt;
    if (m_lock.error() == QLockFile::LockFailedError)
        return 0;
    const QString reason = m_lock.error() == QLockFile::PermissionError
                               ? QStringLiteral("書き込みが許可されていません")
                               : QStringLiteral("原因不明のエラーです");
    tell(QStringLiteral(
             "プログラムのフォルダにロックファイル「%1」を作成できないため、起動できません"
             "（%2）。\nプログラムを書き込みできるフォルダに置いてください。")
             .arg(m_lock.fileName(), reason));
    return 1;
}
