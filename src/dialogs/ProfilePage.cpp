#include "dialogs/ProfilePage.h"

#include "dialogs/PasswordDisplay.h"
#include "dialogs/PinDialog.h"
#include "dialogs/control/ConnectionChoice.h"
#include "settings/ServerProfile.h"
#include "widgets/CheckBoxValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {

// The frames of each tab: server, rules, subject list, sender list, recipients.
// Profiles past these five name their frames after their number (frameName()).
constexpr std::array<std::array<const char*, 5>, 5> kFrameNames{{
    {"Frame1", "Frame6", "Frame7", "Text1Text1", "Frame20"},
    {"Frame2", "Frame3", "Frame4", "Frame5", "Frame21"},
    {"Frame8", "Frame9", "Frame11", "Frame10", "Frame22"},
    {"Frame15", "Frame12", "Frame14", "Frame13", "Frame23"},
    {"Frame16", "Frame17", "Frame18", "Frame19", "Frame24"},
}};
enum Frame { ServerFrame, RuleFrame, SubjectFrame, SenderFrame, RecipientFrame };

QString frameName(int number, int frame)
{
    if (number <= int(kFrameNames.size()))
        return QString::fromLatin1(kFrameNames.at(number - 1).at(frame));
    return QStringLiteral("Frame%1_%2").arg(number).arg(frame + 1);
}

QString fullWidthDigit(int n)
{
    return QString(QChar(u'０' + n));
}

// A frame inside another frame would otherwise be read out by the outer one's title.
QGroupBox* innerFrame(const QString& title, QWidget* parent)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setAccessibleName(title);
    return frame;
}

QLabel* redNote(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: red;"));
    label->setWordWrap(true);
    return label;
}

// The dialog holds two frames of rules per tab and must fit a small screen.
template <typename Layout> Layout* compact(Layout* layout)
{
    layout->setSpacing(3);
    layout->setContentsMargins(6, 3, 6, 3);
    return layout;
}

// Input methods compose kana; passwords and mail addresses are plain ASCII.
void disableInputMethod(QLineEdit* edit)
{
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
}

} // namespace

ProfilePage::ProfilePage(int number, ServerProfile& profile, QWidget* parent)
    : QWidget(parent), m_number(number), m_profile(profile)
{
    auto* layout = compact(new QVBoxLayout(this));
    layout->addWidget(createServerFrame());
    layout->addWidget(createRuleFrame());
    layout->addStretch();
    reload();
}

void ProfilePage::reload()
{
    for (const auto& load : m_loaders)
        load();
}

QGroupBox* ProfilePage::createServerFrame()
{
    auto* frame =
        new QGroupBox(QStringLiteral("メールサーバ設定") + fullWidthDigit(m_number), this);
    frame->setObjectName(frameName(m_number, ServerFrame));
    auto* grid = compact(new QGridLayout(frame));
    const QString n = QString::number(m_number);

    const auto addRow = [&](int row, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, frame);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        return label;
    };
    addRow(0, QStringLiteral("受信サーバ名"),
           boundText(QStringLiteral("Server") + n, m_profile.Server));
    grid->addLayout(createConnectionRow(frame), 1, 1, 1, 2);
    addRow(2, QStringLiteral("アカウント名"), boundText(QStringLiteral("Id") + n, m_profile.Id));
    auto* password = boundText(QStringLiteral("PassWd") + n, m_profile.PassWd);
    addRow(3, QStringLiteral("パスワード"), password);
    auto* display = new QCheckBox(QStringLiteral("パスワード表示"), frame);
    display->setObjectName(QStringLiteral("PassD") + n);
    bindPasswordDisplay(display, password);
    grid->addWidget(display, 3, 2);
    auto* address =
        boundText(m_number == 1 ? QStringLiteral("Address1") : QStringLiteral("address") + n,
                  m_profile.MyAddress);
    disableInputMethod(address);
    addRow(4, QStringLiteral("メールアドレス"), address);
    grid->addLayout(createPinRow(frame), 5, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return frame;
}

