#pragma once

#include "app/control/MailProgram.h"
#include "platform/Timer.h"
#include "settings/SettingsFile.h"

#include <QDateTime>
#include <QString>

#include <memory>

struct AppContext;
class Form1Model;
class Shell;

// The main window's commands: run, continue, stop, exit, server settings and
// help; the command monitor's cancel; the notification-area icon; the interval
// scheduler Timer3 and the end-of-run action, which the rotation calls after the
// last server of a run.
//
// States as the main window shows them:
//   idle / stopped  caption "Post Sweep" / "PostSweep", 実行 and サーバ設定 enabled,
//                   継続 and 中止 hidden, no timer running;
//   running         caption "PostSweep 実行中", 実行 and サーバ設定 disabled, 継続 and
//                   中止 shown; periodic mode keeps Timer3 ticking every second.
// A run holds the session engine from its start to the end of its rotation; a
// periodic run that falls due during a login check waits for the check to end.
class RunController
{
public:
    RunController(AppContext& context, Form1Model& form, Shell& shell);
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    void run();            // 実行 (Command3)
    void continueRun();    // 継続 (Command4): hides the main window
    void stop();           // 中止 (Command5 and the icon menu's 中止)
    void exit();           // 終　了 (Command2, the icon menu's 終了, closing the main window)
    void serverSettings(); // サーバ設定 (Command1)
    void help();           // ヘルプ
    void cancel();         // キャンセル of the command monitor Form2
    void iconDoubleClicked();
    void showHeaderViewer();
    void showDeletedMail(); // 削除したメール, from the main window and the icon's menu
    void showSingleServerDialog();

    // What the end of a run-once starts outside Windows, where the fixed paths of
    // Option2(0) and Option2(1) do not exist: the options file's command or the
    // desktop's mail program; nothing when neither is known.
    void setMailProgram(std::optional<MailProgram> program) { m_mailProgram = std::move(program); }

    bool exiting() const { return m_exiting; }
    platform::Timer& Timer3() { return *m_timer3; }
    qint16 IntervalMinutes() const { return m_intervalMinutes; }
    const QDateTime& NextRunTime() const { return m_nextRunTime; }

private:
    void startRotation();
    void Timer3_Timer();
    void endOfRun();
    void startMailProgram();
    bool runInProgress() const;
    void stopTimersAndSocket();
    void openSettingsDialog();
    [[nodiscard]] WriteResult save();
    void warnNotSaved(const WriteResult& result);

    AppContext& m_context;
    Form1Model& m_form;
    Shell& m_shell;
    std::unique_ptr<platform::Timer> m_timer3;
    // Ten minutes until a run sets it from a valid TimePosition: an interval of
    // zero would start runs back to back.
    qint16 m_intervalMinutes = 10;
    QDateTime m_nextRunTime;
    bool m_exiting = false;
    std::optional<MailProgram> m_mailProgram;
};
