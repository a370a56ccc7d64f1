#pragma once

#include <QLockFile>
#include <QString>

#include <functional>
#include <optional>

// One running copy per executable directory: a lock file beside the executable,
// held for the life of the program. A copy whose holder has died takes it over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& directory);

    // False when another running copy holds the lock, or no lock could be made.
    bool acquired() const { return m_acquired; }
    // Nothing when this copy may run. Otherwise the exit status: 0, silently, when
    // another running copy holds the lock; 1 when the lock file could not be made
    // at all (a folder that cannot be written), after telling the user why.
    std::optional<int> refusal(const std::function<void(const QString&)>& tell) const;

private:
    QLockFile m_lock;
    bool m_acquired = false;
};
