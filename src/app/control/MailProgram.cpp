#include "app/control/MailProgram.h"

#include <QFileInfo>
#include <QProcess>

namespace {

// "%u", "%F" and the like stand for files or URLs handed over by the desktop;
// with none to hand over they are left out, "%%" is a percent sign.
QString withoutFieldCodes(const QString& exec)
{
    QString result;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != u'%' || i + 1 == exec.size()) {
            result += exec[i];
            continue;
        }
        ++i;
        if (exec[i] == u'%')
            result += u'%';
    }
    return result;
}

} // namespace

std::optional<MailProgram> MailProgram::fromCommand(const QString& commandLine)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        return std::nullopt;
    MailProgram mail;
    mail.program = words.takeFirst();
    mail.arguments = words;
    mail.name = QFileInfo(mail.program).fileName();
    return mail;
}

std::optional<MailProgram> MailProgram::fromDesktopEntry(const QByteArray& entry)
{
    QString exec, name, japaneseName;
    bool inMainGroup = false;
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Exec")
            exec = value;
        else if (key == u"Name")
            name = value;
        else if (key == u"Name[ja]")
            japaneseName = value;
    }
    auto mail = fromCommand(withoutFieldCodes(exec));
    if (mail && !(japaneseName.isEmpty() && name.isEmpty()))
        mail->name = japaneseName.isEmpty() ? name : japaneseName;
    return mail;
}
