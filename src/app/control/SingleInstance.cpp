#include "app/control/SingleInstance.h"

#include "settings/AppFiles.h"

#include <QFile>

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
    QString reason = QStringLiteral("書き込みが許可されていません");
    if (m_lock.error() != QLockFile::PermissionError) {
        // The lock does not say why; creating the file once more does.
        QFile probe(m_lock.fileName());
        reason = probe.open(QIODevice::WriteOnly | QIODevice::NewOnly) ? QStringLiteral("原因不明")
                                                                       : probe.errorString();
        if (probe.isOpen())
            probe.remove();
    }
    tell(QStringLiteral(
             "プログラムのフォルダにロックファイル「%1」を作成できないため、起動できません"
             "（%2）。\nプログラムを書き込みできるフォルダに置いてください。")
             .arg(m_lock.fileName(), reason));
    return 1;
}
