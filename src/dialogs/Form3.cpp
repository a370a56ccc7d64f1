#include "dialogs/Form3.h"

#include "core/AppContext.h"
#include "dialogs/Form4.h"
#include "dialogs/PasswordDisplay.h"
#include "dialogs/control/ConnectionChoice.h"
#include "settings/OptionsFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* addRow(QGridLayout* grid, int row, const QString& labelName, const QString& caption,
                  const QString& editName, QWidget* parent, int span = 2)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(labelName);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(editName);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1, 1, span);
    return edit;
}

} // namespace

Form3::Form3(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_form4(std::make_unique<Form4>()), m_check(ctx, *this)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("メールサーバ設定"));
    createFields();
    setSecurity(OptionsFile::loadSingleSecurity(ctx.directory));
    createButtons();
    connect(m_form4.get(), &Form4::cancelPressed, this, [this] { m_check.cancelCheck(); });
}

Form3::~Form3() = default;

void Form3::createFields()
{
    auto* frame = new QGroupBox(QStringLiteral("メールサーバ設定"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    m_host = addRow(grid, 0, QStringLiteral("Label1"), QStringLiteral("受信サーバ名"),
                    QStringLiteral("Text1"), frame);
    m_security = new QComboBox(frame);
    m_security->setObjectName(QStringLiteral("Combo1"));
    for (const auto mode :
         {ConnectionSecurity::None, ConnectionSecurity::StartTls, ConnectionSecurity::Tls})
        m_security->addItem(connection::securityCaption(mode), static_cast<int>(mode));
    auto* securityLabel = new QLabel(QStringLiteral("暗号化"), frame);
    securityLabel->setObjectName(QStringLiteral("Label6"));
    securityLabel->setBuddy(m_security);
    grid->addWidget(securityLabel, 1, 0);
    grid->addWidget(m_security, 1, 1);
    // A port still at the old mode's default follows the mode; a typed one stays.
    connect(m_security, &QComboBox::activated, this, [this] {
        const ConnectionSecurity mode = security();
        m_port->setText(connection::portAfterModeChange(m_port->text(), m_shownSecurity, mode));
        m_shownSecurity = mode;
    });
    m_port = addRow(grid, 2, QStringLiteral("Label4"), QStringLiteral("受信ポート"),
                    QStringLiteral("Text2"), frame, 1);
    m_port->setText(QStringLiteral("110"));
    m_port->setMaxLength(5);
    m_port->setFixedWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    auto* note = new QLabel(QStringLiteral("指定がない限り変更しないでください"), frame);
    note->setObjectName(QStringLiteral("Label5"));
    note->setStyleSheet(QStringLiteral("color: red;"));
    grid->addWidget(note, 2, 2);
    m_account = addRow(grid, 3, QStringLiteral("Label2"), QStringLiteral("アカウント名"),
                       QStringLiteral("Text3"), frame);
    m_account->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_password = addRow(grid, 4, QStringLiteral("Label3"), QStringLiteral("パスワード"),
                        QStringLiteral("Text4"), frame, 1);
    auto* display = new QCheckBox(QStringLiteral("パスワード表示"), frame);
    display->setObjectName(QStringLiteral("Check1"));
    grid->addWidget(display, 4, 2);
    bindPasswordDisplay(display, m_password);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
}

void Form3::createButtons()
{
    auto* frame = findChild<QGroupBox*>(QStringLiteral("Frame1"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), frame);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), frame);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    row->addWidget(cancel);
    row->addWidget(ok);
    static_cast<QGridLayout*>(frame->layout())->addLayout(row, 5, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &Form3::pressOk);
    connect(cancel, &QPushButton::clicked, this, [this] { m_check.cancelDialog(); });
}

void Form3::fill(const QString& host, const QString& port, const QString& account,
                 const QString& password)
{
    m_host->setText(host);
    m_port->setText(port);
    m_account->setText(account);
    m_password->setText(password);
}

ConnectionSecurity Form3::security() const
{
    return static_cast<ConnectionSecurity>(m_security->currentData().toInt());
}

void Form3::setSecurity(ConnectionSecurity security)
{
    m_security->setCurrentIndex(m_security->findData(static_cast<int>(security)));
    m_shownSecurity = security;
}

void Form3::reject()
{
    m_check.cancelDialog();
}

void Form3::pressOk()
{
    m_check.pressOk(
        {m_host->text(), m_port->text(), m_account->text(), m_password->text(), security()});
}

void Form3::showChecking()
{
    m_form4->show();
    hide();
}

void Form3::showEditing()
{
    m_form4->hide();
    show();
}

void Form3::leaveToMainWindow()
{
    m_form4->hide();
    hide();
    Q_EMIT backToMainWindow();
}

void Form3::hideMonitor()
{
    Q_EMIT monitorHideRequested();
}

void Form3::warn(const QString& text)
{
    if (m_warn)
        m_warn(isVisible() ? static_cast<QWidget*>(this) : nullptr, text);
}
