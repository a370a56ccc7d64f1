#include "app/control/RunController.h"

#include "app/control/Form1Model.h"
#include "app/control/IntervalSchedule.h"
#include "app/control/RunLogLines.h"
#include "app/control/Shell.h"
#include "core/AppContext.h"
#include "core/KeptCopies.h"
#include "settings/OptionsFile.h"

#include <QDir>

namespace {

// The help file beside the executable, opened by the desktop's viewer.
const QString kHelpFile = QStringLiteral("postsweep.html");

#ifdef Q_OS_WIN
// The mail program started after a run-once, by the selected Option2 button;
// empty for "起動せずそのまま終了" and when no button is selected.
QString mailProgramPath(int option2)
{
    switch (option2) {
    case 0:
        return QStringLiteral("C:\\Program Files\\Outlook Express\\msimn.exe");
    case 1:
        return QStringLiteral("C:\\PROGRA~1\\MICROS~2\\Office\\OUTLOOK.EXE");
    default:
        return {};
    }
}
#endif

} // namespace

RunController::RunController(AppContext& context, Form1Model& form, Shell& shell)
    : m_context(context), m_form(form), m_shell(shell), m_timer3(context.loop.createTimer(5000))
{
    m_timer3->setTickHandler([this] { Timer3_Timer(); });
    m_context.rotation.setEndOfRunHandler([this] { endOfRun(); });
}

RunController::~RunController()
{
    m_context.rotation.setEndOfRunHandler({});
}

void RunController::run()
{
    if (m_context.engine.heldBy(EngineOwner::User::Check) || !m_form.startCommandsEnabled())
        return;
    if (!m_context.settings.anyEnabled()) {
        openSettingsDialog();
        return;
    }
    m_context.log.writeStamped(m_form.previewOnly() ? runlog::startedPreview() : runlog::started());
    m_form.showRunning();
    m_form.setMainWindowVisible(false);
    if (m_form.Check1() == 0) {
        m_timer3->setInterval(1000);
        m_timer3->start();
        if (const auto minutes = schedule::intervalMinutes(m_context.settings.global.TimePosition))
            m_intervalMinutes = static_cast<qint16>(*minutes);
        m_nextRunTime = m_context.loop.now().addSecs(qint64{m_intervalMinutes} * 60);
    }
    m_shell.showMonitor();
    m_context.engine.request(EngineOwner::User::Run, [this] { startRotation(); });
    const WriteResult saved = save();
    if (!saved)
        warnNotSaved(saved); // the run goes on
}

void RunController::continueRun()
{
    m_form.setMainWindowVisible(false);
}

void RunController::stop()
{
    // No run can be in progress during a login check, and the check has its own cancel.
    if (m_context.engine.heldBy(EngineOwner::User::Check))
        return;
    m_form.setMainWindowVisible(true);
    m_form.showStopped();
    stopTimersAndSocket();
    m_shell.hideMonitor();
    m_context.log.writeStamped(
        QStringLiteral("  中止キーが押されたのでタイマでの定期実行を中止します"));
}

void RunController::cancel()
{
    stopTimersAndSocket();
    m_shell.hideMonitor();
    if (m_form.Check1() == 1)
        m_form.setMainWindowVisible(true);
    m_context.log.writeStamped(QStringLiteral("　データ読み込み中キャンセルされました"));
    m_form.showStopped();
}

// Ends the program at once, whatever is in progress: a session cut off before
// QUIT deletes nothing on its server.
void RunController::exit()
{
    if (m_exiting)
        return;
    m_exiting = true;
    stopTimersAndSocket();
    m_context.session.abort(); // a check let in by the run's end has nothing to finish
    GlobalSettings& global = m_context.settings.global;
    global.CleanCond1 = m_form.Check2();
    global.CleanCond2 = m_form.Check3();
    const WriteResult saved = save();
    m_context.log.writeStamped(QStringLiteral("  終了キーが押されたので終了します"));
    if (!saved)
        warnNotSaved(saved); // the exit goes on
    m_shell.quit();
}

void RunController::serverSettings()
{
    const Pop3Variables& session = m_context.session.variables();
    m_shell.fillSingleServerDialog(session.Pop3Server, QString::number(session.Pop3Port),
                                   session.Pop3Id, session.Pop3PassWd);
    openSettingsDialog();
}

void RunController::help()
{
    m_form.setTopmost(false);
    const QString path = appfiles::beside(m_context.directory, kHelpFile);
    if (!m_shell.openPath(path))
        m_shell.warn(QStringLiteral("ヘルプ「%1」を開くプログラムがこのデスクトップにありません。")
                         .arg(QDir::toNativeSeparators(path)));
}

