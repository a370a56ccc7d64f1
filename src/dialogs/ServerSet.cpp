#include "dialogs/ServerSet.h"

#include "core/AppContext.h"
#include "dialogs/ProfilePage.h"
#include "dialogs/ServerVerify.h"
#include "dialogs/control/ConnectionChoice.h"
#include "dialogs/control/ServerSetCommands.h"
#include "dialogs/control/ServerVerification.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A page that asks for its whole size, and scrolls when the screen has less.
class PageScroller : public QScrollArea
{
public:
    explicit PageScroller(QWidget* page, QWidget* parent) : QScrollArea(parent)
    {
        setWidget(page);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QSize sizeHint() const override
    {
        return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0);
    }
};

} // namespace

ServerSet::ServerSet(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_verification(std::make_unique<ServerVerification>(ctx))
{
    setObjectName(QStringLiteral("ServerSet"));
    setWindowTitle(QStringLiteral("サーバ／削除条件の設定"));
    createTabs();
    createButtons();
}

ServerSet::~ServerSet() = default;

void ServerSet::createTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setUsesScrollButtons(false); // the tabs stand in one row
    // The captions as they have always read, digits half and full width; a profile
    // past them is captioned by its number.
    static const char16_t* const captions[] = {u"サーバ設定1", u"サーバ設定2", u"サーバ設定3",
                                               u"サーバ設定４", u"サーバ設定５"};
    for (int n = 1; n <= SettingsModel::kProfileCount; ++n) {
        auto* page = new ProfilePage(n, m_ctx.settings.profile(n), m_tabs);
        m_pages.at(n - 1) = page;
        m_tabs->addTab(new PageScroller(page, m_tabs), n <= int(std::size(captions))
                                                           ? QString::fromUtf16(captions[n - 1])
                                                           : QStringLiteral("サーバ設定%1").arg(n));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
}

void ServerSet::createButtons()
{
    auto* row = new QHBoxLayout;
    const auto addButton = [&](const QString& name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false); // Enter in a text box must not press a button
        row->addWidget(button);
        return button;
    };
    auto* cancel = addButton(QStringLiteral("キャンセル"), QStringLiteral("キャンセル"));
    auto* verify = addButton(QStringLiteral("設定確認"), QStringLiteral("設定確認"));
    auto* finish = addButton(QStringLiteral("設定完了"), QStringLiteral("設定終了"));
    connect(cancel, &QPushButton::clicked, this, &ServerSet::leave);
    connect(verify, &QPushButton::clicked, this, &ServerSet::verifyServers);
    connect(finish, &QPushButton::clicked, this, &ServerSet::finishSettings);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void ServerSet::reload()
{
    connection::startBlankProfilesEncrypted(m_ctx.settings);
    for (ProfilePage* page : m_pages)
        page->reload();
}

void ServerSet::showEvent(QShowEvent* event)
{
    reload();
    fitScreen();
    QDialog::showEvent(event);
}

// Its natural size, or the screen's free height less the title bar, where the pages scroll.
void ServerSet::fitScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    constexpr int titleBar = 40;
    const QRect available = screen->availableGeometry();
    const QSize wanted = sizeHint().boundedTo(available.size() - QSize(0, titleBar));
    resize(wanted.expandedTo(minimumSizeHint()));
    if (frameGeometry().bottom() > available.bottom())
        move(x(), available.top());
}

void ServerSet::reject()
{
    leave();
}

void ServerSet::finishSettings()
{
    if (const auto refused = serverset::finish(m_ctx.settings, m_ctx.settingsPath())) {
        warn(*refused);
        return;
    }
    leave();
}

void ServerSet::verifyServers()
{
    if (const auto refused = serverset::validate(m_ctx.settings)) {
        warn(*refused);
        return;
    }
    if (!m_verifyWindow) {
        m_verifyWindow = std::make_unique<ServerVerify>(*m_verification);
        connect(m_verifyWindow.get(), &ServerVerify::closedByButton, this, &QWidget::show);
    }
    m_verification->start();
    m_verifyWindow->show();
    hide();
}

void ServerSet::leave()
{
    hide();
    Q_EMIT backToMainWindow();
}

void ServerSet::warn(const QString& text)
{
    if (m_warn)
        m_warn(this, text);
}
