#include "settings/OptionsFile.h"

#include "settings/AppFiles.h"

#include <QFileInfo>
#include <QSettings>

OptionsFile OptionsFile::load(const QString& directory)
{
    OptionsFile options;
    options.m_path = appfiles::beside(directory, QString::fromUtf16(appfiles::kOptionsFile));
    const QFileInfo info(options.m_path);
    if (!info.exists())
        return options;
    const auto refuse = [&options](const QString& reason) {
        OptionsFile unused; // a damaged file sets nothing
        unused.m_path = options.m_path;
        unused.m_problem = reason;
        return unused;
    };
    // QSettings would read a folder or a huge file without complaint.
    if (!info.isFile())
        return refuse(QStringLiteral("ファイルではありません"));
    if (info.size() > kMaxBytes)
        return refuse(QStringLiteral("%1 バイトを超えています").arg(kMaxBytes));
    if (!info.isReadable())
        return refuse(QStringLiteral("読み取りが許可されていません"));

    const QSettings file(options.m_path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return refuse(QStringLiteral("書式が正しくありません"));
    const QVariant command = file.value(QStringLiteral("MailProgram/Command"));
    if (command.isValid()) {
        // A value with a comma reads back as a list: not a command line we wrote.
        if (command.typeId() != QMetaType::QString)
            return refuse(QStringLiteral("MailProgram の Command が 1 行の文字列ではありません"));
        const QString text = command.toString().trimmed();
        if (text.size() > kMaxValueLength || text.contains(u'\n') || text.contains(u'\r'))
            return refuse(QStringLiteral("MailProgram の Command が長すぎるか複数行です"));
        options.m_mailProgramCommand = text;
    }
    if (!options.readProfiles(file))
        return refuse(options.m_problem);
    return options;
}