// The security mode and the port beside it: switching modes moves a port still at the
// old mode's default, and leaves one the user typed.
QHBoxLayout* ProfilePage::createConnectionRow(QWidget* frame)
{
    const QString n = QString::number(m_number);
    auto* row = compact(new QHBoxLayout);
    row->setContentsMargins(0, 0, 0, 0);
    auto* security = new QComboBox(frame);
    security->setObjectName(QStringLiteral("Security") + n);
    for (const auto mode :
         {ConnectionSecurity::None, ConnectionSecurity::StartTls, ConnectionSecurity::Tls})
        security->addItem(connection::securityCaption(mode), static_cast<int>(mode));
    auto* port = new QLineEdit(frame);
    port->setObjectName(QStringLiteral("Port") + n);
    port->setMaxLength(5);
    port->setFixedWidth(port->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    disableInputMethod(port);
    const auto addLabel = [&](const QString& caption, QWidget* buddy) {
        auto* label = new QLabel(caption, frame);
        label->setBuddy(buddy);
        row->addWidget(label);
        row->addWidget(buddy);
    };
    addLabel(QStringLiteral("暗号化"), security);
    addLabel(QStringLiteral("受信ポート"), port);
    row->addStretch();

    ProfileConnection& connection = m_profile.Connection;
    connect(port, &QLineEdit::textEdited, this,
            [&connection](const QString& text) { connection.port = text; });
    connect(security, &QComboBox::activated, this, [this, security, port](int index) {
        const auto mode = static_cast<ConnectionSecurity>(security->itemData(index).toInt());
        ProfileConnection& c = m_profile.Connection;
        c.port = connection::portAfterModeChange(port->text(), c.security, mode);
        c.security = mode;
        port->setText(c.port);
    });
    m_loaders.push_back([this, security, port] {
        security->setCurrentIndex(
            security->findData(static_cast<int>(m_profile.Connection.security)));
        if (port->text() != m_profile.connectionPort())
            port->setText(m_profile.connectionPort());
    });
    return row;
}

// The pinned certificate: shown read-only, set or cleared only by its buttons.
QHBoxLayout* ProfilePage::createPinRow(QWidget* frame)
{
    const QString n = QString::number(m_number);
    auto* row = compact(new QHBoxLayout);
    row->setContentsMargins(0, 0, 0, 0);
    auto* pinned = new QLineEdit(frame);
    pinned->setObjectName(QStringLiteral("PinnedCertificate") + n);
    pinned->setReadOnly(true);
    pinned->setPlaceholderText(QStringLiteral("固定なし"));
    auto* label = new QLabel(QStringLiteral("固定した証明書"), frame);
    label->setBuddy(pinned);
    auto* pin = new QPushButton(QStringLiteral("証明書を固定…"), frame);
    pin->setObjectName(QStringLiteral("PinCertificate") + n);
    auto* unpin = new QPushButton(QStringLiteral("固定を解除"), frame);
    unpin->setObjectName(QStringLiteral("Unpin") + n);
    for (QPushButton* button : {pin, unpin})
        button->setAutoDefault(false);
    row->addWidget(label);
    row->addWidget(pinned, 1);
    row->addWidget(pin);
    row->addWidget(unpin);

    const auto show = [this, pinned, unpin] {
        const QByteArray& sha256 = m_profile.Connection.pinSha256;
        pinned->setText(connection::fingerprintText(sha256));
        pinned->setCursorPosition(0);
        unpin->setEnabled(!sha256.isEmpty());
    };
    connect(pin, &QPushButton::clicked, this, [this, show] {
        PinDialog dialog(m_profile.Server, this);
        if (dialog.exec() == QDialog::Accepted) {
            m_profile.Connection.pinSha256 = dialog.fingerprint();
            show();
        }
    });
    connect(unpin, &QPushButton::clicked, this, [this, show] {
        m_profile.Connection.pinSha256.clear();
        show();
    });
    m_loaders.push_back(show);
    return row;
}

QGroupBox* ProfilePage::createRuleFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("削除条件設定") + fullWidthDigit(m_number), this);
    frame->setObjectName(frameName(m_number, RuleFrame));
    auto* layout = compact(new QVBoxLayout(frame));
    layout->addWidget(redNote(
        QStringLiteral("削除したメールを復活する事は出来ませんので注意してください"), frame));
    layout->addWidget(createSubjectFrame());
    layout->addWidget(createSenderFrame());
    layout->addWidget(createRecipientFrame());
    layout->addWidget(createAllowFrame());
    return frame;
}

QGroupBox* ProfilePage::createSubjectFrame()
{
    auto* frame = innerFrame(QStringLiteral("タイトルで削除"), this);
    frame->setObjectName(frameName(m_number, SubjectFrame));
    auto* grid = compact(new QGridLayout(frame));
    const QString n = QString::number(m_number);
    grid->addWidget(boundCheck(QStringLiteral("未承諾") + n,
                               QStringLiteral("タイトルに「未承諾」を含むメールを削除"),
                               m_profile.RuleUnsolicited),
                    0, 0, 1, 2);
    grid->addWidget(
        boundCheck(QStringLiteral("英文") + n,
                   QStringLiteral("タイトルに日本語を含まない（英文だけの）メールを削除"),
                   m_profile.RuleNoJapanese),
        1, 0, 1, 2);
    auto* rule = boundCheck(QStringLiteral("タイトル文字列") + n,
                            QStringLiteral("タイトルに下記文字列を含むメールを削除"),
                            m_profile.RuleSubjectWords);
    grid->addWidget(rule, 2, 0, 1, 2);
    addWordList(grid, 3, QStringLiteral("TitleD") + n + u'_', m_profile.SubjectWords, rule,
                QStringLiteral("タイトル文字列"));
    return frame;
}

