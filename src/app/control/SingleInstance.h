#pragma once

#include <QLockFile>
#include <QString>

#include <functional>
#include <optional>

// One running copy per executable directory: a lock file beside the executable,
// held for the life of the program. A copy whose holder has died takes it over.
// The desktop program and the command line share it, so that a timer's run and the
// desktop never work on the same mailboxes at once.
class SingleInstance
{
public:
    enum class Outcome {
        Acquired,
        HeldByAnother, // another running copy holds the lock
        Failed,        // the lock file could not be made (see errorString())
    };

    explicit SingleInstance(const QString& directory);

    // False when the lock is not held, whatever the reason.
    bool acquired() const { return m_outcome == Outcome::Acquired; }
    Outcome outcome() const { return m_outcome; }
    // Why the lock file could not be made, in Japanese; empty unless Failed.
    QString errorString() const;
    // Nothing when this copy may run. Otherwise the exit status: 0, silently, when
    // another running copy holds the lock; 1 when the lock file could not be made
    // at all (a folder that cannot be written), after telling the user why.
    std::optional<int> refusal(const std::function<void(const QString&)>& tell) const;

private:
    QString m_path;
    QLockFile m_lock;
    Outcome m_outcome = Outcome::Failed;
};
