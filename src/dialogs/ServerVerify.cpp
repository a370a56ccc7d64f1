#include "dialogs/ServerVerify.h"

#include "dialogs/control/ConnectionChoice.h"
#include "dialogs/control/ServerVerification.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
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
        auto* mode = new QLabel(this);
        mode->setObjectName(QStringLiteral("Mode%1").arg(n));
        mode->setMinimumWidth(
            mode->fontMetrics().horizontalAdvance(QStringLiteral("STARTTLS ポート 65535X")));
        auto* pin = new QPushButton(QStringLiteral("証明書を固定…"), this);
        pin->setObjectName(QStringLiteral("Pin%1").arg(n));
        pin->setAutoDefault(false);
        connect(pin, &QPushButton::clicked, this, [this, n] { offerPin(n); });
        grid->addWidget(caption, n, 0);
        grid->addWidget(status, n, 1);
        grid->addWidget(mode, n, 2);
        grid->addWidget(pin, n, 3);
        m_statuses.at(n - 1) = status;
        m_modes.at(n - 1) = mode;
        m_pins.at(n - 1) = pin;
    }
    // Selectable, so that the fingerprint can be copied and compared.
    m_certificates = new QLabel(this);
    m_certificates->setObjectName(QStringLiteral("CertificateNote"));
    m_certificates->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
    m_certificates->setFocusPolicy(Qt::StrongFocus);
    m_certificates->hide(); // until a certificate is refused
    grid->addWidget(m_certificates, ServerVerification::kServers + 1, 0, 1, 4);
    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("Command1"));
    m_button->setDefault(true);
    grid->addWidget(m_button, ServerVerification::kServers + 2, 0, 1, 4, Qt::AlignHCenter);
    m_ask = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, QStringLiteral("証明書を固定"), text) ==
               QMessageBox::Yes;
    };
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
    QStringList refusals;
    for (int n = 1; n <= ServerVerification::kServers; ++n) {
        m_statuses.at(n - 1)->setText(m_verification.status(n));
        m_modes.at(n - 1)->setText(m_verification.connectionText(n));
        const auto& refusal = m_verification.certificateRefusal(n);
        QPushButton* pin = m_pins.at(n - 1);
        pin->setVisible(refusal && !refusal->sha256.isEmpty());
        if (!pin->isVisibleTo(this)) { // offered afresh by the next check
            pin->setEnabled(true);
            pin->setText(QStringLiteral("証明書を固定…"));
        }
        if (refusal)
            refusals << QStringLiteral("サーバ%1：%2\n証明書の SHA-256 指紋: %3")
                            .arg(QChar(u'０' + n))
                            .arg(refusal->reason,
                                 refusal->sha256.isEmpty()
                                     ? QStringLiteral("（なし）")
                                     : connection::fingerprintText(refusal->sha256));
    }
    if (const QString text = refusals.join(u'\n'); text != m_certificates->text()) {
        m_certificates->setText(text);
        m_certificates->setVisible(!text.isEmpty());
        adjustSize(); // a fingerprint line is wider than the rows
    }
    m_button->setText(m_verification.buttonCaption());
}

void ServerVerify::pressButton()
{
    m_verification.pressButton();
    hide();
    Q_EMIT closedByButton();
}

void ServerVerify::offerPin(int n)
{
    const auto& refusal = m_verification.certificateRefusal(n);
    if (!refusal)
        return;
    const QString question =
        QStringLiteral("この証明書を固定しますか\n\n証明書の SHA-256 指紋: %1\n\n"
                       "固定すると、サーバ%2ではこの証明書だけを受け入れます。"
                       "指紋をサーバの管理者に確かめてから固定してください。"
                       "設定終了で保存されます。")
            .arg(connection::fingerprintText(refusal->sha256))
            .arg(QChar(u'０' + n));
    if (m_ask && m_ask(this, question) && m_verification.pinRefusedCertificate(n)) {
        m_pins.at(n - 1)->setEnabled(false);
        m_pins.at(n - 1)->setText(QStringLiteral("固定しました"));
    }
}
