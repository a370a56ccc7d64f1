#include "pop3/ServerRotation.h"

#include "pop3/CommandMonitor.h"
#include "pop3/Pop3Session.h"
#include "settings/ActivityLog.h"
#include "settings/AppFiles.h"
#include "settings/SettingsModel.h"

#include <optional>

namespace {
constexpr qint16 kPastLast = SettingsModel::kProfileCount + 1;
}

struct ServerRotation::Private
{
    Private(platform::EventLoop& loop, Pop3Session& pop3, const SettingsModel& model,
            const ActivityLog& activityLog)
        : session(pop3), settings(model), log(activityLog), timer4(loop.createTimer(500))
    {}

    // The first enabled profile from `from` to the last, or nothing.
    std::optional<qint16> nextEnabled(qint16 from) const
    {
        for (qint16 number = from; number <= SettingsModel::kProfileCount; ++number)
            if (settings.profile(number).Enabled)
                return number;
        return std::nullopt;
    }

    Pop3Session& session;
    const SettingsModel& settings;
    const ActivityLog& log;
    std::unique_ptr<platform::Timer> timer4;
    CommandMonitor silentMonitor;
    CommandMonitor* monitor = &silentMonitor;
    std::function<void()> endOfRun;
    bool preview = false;
    platform::MessageKeeper* keeper = nullptr;
};

ServerRotation::ServerRotation(platform::EventLoop& loop, Pop3Session& session,
                               const SettingsModel& settings, const ActivityLog& log)
    : d(std::make_unique<Private>(loop, session, settings, log))
{
    d->timer4->setTickHandler([this] { onTimer4(); });
}

ServerRotation::~ServerRotation() = default;

void ServerRotation::startRun()
{
    ServerIndex = 1;
    RunFinished = 0;
    if (!d->settings.optionsProblem.isEmpty()) {
        d->log.writeStamped(
            QStringLiteral("  %1 を読み込めないため、どのサーバにも接続しません（%2）")
                .arg(QString::fromUtf16(appfiles::kOptionsFile), d->settings.optionsProblem));
        ServerIndex = kPastLast;
    }
    SelectNextServer();
}

void ServerRotation::SelectNextServer()
{
    d->timer4->start();
    const qint16 from =
        ServerIndex >= 2 && ServerIndex <= SettingsModel::kProfileCount ? ServerIndex : qint16(1);
    const std::optional<qint16> number =
        ServerIndex == kPastLast ? std::nullopt : d->nextEnabled(from);
    if (!number) {
        d->monitor->hideMonitor();
        RunFinished = -1;
        return;
    }
    loadProfile(*number);
}

// Copies profile N, as the settings stand now, into the session and starts it.
void ServerRotation::loadProfile(qint16 number)
{
    const ServerProfile& profile = d->settings.profile(number);
    ServerIndex = number;
    d->monitor->showMonitor();
    // An invalid port ends the session at once; the next tick moves on.
    d->session.ServerConect({.server = profile.Server,
                             .port = profile.connectionPort(),
                             .account = profile.Id,
                             .password = profile.PassWd,
                             .rules = RuleSet::fromProfile(profile),
                             .mode = Pop3Mode::Run,
                             .security = profile.Connection.security,
                             .pinSha256 = profile.Connection.pinSha256,
                             .preview = d->preview,
                             .keeper = d->keeper});
}

void ServerRotation::onTimer4()
{
    Pop3Session& session = d->session;
    if (session.Timer1().isActive() || session.Timer2().isActive() ||
        session.variables().RuleCheckBusy == Pop3Session::True)
        return;
    if (RunFinished == 0) {
        ++ServerIndex;
        SelectNextServer();
        return;
    }
    if (d->endOfRun)
        d->endOfRun();
    else
        d->timer4->stop();
}

platform::Timer& ServerRotation::Timer4()
{
    return *d->timer4;
}

void ServerRotation::setPreview(bool preview)
{
    d->preview = preview;
}

void ServerRotation::setKeeper(platform::MessageKeeper* keeper)
{
    d->keeper = keeper;
}

void ServerRotation::setMonitor(CommandMonitor* monitor)
{
    d->monitor = monitor ? monitor : &d->silentMonitor;
}

void ServerRotation::setEndOfRunHandler(std::function<void()> handler)
{
    d->endOfRun = std::move(handler);
}
