#include "dialogs/control/ServerVerification.h"

#include "core/AppContext.h"
#include "dialogs/control/ConnectionChoice.h"
#include "settings/AppFiles.h"

const QString ServerVerification::kUnchecked = QStringLiteral("未チェック");
const QString ServerVerification::kNotSet = QStringLiteral("未設定");
const QString ServerVerification::kLoggedIn = QStringLiteral("設定完了");
const QString ServerVerification::kFailed = QStringLiteral("エラー発生");
const QString ServerVerification::kCancelCaption = QStringLiteral("キャンセル");
const QString ServerVerification::kOkCaption = QStringLiteral("OK");
const QString ServerVerification::kWaitingNotice = QStringLiteral("実行中です。終了後に確認します");

ServerVerification::ServerVerification(AppContext& ctx)
    : m_ctx(ctx), m_timer(ctx.loop.createTimer(kTimer1Interval)), m_caption(kCancelCaption)
{
    m_status.fill(kUnchecked);
    m_timer->setTickHandler([this] { tick(); });
}

ServerVerification::~ServerVerification()
{
    if (waiting()) // its start must not be called once it is gone
        m_ctx.engine.release(EngineOwner::User::Check);
}

bool ServerVerification::running() const
{
    return m_timer->isActive();
}

bool ServerVerification::waiting() const
{
    return m_ctx.engine.waiting(EngineOwner::User::Check);
}

void ServerVerification::start()
{
    m_ctx.log.WriteLogLine(QStringLiteral("  サーバ設定の確認をしています"));
    CheckTarget.fill(false);
    ServerCheckFlag = false;
    m_status.fill(kUnchecked);
    m_connection.fill(QString());
    m_refusal.fill(std::nullopt);
    m_caption = kCancelCaption;
    if (!m_ctx.engine.request(EngineOwner::User::Check, [this] { begin(); }))
        m_notice = kWaitingNotice;
    changed();
}

void ServerVerification::begin()
{
    m_notice.clear();
    m_timer->start();
    changed();
}

void ServerVerification::pressButton()
{
    if (m_caption != kCancelCaption)
        return;
    m_notice.clear();
    if (m_ctx.engine.heldBy(EngineOwner::User::Check)) {
        // Stopping the engine's timers too: a stale watchdog must not report a
        // time-out and a late reply must not make the engine send on the closed socket.
        m_ctx.session.abort();
    }
    m_timer->stop();
    ServerCheckFlag = false;
    m_ctx.engine.release(EngineOwner::User::Check);
}

void ServerVerification::tick()
{
    if (ServerCheckFlag) {
        if (awaitOutcome())
            finish();
    } else {
        walk();
    }
    changed();
}

// True when the last server's outcome has been seen (the verification is over).
bool ServerVerification::awaitOutcome()
{
    auto& session = m_ctx.session;
    const Pop3Variables& state = session.variables();
    const auto settle = [this](const QString& outcome) {
        ServerCheckFlag = false;
        for (int n = 1; n < kServers; ++n)
            if (CheckTarget.at(n - 1))
                m_status.at(n - 1) = outcome;
        if (!CheckTarget.at(kServers - 1))
            return false;
        m_status.at(kServers - 1) = outcome;
        return true;
    };
    if (state.Pop3ConnectOk == Pop3Session::True && settle(kLoggedIn))
        return true;
    if (state.Pop3ErrorFlag == Pop3Session::True) {
        // The login has failed for good; a socket error leaves the watchdog running,
        // which would report a time-out long after the check.
        session.abort();
        for (int n = 1; n <= kServers; ++n)
            if (CheckTarget.at(n - 1))
                m_refusal.at(n - 1) = m_ctx.socket.lastTlsFailure();
        return settle(kFailed);
    }
    return false;
}

void ServerVerification::walk()
{
    for (int n = 1; n <= kServers; ++n) {
        if (m_status.at(n - 1) != kUnchecked) {
            if (n == kServers)
                return;
            continue;
        }
        if (takeUp(n))
            return;
    }
    finish();
}

// Makes server n the target; starts its login when its profile is enabled (true),
// otherwise marks it not set up (false).
bool ServerVerification::takeUp(int n)
{
    if (n >= 2)
        CheckTarget.at(n - 2) = false;
    CheckTarget.at(n - 1) = true;
    const ServerProfile& profile = m_ctx.settings.profile(n);
    if (profile.Enabled && !m_ctx.settings.optionsProblem.isEmpty() &&
        profile.Connection.security == ConnectionSecurity::None) {
        // The companion file could not be read, so "plain" may only mean "unknown":
        // no password goes out in clear on a guess.
        m_status.at(n - 1) = kFailed;
        m_notice = QStringLiteral("%1 を読み込めないため、暗号化なしのサーバには接続しません")
                       .arg(QString::fromUtf16(appfiles::kOptionsFile));
        return false;
    }
    if (profile.Enabled) {
        startLogin(n);
        ServerCheckFlag = true;
        return true;
    }
    m_status.at(n - 1) = kNotSet;
    return false;
}

void ServerVerification::startLogin(int n)
{
    const ServerProfile& profile = m_ctx.settings.profile(n);
    m_connection.at(n - 1) = connection::securityCaption(profile.Connection.security) +
                             QStringLiteral(" ポート ") + profile.connectionPort().trimmed();
    m_ctx.socket.forgetTlsFailure();
    m_ctx.session.ServerConect({.server = profile.Server,
                                .port = profile.connectionPort(),
                                .account = profile.Id,
                                .password = profile.PassWd,
                                .mode = Pop3Mode::LoginCheck,
                                .security = profile.Connection.security,
                                .pinSha256 = profile.Connection.pinSha256});
}

bool ServerVerification::pinRefusedCertificate(int n)
{
    const auto& refusal = m_refusal.at(n - 1);
    if (!refusal || refusal->sha256.size() != 32)
        return false;
    m_ctx.settings.profile(n).Connection.pinSha256 = refusal->sha256;
    return true;
}

void ServerVerification::finish()
{
    ServerCheckFlag = false;
    m_timer->stop();
    CheckTarget.back() = false;
    m_caption = kOkCaption;
    m_ctx.engine.release(EngineOwner::User::Check);
}

void ServerVerification::changed()
{
    if (m_changed)
        m_changed();
}
