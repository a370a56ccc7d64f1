#pragma once

#include <QLockFile>
#include <QString>

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
    QString errorString() const;

private:
    QString m_path;
    QLockFile m_lock;
    Outcome m_outcome = Outcome::Failed;
};
