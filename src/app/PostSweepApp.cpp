#include "app/PostSweepApp.h"

#include "app/DeletedMailWindow.h"
#include "app/NotifyIcon.h"
#include "app/control/DeletedMailList.h"
#include "app/control/Shell.h"
#include "app/control/StartUp.h"
#include "core/KeptCopies.h"
#include "settings/OptionsFile.h"

PostSweepApp::PostSweepApp(platform::EventLoop& loop, platform::TcpClient& socket,
                           const QString& directory, const ShellFactory& makeShell, Options options)
    : m_context(loop, socket, directory), m_model(m_context.settings.global),
      m_shell(makeShell(m_monitor)),
      m_controller(std::make_unique<RunController>(m_context, m_model, *m_shell)),
      m_mainWindow(std::make_unique<Form1>(m_model, *m_controller, options.notificationIcon))
{
    m_context.session.setMonitor(&m_monitor);
    m_context.rotation.setMonitor(&m_monitor);
    QObject::connect(&m_monitor, &Form2::cancelClicked, m_mainWindow.get(),
                     [this] { m_controller->cancel(); });
    if (options.notificationIcon)
        addNotificationIcon();
    chooseMailProgram(options);
}

void PostSweepApp::chooseMailProgram(const Options& options)
{
    const OptionsFile file = OptionsFile::load(m_context.directory);
    m_optionsProblem = file.problem();
    std::optional<MailProgram> program = MailProgram::fromCommand(file.mailProgramCommand());
    if (!program && options.desktopMailProgram)
        program = options.desktopMailProgram();
    m_model.setMailProgramName(program ? program->name : QString());
    m_controller->setMailProgram(std::move(program));
    m_model.setPreviewOnly(file.previewOnly());
    QObject::connect(&m_model, &Form1Model::previewOnlyChanged, m_mainWindow.get(),
                     [this](bool on) {
                         if (!OptionsFile::savePreviewOnly(m_context.directory, on))
                             m_context.log.writeStamped(
                                 QStringLiteral("  %1 に確認のみの設定を保存できませんでした")
                                     .arg(QString::fromUtf16(appfiles::kOptionsFile)));
                     });
    m_keptCopies = file.keptCopies();
    m_model.setKeepCopies(m_keptCopies.enabled);
    QObject::connect(&m_model, &Form1Model::keepCopiesChanged, m_mainWindow.get(), [this](bool on) {
        if (!OptionsFile::saveKeepCopies(m_context.directory, on))
            m_context.log.writeStamped(QStringLiteral("  %1 に控えの設定を保存できませんでした")
                                           .arg(QString::fromUtf16(appfiles::kOptionsFile)));
    });
}

void PostSweepApp::addNotificationIcon()
{
    if (m_notifyIcon)
        return;
    m_notifyIcon = std::make_unique<NotifyIcon>(*m_controller);
    m_mainWindow->setHideToNotificationArea(true);
}

void PostSweepApp::showDeletedMail()
{
    if (!m_deletedMailWindow) {
        m_deletedMail = std::make_unique<DeletedMailList>(m_context.archive, *m_shell);
        m_deletedMailWindow = std::make_unique<DeletedMailWindow>(*m_deletedMail);
    }
    m_deletedMailWindow->showList();
}

PostSweepApp::~PostSweepApp()
{
    m_context.session.setMonitor(nullptr);
    m_context.rotation.setMonitor(nullptr);
}

LoadOutcome PostSweepApp::start()
{
    const LoadOutcome outcome = startUp(m_context, m_model, *m_shell);
    startKeptCopies(m_context, m_keptCopies);
    if (!m_optionsProblem.isEmpty())
        m_context.log.writeStamped(
            QStringLiteral("  %1 を使いません（%2）。直すまでサーバに接続しません")
                .arg(QString::fromUtf16(appfiles::kOptionsFile), m_optionsProblem));
    return outcome;
}
