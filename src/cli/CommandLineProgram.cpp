#include "cli/CommandLineProgram.h"

#include "app/control/RunLogLines.h"
#include "app/control/SingleInstance.h"
#include "cli/CommandLine.h"
#include "cli/ProfileMonitor.h"
#include "core/AppContext.h"
#include "core/KeptCopies.h"
#include "dialogs/control/ServerVerification.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <csignal>
#include <optional>

namespace cli {
namespace {

const QString kErrorPrefix = QStringLiteral("エラー: ");

// The settings of dir, or why they cannot be used.
std::optional<QString> loadSettings(AppContext& ctx)
{
    const QString path = ctx.settingsPath();
    if (!QFileInfo::exists(path))
        return QStringLiteral("設定ファイル「%1」がありません").arg(path);
    if (LoadSettings(path, ctx.settings) != LoadOutcome::Complete)
        return QStringLiteral("設定ファイル「%1」が壊れています").arg(path);
    // Without the companion file no profile's connection is known: none is tried in clear.
    if (!ctx.settings.optionsProblem.isEmpty())
        return QStringLiteral("「%1」を読み込めません（%2）")
            .arg(QString::fromUtf16(appfiles::kOptionsFile), ctx.settings.optionsProblem);
    OptionsFile::load(ctx.directory).applyAllowLists(ctx.settings);
    if (!ctx.settings.anyEnabled())
        return QStringLiteral("設定ファイル「%1」に有効なサーバがありません").arg(path);
    return std::nullopt;
}

QString profileName(const ServerProfile& profile)
{
    return printable(profile.Server) + QLatin1Char(' ') + printable(profile.Id) +
           QStringLiteral(": ");
}

// One rotation over the enabled profiles, as the main window's 実行 of a run-once.
class Rotation
{
public:
    Rotation(AppContext& ctx, ProfileMonitor& monitor, bool preview, bool keepCopies)
        : m_ctx(ctx), m_monitor(monitor), m_preview(preview), m_keepCopies(keepCopies)
    {
        m_monitor.setProfileStartHandler([this] { profileStarts(); });
        m_monitor.setHiddenHandler([this] { m_ctx.loop.defer([this] { endIfPastLast(); }); });
        m_ctx.rotation.setEndOfRunHandler([this] { endOfRun(); });
    }
    ~Rotation()
    {
        m_ctx.rotation.setEndOfRunHandler({});
        m_monitor.setProfileStartHandler({});
        m_monitor.setHiddenHandler({});
    }
    Rotation(const Rotation&) = delete;
    Rotation& operator=(const Rotation&) = delete;

    int exec()
    {
        m_ctx.log.writeStamped(m_preview ? runlog::startedPreview() : runlog::started());
        m_ctx.rotation.setPreview(m_preview);
        chooseKeeper(m_ctx, m_keepCopies);
        m_ctx.engine.request(EngineOwner::User::Run, [this] { m_ctx.rotation.startRun(); });
        m_events.exec();
        return m_failed ? kExitProfileError : kExitOk;
    }

private:
    // The rules show the monitor too, in the middle of a profile's session.
    void profileStarts()
    {
        if (m_current == m_ctx.rotation.ServerIndex)
            return;
        reportProfile();
        m_current = m_ctx.rotation.ServerIndex;
        m_monitor.reset();
    }

    // The summary line of the profile that has just ended, and the subjects it deleted.
    void reportProfile()
    {
        if (!m_current)
            return;
        const QString name = profileName(m_ctx.settings.profile(*m_current));
        m_current.reset();
        if (m_ctx.session.variables().Pop3ErrorFlag == Pop3Session::True) {
            m_failed = true;
            printOut(name + kErrorPrefix + m_monitor.errorText());
            return;
        }
        const HeaderStore& store = m_ctx.store;
        const QString counts = m_preview ? QStringLiteral("%1 件, 削除対象 %2 件（確認のみ）")
                                         : QStringLiteral("%1 件, 削除 %2 件");
        printOut(name + counts.arg(store.MaxMail).arg(store.MaxEraseNo));
        const QString verb =
            m_preview ? QStringLiteral("  削除対象: ") : QStringLiteral("  削除: ");
        for (int i = 0; i < store.MaxEraseNo; ++i)
            printOut(verb + printable(store.MailSubject(store.EraseList(i))));
    }

