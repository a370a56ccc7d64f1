#include "app/control/StartUp.h"

#include "app/control/Form1Model.h"
#include "app/control/Shell.h"
#include "core/AppContext.h"
#include "settings/OptionsFile.h"

#include <QFileInfo>

namespace {

// A check box takes 0, 1 and 2; any other stored value leaves it as it is.
bool checkValue(qint16 value)
{
    return value >= 0 && value <= 2;
}

// The stored global values onto the main window's controls, in the order the
// settings file is applied; each control that changes runs its click handling.
void applyGlobals(const GlobalSettings loaded, Form1Model& form)
{
    if (checkValue(loaded.ClearLogAtStart))
        form.setCheck5(loaded.ClearLogAtStart);
    if (loaded.IntCheck == 1)
        form.setCheck1(1);
    form.setOption1(loaded.TimePosition); // outside 0..5 selects nothing
    form.setOption2(loaded.MailSoftSelect);
    if (checkValue(loaded.CleanCond1))
        form.setCheck2(loaded.CleanCond1);
    if (checkValue(loaded.CleanCond2))
        form.setCheck3(loaded.CleanCond2);
    if (checkValue(loaded.MainSubjectRule))
        form.setCheck3(loaded.MainSubjectRule);
    if (checkValue(loaded.MainSenderRule))
        form.setCheck4(loaded.MainSenderRule);
    form.setText1(loaded.MainSubjectWords);
    form.setText2(loaded.MainSenderWords);
}

// Every later save rewrites the whole file from what was read: a file that did not
// load completely is first kept beside it, and the user is told once.
void keepUnreadSettings(AppContext& context, Shell& shell)
{
    const std::optional<QString> kept = keepUnreadFile(context.settingsPath());
    if (!kept)
        return;
    const QString message =
        QStringLiteral("設定ファイル「%1」の一部を読み込めませんでした。元のファイルを「%"
                       "2」として残しました。")
            .arg(QString::fromUtf16(appfiles::kSettingsFile), QFileInfo(*kept).fileName());
    context.log.writeStamped(QStringLiteral("  ") + message);
    shell.warn(message);
}

} // namespace

LoadOutcome startUp(AppContext& context, Form1Model& form, Shell& shell)
{
    const LoadOutcome outcome = LoadSettings(context.settingsPath(), context.settings);
    // Before the dialog can open: saving it writes the allow-lists back.
    OptionsFile::load(context.directory).applyAllowLists(context.settings);
    if (outcome == LoadOutcome::PathA) {
        keepUnreadSettings(context, shell);
        // Without a settings dialog the main window in its idle state serves.
        form.setMainWindowVisible(!shell.showSettingsDialog());
        return outcome;
    }
    // By value: the controls write their values back into the global settings as
    // they change, and Check3 takes two stored values in turn.
    applyGlobals(context.settings.global, form);
    if (form.Check5() == 1)
        context.log.ClearLog();
    if (outcome == LoadOutcome::PathB)
        keepUnreadSettings(context, shell);
    form.setMainWindowVisible(true);
    return outcome;
}
