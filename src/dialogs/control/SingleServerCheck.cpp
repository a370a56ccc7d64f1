#include "dialogs/control/SingleServerCheck.h"

#include "core/AppContext.h"
#include "platform/Codepage.h"
#include "settings/Ango.h"
#include "settings/AppFiles.h"
#include "settings/OptionsFile.h"
#include "settings/OwnerOnly.h"
#include "settings/SaveFailure.h"
#include "settings/SettingsFile.h"

#include <QSaveFile>

namespace {

const QString kIncomplete = QStringLiteral("全項目入力してください");
const QString kCannotConnect = QStringLiteral("サーバに接続出来ません");
const QString kRunInProgress = QStringLiteral("実行中です。終了後に確認してください");

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

} // namespace

SingleServerCheck::SingleServerCheck(AppContext& ctx, SingleServerWindows& windows)
    : m_ctx(ctx), m_windows(windows), m_timer(ctx.loop.createTimer(kTimer1Interval))
{
    m_timer->setTickHandler([this] { tick(); });
}

SingleServerCheck::~SingleServerCheck() = default;

std::optional<QString> SingleServerCheck::refusal(const Fields& fields)
{
    const bool empty = fields.host.isEmpty() || fields.port.isEmpty() || fields.account.isEmpty() ||
                       fields.password.isEmpty();
    if (empty || !Pop3Session::parsePort(fields.port))
        return kIncomplete;
    const std::pair<const QString&, const char16_t*> named[] = {
        {fields.host, u"受信サーバ名"},
        {fields.account, u"アカウント名"},
        {fields.password, u"パスワード"},
    };
    for (const auto& [text, caption] : named)
        if (const auto reason = unstorableReason(text, true))
            return QStringLiteral("「%1」に%2。\nこの内容は保存できません。")
                .arg(QString::fromUtf16(caption), *reason);
    return std::nullopt;
}

QByteArray SingleServerCheck::record(int port, const QString& host, const QString& account,
                                     const QString& password)
{
    const QString line = quoted(QString::number(port)) + u',' +
                         quoted(Encrypt(host, QString::fromUtf16(ango::kHostKey))) + u',' +
                         quoted(Encrypt(account, QString::fromUtf16(ango::kUserKey))) + u',' +
                         quoted(Encrypt(password, QString::fromUtf16(ango::kPasswordKey))) +
                         QStringLiteral("\r\n");
    return platform::encodeCp932(line).bytes;
}

void SingleServerCheck::pressOk(const Fields& fields)
{
    if (const auto refused = refusal(fields)) {
        m_windows.warn(*refused);
        return;
    }
    if (m_ctx.engine.holder() != EngineOwner::User::None) {
        m_windows.warn(kRunInProgress); // no waiting here: the user asks again
        return;
    }
    m_ctx.engine.request(EngineOwner::User::Check, {});
    m_ctx.log.WriteLogLine(QStringLiteral("  サーバ設定の確認をしています"));
    m_ctx.session.ServerConect({.server = fields.host,
                                .port = fields.port,
                                .account = fields.account,
                                .password = fields.password,
                                .mode = Pop3Mode::LoginCheck,
                                .security = fields.security});
    m_security = fields.security;
    m_timer->start();
    m_windows.showChecking();
}

void SingleServerCheck::tick()
{
    const Pop3Variables& state = m_ctx.session.variables();
    if (state.Pop3ConnectOk == Pop3Session::True)
        succeed();
    else if (state.Pop3ErrorFlag == Pop3Session::True)
        fail();
}

void SingleServerCheck::succeed()
{
    m_timer->stop();
    m_ctx.engine.release(EngineOwner::User::Check);
    const Pop3Variables& session = m_ctx.session.variables();
    QSaveFile file(m_ctx.singleServerPath());
    const QByteArray line =
        record(session.Pop3Port, session.Pop3Server, session.Pop3Id, session.Pop3PassWd);
    const bool written = file.open(QIODevice::WriteOnly) && makeOwnerOnly(file) &&
                         file.write(line) == line.size() && file.commit();
    m_windows.hideMonitor();
    if (!written) {
        // The login worked but nothing was recorded: say so instead of closing as if done.
        m_windows.showEditing();
        m_windows.warn(saveFailureMessage(m_ctx.singleServerPath(), file.errorString()));
        return;
    }
    if (!OptionsFile::saveSingleSecurity(m_ctx.directory, m_security))
        m_windows.warn(QStringLiteral("暗号化の設定を %1 に保存できませんでした。")
                           .arg(QString::fromUtf16(appfiles::kOptionsFile)));
    m_windows.leaveToMainWindow();
}

void SingleServerCheck::fail()
{
    stopCheck();
    m_windows.hideMonitor();
    m_windows.showEditing();
    m_windows.warn(kCannotConnect);
}

void SingleServerCheck::cancelCheck()
{
    m_windows.showEditing();
    stopCheck();
}

void SingleServerCheck::cancelDialog()
{
    m_windows.leaveToMainWindow();
}

// Ends the check whatever the engine is doing; the engine's timers stop too, so a stale
// watchdog cannot report a time-out and a late reply cannot make it send.
void SingleServerCheck::stopCheck()
{
    m_timer->stop();
    m_ctx.session.abort();
    m_ctx.engine.release(EngineOwner::User::Check);
}
