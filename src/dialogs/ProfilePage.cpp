#include "dialogs/ProfilePage.h"

#include "dialogs/PasswordDisplay.h"
#include "settings/ServerProfile.h"
#include "widgets/CheckBoxValue.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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
    addRow(1, QStringLiteral("アカウント名"), boundText(QStringLiteral("Id") + n, m_profile.Id));
    auto* password = boundText(QStringLiteral("PassWd") + n, m_profile.PassWd);
    addRow(2, QStringLiteral("パスワード"), password);
    auto* display = new QCheckBox(QStringLiteral("パスワード表示"), frame);
    display->setObjectName(QStringLiteral("PassD") + n);
    bindPasswordDisplay(display, password);
    grid->addWidget(display, 2, 2);
    auto* address =
        boundText(m_number == 1 ? QStringLiteral("Address1") : QStringLiteral("address") + n,
                  m_profile.MyAddress);
    disableInputMethod(address);
    addRow(3, QStringLiteral("メールアドレス"), address);

    // The port is changed only through the settings file; its row stays hidden.
    auto* port = boundText(QStringLiteral("Port") + n, m_profile.Port);
    auto* portLabel = addRow(4, QStringLiteral("受信ポート"), port);
    auto* portNote = redNote(QStringLiteral("指定がない限り変更しないでください"), frame);
    grid->addWidget(portNote, 4, 2);
    for (QWidget* hidden : {static_cast<QWidget*>(port), static_cast<QWidget*>(portLabel),
                            static_cast<QWidget*>(portNote)})
        hidden->hide();
    grid->setColumnStretch(1, 1);
    return frame;
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