    // Nothing is left once the rotation has passed the last profile: the program ends
    // now rather than on Timer4's next tick, half a second later.
    void endIfPastLast()
    {
        if (m_ctx.rotation.RunFinished == -1 && m_ctx.rotation.Timer4().isActive() &&
            !m_ctx.session.sessionInProgress())
            endOfRun();
    }

    void endOfRun()
    {
        m_ctx.session.Timer2().stop();
        m_ctx.rotation.Timer4().stop();
        m_ctx.engine.release(EngineOwner::User::Run);
        reportProfile();
        m_ctx.log.writeStamped(runlog::finishedAndExiting());
        m_events.quit();
    }

    AppContext& m_ctx;
    ProfileMonitor& m_monitor;
    QEventLoop m_events;
    std::optional<qint16> m_current;
    const bool m_preview;
    const bool m_keepCopies;
    bool m_failed = false;
};

// The login check of every enabled profile, as the settings dialog's 設定確認.
int check(AppContext& ctx, ProfileMonitor& monitor)
{
    ServerVerification verification(ctx);
    QEventLoop events;
    QStringList lines(ServerVerification::kServers);
    bool failed = false;
    verification.setChangeHandler([&] {
        for (int n = 1; n <= ServerVerification::kServers; ++n) {
            const QString& status = verification.status(n);
            if (!lines.at(n - 1).isEmpty() || !ctx.settings.profile(n).Enabled ||
                (status != ServerVerification::kLoggedIn && status != ServerVerification::kFailed))
                continue;
            const bool ok = status == ServerVerification::kLoggedIn;
            failed = failed || !ok;
            lines[n - 1] = profileName(ctx.settings.profile(n)) + status +
                           (ok ? QString() : QStringLiteral(": ") + monitor.errorText());
            monitor.reset();
        }
        if (!verification.running() &&
            verification.buttonCaption() == ServerVerification::kOkCaption)
            events.quit();
    });
    verification.start();
    if (verification.running() || verification.waiting())
        events.exec();
    for (const QString& line : lines)
        if (!line.isEmpty())
            printOut(line);
    return failed ? kExitProfileError : kExitOk;
}

int execute(const Options& options)
{
    const QString directory = options.settingsDirectory.isEmpty()
                                  ? QCoreApplication::applicationDirPath()
                                  : QFileInfo(options.settingsDirectory).absoluteFilePath();
    const SingleInstance instance(directory);
    switch (instance.outcome()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::HeldByAnother:
        printError(QStringLiteral("PostSweep は「%1」で実行中です").arg(directory));
        return kExitRunning;
    case SingleInstance::Outcome::Failed:
        printError(
            QStringLiteral("ロックファイルを作成できません（%1）").arg(instance.errorString()));
        return kExitUnusable;
    }

    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    AppContext ctx(loop, socket, directory);
    if (const std::optional<QString> reason = loadSettings(ctx)) {
        printError(*reason);
        return kExitUnusable;
    }
    const KeptCopiesOptions kept = OptionsFile::load(directory).keptCopies();
    startKeptCopies(ctx, kept);
    ProfileMonitor monitor(options.verbose);
    ctx.session.setMonitor(&monitor);
    ctx.rotation.setMonitor(&monitor);
    int status = kExitOk;
    if (options.command == Command::Check) {
        status = check(ctx, monitor);
    } else {
        Rotation rotation(ctx, monitor, options.command == Command::Preview, kept.enabled);
        status = rotation.exec();
    }
    ctx.session.setMonitor(nullptr);
    ctx.rotation.setMonitor(nullptr);
    return status;
}

} // namespace

int runCommandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const std::optional<Options> options = parse(arguments);
    if (!options) {
        std::fputs(usage().toUtf8().constData(), stderr);
        return kExitUnusable;
    }
    switch (options->command) {
    case Command::Help:
        std::fputs(usage().toUtf8().constData(), stdout);
        return kExitOk;
    case Command::Version:
        printOut(QStringLiteral("PostSweep " POSTSWEEP_VERSION));
        return kExitOk;
    case Command::Run:
    case Command::Preview:
    case Command::Check:
        break;
    }
    // A reader that goes away (`| head`) must not end the run between two servers.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PostSweep"));
    return execute(*options);
}

} // namespace cli
