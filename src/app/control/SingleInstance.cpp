#include "app/control/SingleInstance.h"

#include "settings/AppFiles.h"

#include <QFile>

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
    if (m_outcome != Outcome::Failed)
        return {};
    if (m_lock.error() == QLockFile::PermissionError)
        return QStringLiteral("書き込みが許可されていません");
    // The lock does not say why; creating the file once more does.
    QFile probe(m_path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return probe.errorString();
    probe.remove();
    return QStringLiteral("原因不明");
}

std::optional<int> SingleInstance::refusal(const std::function<void(const QString&)>& tell) const
{
    switch (m_outcome) {
    case Outcome::Acquired:
        return std::nullopt;
    case Outcome::HeldByAnother:
        return 0;
    case Outcome::Failed:
        break;
    }
    tell(QStringLiteral(
             "プログラムのフォルダにロックファイル「%1」を作成できないため、起動できません"
             "（%2）。\nプログラムを書き込みできるフォルダに置いてください。")
             .arg(m_path, errorString()));
    return 1;
}