QGroupBox* ProfilePage::createSenderFrame()
{
    auto* frame = innerFrame(QStringLiteral("差出人で削除"), this);
    frame->setObjectName(frameName(m_number, SenderFrame));
    auto* grid = compact(new QGridLayout(frame));
    const QString n = QString::number(m_number);
    auto* rule = boundCheck(QStringLiteral("差出人") + n,
                            QStringLiteral("差出人に下記文字列を含むメールを削除"),
                            m_profile.RuleSenderWords);
    grid->addWidget(rule, 0, 0, 1, 2);
    addWordList(grid, 1, QStringLiteral("From") + n + u'_', m_profile.SenderWords, rule,
                QStringLiteral("差出人文字列"));
    return frame;
}

QGroupBox* ProfilePage::createRecipientFrame()
{
    auto* frame = innerFrame(QStringLiteral("宛先で削除"), this);
    frame->setObjectName(frameName(m_number, RecipientFrame));
    auto* layout = compact(new QVBoxLayout(frame));
    const QString n = QString::number(m_number);
    layout->addWidget(boundCheck(QStringLiteral("宛先") + n,
                                 QStringLiteral("宛先(To)に自分のアドレスがないメールを削除"),
                                 m_profile.RuleNotToMe));
    layout->addWidget(boundCheck(QStringLiteral("Cc") + n,
                                 QStringLiteral("宛先(Cc)に自分のアドレスがないメールを削除"),
                                 m_profile.RuleNotCcMe));
    return frame;
}

// Senders kept whatever rule above matches; one address or "@domain" a line.
QGroupBox* ProfilePage::createAllowFrame()
{
    auto* frame = innerFrame(QStringLiteral("削除しない差出人"), this);
    auto* layout = compact(new QVBoxLayout(frame));
    auto* note =
        new QLabel(QStringLiteral("1 行に 1 件（例: taro@example.jp、@example.co.jp）、%1 件まで")
                       .arg(ServerProfile::kMaxAllowList),
                   frame);
    auto* edit = new QPlainTextEdit(frame);
    edit->setObjectName(QStringLiteral("AllowList") + QString::number(m_number));
    edit->setAccessibleName(frame->title());
    edit->setAccessibleDescription(note->text());
    edit->setTabChangesFocus(true);
    edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 10);
    note->setBuddy(edit);
    QStringList& list = m_profile.AllowList;
    connect(edit, &QPlainTextEdit::textChanged, this,
            [edit, &list] { list = edit->toPlainText().split(u'\n', Qt::SkipEmptyParts); });
    m_loaders.push_back([edit, &list] {
        const QString text = list.join(u'\n');
        if (edit->toPlainText() != text)
            edit->setPlainText(text);
    });
    layout->addWidget(note);
    layout->addWidget(edit);
    return frame;
}

QLineEdit* ProfilePage::boundText(const QString& name, QString& field)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textChanged, this, [&field](const QString& text) { field = text; });
    m_loaders.push_back([edit, &field] {
        if (edit->text() != field)
            edit->setText(field);
    });
    return edit;
}

QCheckBox* ProfilePage::boundCheck(const QString& name, const QString& caption, qint16& value)
{
    auto* check = new QCheckBox(caption, this);
    check->setObjectName(name);
    connect(check, &QCheckBox::stateChanged, this,
            [&value](int state) { value = checkBoxValue(static_cast<Qt::CheckState>(state)); });
    m_loaders.push_back([check, &value] { showCheckBoxValue(check, value); });
    return check;
}

void ProfilePage::addWordList(QGridLayout* grid, int firstRow, const QString& prefix,
                              std::array<QString, 10>& words, QCheckBox* rule, const QString& label)
{
    std::vector<QLineEdit*> boxes;
    for (int i = 0; i < static_cast<int>(words.size()); ++i) {
        auto* box = boundText(prefix + QString::number(i), words.at(i));
        box->setAccessibleName(label + QString::number(i + 1));
        grid->addWidget(box, firstRow + i % 5, i / 5);
        boxes.push_back(box);
    }
    // A list whose rule is off gives its room back, so the dialog fits a small screen.
    const auto applyVisibility = [boxes](int state) {
        for (QLineEdit* box : boxes)
            box->setVisible(state != Qt::Unchecked);
    };
    connect(rule, &QCheckBox::stateChanged, this, applyVisibility);
    applyVisibility(rule->checkState());
}
