#include "dialogs/PinDialog.h"

#include "dialogs/control/ConnectionChoice.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PinDialog::PinDialog(const QString& server, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PinDialog"));
    setWindowTitle(QStringLiteral("証明書を固定"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(
        QStringLiteral("%1 の証明書として、この指紋の証明書だけを受け入れます。\n"
                       "ログの「証明書の SHA-256 指紋:」の行を確かめてから入力してください。")
            .arg(server.isEmpty() ? QStringLiteral("このサーバ") : server),
        this);
    note->setWordWrap(true);
    auto* label = new QLabel(QStringLiteral("証明書の SHA-256 指紋:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Fingerprint"));
    m_edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_edit->setPlaceholderText(QStringLiteral("16 進数 64 桁（「:」区切り可）"));
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QString(95, u'0')));
    label->setBuddy(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(note);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &PinDialog::check);
    check();
}

void PinDialog::setText(const QString& text)
{
    m_edit->setText(text);
}

QByteArray PinDialog::fingerprint() const
{
    return connection::parseFingerprint(m_edit->text()).value_or(QByteArray());
}

void PinDialog::check()
{
    m_ok->setEnabled(!fingerprint().isEmpty());
}
