#include "app/control/SingleInstance.h"

#include "settings/AppFiles.h"

SingleInstance::SingleInstance(const QString& directory)
    : m_lock(appfiles::beside(directory, QStringLiteral("PostSweep.lock")))
{
    // Never stale by age: a resident copy holds the lock for days.
    m_lock.setStaleLockTime(0);
    m_acquired = m_lock.tryLock(0);
}
