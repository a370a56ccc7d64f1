#include "settings/OptionsFile.h"

#include "settings/AppFiles.h"
#include "settings/OwnerOnly.h"
#include "settings/SettingsModel.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

// Edits the file at path through a private copy that QSettings changes, then puts the
// copy in place atomically and owner-only: QSettings itself writes in place and with
// the umask's mode.
bool OptionsFile::editFile(const QString& path, const std::function<void(QSettings&)>& edit)
{
    QTemporaryFile draft; // mode 0600
    if (!draft.open())
        return false;
    QFile current(path);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = current.read(kMaxBytes + 1);
        if (bytes.size() > kMaxBytes || draft.write(bytes) != bytes.size())
            return false;
    }
    draft.close();
    {
        QSettings settings(draft.fileName(), QSettings::IniFormat);
        edit(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    // QSettings replaced the draft by renaming: read it by name, not through `draft`.
    QFile editedFile(draft.fileName());
    if (!editedFile.open(QIODevice::ReadOnly))
        return false;
    const QByteArray edited = editedFile.read(kMaxBytes + 1);
    if (edited.size() > kMaxBytes)
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && makeOwnerOnly(file) &&
           file.write(edited) == edited.size() && file.commit();
}

OptionsFile OptionsFile::load(const QString& directory)
{
    OptionsFile options;
    options.m_path = appfiles::beside(directory, QString::fromUtf16(appfiles::kOptionsFile));
    const QFileInfo info(options.m_path);
    if (!info.exists())
        return options;
    const auto refuse = [&options](const QString& reason) {
        OptionsFile defaults; // nothing half-read is used
        defaults.m_path = options.m_path;
        defaults.m_problem = reason;
        return defaults;
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
    const QVariant preview = file.value(QStringLiteral("Run/PreviewOnly"));
    if (preview.isValid()) {
        const QString text = preview.toString();
        if (preview.typeId() != QMetaType::QString ||
            (text != QLatin1String("true") && text != QLatin1String("false")))
            return refuse(QStringLiteral("Run の PreviewOnly が true でも false でもありません"));
        options.m_previewOnly = text == QLatin1String("true");
    }
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        const QVariant list = file.value(QStringLiteral("Profile%1/AllowList").arg(n));
        if (!list.isValid())
            continue;
        if (list.typeId() != QMetaType::QString ||
            list.toString().size() > kMaxAllowList * (kMaxAddressLength + 1))
            return refuse(QStringLiteral("Profile%1 の AllowList が正しくありません").arg(n));
        options.m_allowLists.at(n - 1) = allowListEntries(list.toString());
    }
    if (!options.readProfiles(file))
        return refuse(options.m_problem);
    options.readKeptCopies(file);
    return options;
}

bool OptionsFile::savePreviewOnly(const QString& directory, bool on)
{
    const OptionsFile current = load(directory);
    if (!current.problem().isEmpty())
        return false;
    return editFile(current.path(), [on](QSettings& file) {
        file.setValue(QStringLiteral("Run/PreviewOnly"), on);
    });
}

bool OptionsFile::saveAllowLists(const QString& directory, const SettingsModel& settings)
{
    const OptionsFile current = load(directory);
    if (!current.problem().isEmpty())
        return false;
    return editFile(current.path(), [&settings](QSettings& file) {
        for (int n = 1; n <= SettingsModel::kProfileCount; ++n)
            file.setValue(QStringLiteral("Profile%1/AllowList").arg(n),
                          allowListEntries(settings.profile(n).AllowList.join(u' ')).join(u' '));
    });
}

QStringList OptionsFile::allowListEntries(const QString& text)
{
    QStringList entries;
    for (const QString& entry :
         text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (entries.size() == kMaxAllowList)
            break;
        if (entry.contains(u'@') && entry.size() > 1 && entry.size() <= kMaxAddressLength)
            entries.append(entry);
    }
    return entries;
}

void OptionsFile::applyAllowLists(SettingsModel& settings) const
{
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n)
        settings.profile(n).AllowList = allowList(n);
}
