#pragma once

#include <QLockFile>
#include <QString>

// One running copy per executable directory: a lock file beside the executable,
// held for the life of the program. A copy whose holder has died takes it over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& directory);

    // False when another running copy holds the lock.
    bool acquired() const { return m_acquired; }

private:
    QLockFile m_lock;
    bool m_acquired = false;
};
