#include "app/DesktopMailProgram.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kQueryMilliseconds = 3000;
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// The desktop entry's file name, such as "thunderbird.desktop".
QString mailtoHandler()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(kQueryMilliseconds)) {
        query.kill();
        query.waitForFinished(kQueryMilliseconds);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    const QString name = QString::fromUtf8(query.readAllStandardOutput().left(1024)).trimmed();
    // A file name only: the entry is looked up in the desktop's application folders.
    if (!name.endsWith(QStringLiteral(".desktop")) || name.contains(u'/'))
        return {};
    return name;
}

} // namespace

std::optional<MailProgram> desktopMailProgram()
{
    const QString name = mailtoHandler();
    if (name.isEmpty())
        return std::nullopt;
    QFile entry(QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name));
    if (entry.fileName().isEmpty() || !entry.open(QIODevice::ReadOnly))
        return std::nullopt;
    return MailProgram::fromDesktopEntry(entry.read(kMaxEntryBytes));
}