void RunController::iconDoubleClicked()
{
    if (!m_shell.monitorVisible() && !m_context.engine.heldBy(EngineOwner::User::Check))
        m_form.bringToFront();
}

void RunController::showHeaderViewer()
{
    m_shell.showHeaderViewer();
}

void RunController::showDeletedMail()
{
    m_shell.showDeletedMail();
}

void RunController::showSingleServerDialog()
{
    m_shell.showSingleServerDialog();
}

// Starts a due periodic run; one that falls due during a login check starts as the
// check lets go of the engine. The timetable moves on to the first grid point after
// the start.
void RunController::Timer3_Timer()
{
    if (m_form.Check1() == 1 || runInProgress() || m_context.engine.waiting(EngineOwner::User::Run))
        return;
    if (m_context.loop.now() <= m_nextRunTime)
        return;
    m_context.engine.request(EngineOwner::User::Run, [this] {
        m_nextRunTime =
            schedule::nextGridPoint(m_nextRunTime, m_intervalMinutes, m_context.loop.now());
        startRotation();
    });
}

// The choices of 確認のみ and of kept copies as they stand when the run actually starts.
void RunController::startRotation()
{
    m_context.rotation.setPreview(m_form.previewOnly());
    chooseKeeper(m_context, m_form.keepCopies());
    m_context.rotation.startRun();
}

// Called by the rotation's Timer4 once the last server of a run is done.
void RunController::endOfRun()
{
    m_context.session.Timer2().stop();
    m_context.rotation.Timer4().stop();
    m_context.engine.release(EngineOwner::User::Run);
    if (m_form.Check1() == 0)
        return; // periodic: stays resident until the next run falls due
    m_context.log.writeStamped(runlog::finishedAndExiting());
    startMailProgram();
    m_shell.quit();
}

void RunController::startMailProgram()
{
#ifdef Q_OS_WIN
    if (const QString program = mailProgramPath(m_form.Option2()); !program.isEmpty())
        m_shell.openPath(program); // a failure is ignored
#else
    if (m_form.Option2() != 0 && m_form.Option2() != 1)
        return;
    if (!m_mailProgram)
        m_context.log.writeStamped(QStringLiteral("  起動するメールソフトが見つかりませんでした"));
    else if (!m_shell.startProgram(m_mailProgram->program, m_mailProgram->arguments))
        m_context.log.writeStamped(
            QStringLiteral("  メールソフト %1 を起動できませんでした").arg(m_mailProgram->program));
#endif
}

bool RunController::runInProgress() const
{
    return m_context.engine.heldBy(EngineOwner::User::Run) ||
           m_context.rotation.Timer4().isActive();
}

void RunController::stopTimersAndSocket()
{
    m_context.session.abort();
    m_timer3->stop();
    m_context.rotation.Timer4().stop();
    m_context.engine.release(EngineOwner::User::Run); // a waiting check starts now
}

void RunController::openSettingsDialog()
{
    if (m_shell.showSettingsDialog())
        m_form.setMainWindowVisible(false);
}

WriteResult RunController::save()
{
    const WriteResult written = SetDataWrite(m_context.settingsPath(), m_context.settings);
    if (!written)
        return written;
    // A server saved without the mode chosen for it would next be reached in plain text.
    // A damaged companion file is left alone: that was reported once at the start.
    QString failed = OptionsFile::saveConnections(m_context.directory, m_context.settings);
    // So would a sender the user meant to keep, whose allow-list was left unsaved.
    const OptionsFile stored = OptionsFile::load(m_context.directory);
    bool allowListsEdited = false;
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n)
        allowListsEdited |=
            stored.allowList(n) !=
            OptionsFile::allowListEntries(m_context.settings.profile(n).AllowList.join(u' '));
    if (failed.isEmpty() && allowListsEdited &&
        !OptionsFile::saveAllowLists(m_context.directory, m_context.settings))
        failed = QStringLiteral("削除しない差出人を書き込めません");
    if (!failed.isEmpty() && stored.problem().isEmpty())
        return {false,
                QStringLiteral("接続と削除しない差出人の設定を %1 に保存できませんでした（%2）。")
                    .arg(QString::fromUtf16(appfiles::kOptionsFile), failed)};
    return written;
}

void RunController::warnNotSaved(const WriteResult& result)
{
    m_shell.warn(result.error);
}
