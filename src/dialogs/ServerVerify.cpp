#include "dialogs/ServerVerify.h"

#include "dialogs/control/ServerVerification.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

ServerVerify::ServerVerify(ServerVerification& verification, QWidget* parent)
    : QDialog(parent), m_verification(verification)
{
    setObjectName(QStringLiteral("ServerVerify"));
    setWindowTitle(QStringLiteral("サーバ設定確認"));
    auto* grid = new QGridLayout(this);
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("WaitingNotice"));
    grid->addWidget(m_notice, 0, 0, 1, 2);
    for (int n = 1; n <= ServerVerification::kServers; ++n) {
        auto* caption = new QLabel(QStringLiteral("サーバ%1設定：").arg(QChar(u'０' + n)), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(n));
        auto* status = new QLabel(this);
        status->setObjectName(QStringLiteral("Label%1").arg(n + ServerVerification::kServers));
        status->setMinimumWidth(
            status->fontMetrics().horizontalAdvance(QStringLiteral("エラー発生XX")));
        grid->addWidget(caption, n, 0);
        grid->addWidget(status, n, 1);
        m_statuses.at(n - 1) = status;
    }
    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("Command1"));
    m_button->setDefault(true);
    grid->addWidget(m_button, ServerVerification::kServers + 1, 0, 1, 2, Qt::AlignHCenter);
    connect(m_button, &QPushButton::clicked, this, &ServerVerify::pressButton);
    m_verification.setChangeHandler([this] { refresh(); });
    refresh();
}

ServerVerify::~ServerVerify()
{
    m_verification.setChangeHandler({});
}

void ServerVerify::reject()
{
    pressButton();
}

void ServerVerify::refresh()
{
    m_notice->setText(m_verification.notice());
    m_notice->setVisible(!m_verification.notice().isEmpty());
    for (int n = 1; n <= ServerVerification::kServers; ++n)
        m_statuses.at(n - 1)->setText(m_verification.status(n));
    m_button->setText(m_verification.buttonCaption());
}

void ServerVerify::pressButton()
{
    m_verification.pressButton();
    hide();
    Q_EMIT closedByButton();
}
