#include "app/control/SingleInstance.h"

#include "settings/AppFiles.h"

SingleInstance::SingleInstance(const QString& directory)
    : m_path(appfiles::beside(directory, QStringLiteral("PostSweep.lock"))), m_lock(m_path)
{
    // Never stale by age: a resident copy holds the lock for days.
    m_lock.setStaleLockTime(0);
    if (m_lock.tryLock(0))
        m_outcome = Outcome::Acquired;
    else if (m_lock.error() == QLockFile::LockFailedError)
        m_outcome = Outcome::HeldByAnother;
}

QString SingleInstance::errorString() const
{
    switch (m_lock.error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return {};
    case QLockFile::PermissionError:
        return QStringLiteral("ロックファイル「%1」を作成する権限がありません").arg(m_path);
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("ロックファイル「%1」を作成できません").arg(m_path);
}
