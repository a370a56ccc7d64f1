#include "app/Form1.h"

#include "app/AppIcon.h"
#include "app/control/Form1Model.h"
#include "app/control/RunController.h"
#include "widgets/CheckBoxValue.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* named(Widget* widget, const QString& objectName)
{
    widget->setObjectName(objectName);
    return widget;
}

// Controls that are shown and hidden keep their place, so nothing else moves.
void keepPlaceWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

void showText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

Form1::Form1(Form1Model& model, RunController& controller, bool hideToNotificationArea,
             QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_model(model),
      m_controller(controller), m_hideToNotificationArea(hideToNotificationArea)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(appIcon());
    createOptionFrames();
    createRuleFrame();
    createCommands();
    createLayout();
    createShortcuts();
    connectControls();
    showModel();
    connect(&m_model, &Form1Model::changed, this, &Form1::showModel);
    connect(&m_model, &Form1Model::broughtToFront, this, [this] {
        raise();
        activateWindow();
    });
    adjustSize();
    centreOnScreen();
}

void Form1::createOptionFrames()
{
    static const std::array<QString, 6> intervals{
        QStringLiteral("１０分"), QStringLiteral("２０分"), QStringLiteral("３０分"),
        QStringLiteral("１時間"), QStringLiteral("２時間"), QStringLiteral("３時間")};
    m_intervalFrame =
        named(new QGroupBox(QStringLiteral("チェック間隔"), this), QStringLiteral("チェック間隔"));
    m_option1Group = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        m_option1[i] = named(new QRadioButton(intervals[i], m_intervalFrame),
                             QStringLiteral("Option1(%1)").arg(i));
        m_option1Group->addButton(m_option1[i], i);
    }

    m_check1 = named(
        new QCheckBox(QStringLiteral("終了後メールソフトを起動する（定期的に実行しません）"), this),
        QStringLiteral("Check1"));
    m_previewOnly = named(new QCheckBox(QStringLiteral("確認のみ（削除しない）"), this),
                          QStringLiteral("PreviewOnly"));
    m_previewOnly->setAccessibleDescription(
        QStringLiteral("削除対象をログに記録するだけで、サーバのメールは削除しません"));

    m_keepCopies = named(new QCheckBox(QStringLiteral("削除したメールの控えを残す"), this),
                         QStringLiteral("KeepCopies"));
    m_keepCopies->setAccessibleDescription(
        QStringLiteral("削除する前にメール全体を deleted フォルダに保存します"));

    m_frame5 = named(new QGroupBox(QStringLiteral("終了時起動するメールソフト"), this),
                     QStringLiteral("Frame5"));
    m_option2Group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_option2[i] = named(new QRadioButton(m_frame5), QStringLiteral("Option2(%1)").arg(i));
        m_option2Group->addButton(m_option2[i], i);
    }

    m_logFrame =
        named(new QGroupBox(QStringLiteral("ログファイル"), this), QStringLiteral("ログファイル"));
    m_check5 = named(new QCheckBox(QStringLiteral("起動時に内容をクリア"), m_logFrame),
                     QStringLiteral("Check5"));
}

// Stored and restored only; the frame is never shown.
void Form1::createRuleFrame()
{
    m_ruleFrame =
        named(new QGroupBox(QStringLiteral("削除条件設定"), this), QStringLiteral("削除条件設定"));
    m_check2 =
        named(new QCheckBox(QStringLiteral("タイトルに「未承諾」を含むメールを削除"), m_ruleFrame),
              QStringLiteral("Check2"));
    m_check3 =
        named(new QCheckBox(QStringLiteral("タイトルに以下の文字を含む場合削除"), m_ruleFrame),
              QStringLiteral("Check3"));
    m_text1 = named(new QLineEdit(m_ruleFrame), QStringLiteral("Text1"));
    m_text1->setAccessibleName(m_check3->text());
    m_check4 = named(new QCheckBox(QStringLiteral("差出人に以下の文字を含む場合削除"), m_ruleFrame),
                     QStringLiteral("Check4"));
    m_text2 = named(new QLineEdit(m_ruleFrame), QStringLiteral("Text2"));
    m_text2->setAccessibleName(m_check4->text());
    m_ruleFrame->hide();
}

void Form1::createCommands()
{
    m_command3 = named(new QPushButton(QStringLiteral("実行"), this), QStringLiteral("Command3"));
    m_command4 = named(new QPushButton(QStringLiteral("継続"), this), QStringLiteral("Command4"));
    m_command5 = named(new QPushButton(QStringLiteral("中止"), this), QStringLiteral("Command5"));
    m_command1 =
        named(new QPushButton(QStringLiteral("サーバ設定"), this), QStringLiteral("Command1"));
    m_deletedMail = named(new QPushButton(QStringLiteral("削除したメール"), this),
                          QStringLiteral("DeletedMailButton"));
    m_help = named(new QPushButton(QStringLiteral("ヘルプ"), this), QStringLiteral("ヘルプ"));
    m_command2 = named(new QPushButton(QStringLiteral("終　了"), this), QStringLiteral("Command2"));
    keepPlaceWhenHidden(m_command4);
    keepPlaceWhenHidden(m_command5);
    m_command3->setDefault(true);
}

void Form1::createLayout()
{
    auto* intervals = new QGridLayout(m_intervalFrame);
    for (int i = 0; i < 6; ++i)
        intervals->addWidget(m_option1[i], i / 3, i % 3);

    auto* mailSoft = new QVBoxLayout(m_frame5);
    for (QRadioButton* option : m_option2)
        mailSoft->addWidget(option);

    auto* logFile = new QVBoxLayout(m_logFrame);
    logFile->addWidget(m_check5);

    auto* rules = new QVBoxLayout(m_ruleFrame);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_check2, m_check3, m_text1, m_check4, m_text2})
        rules->addWidget(control);

    auto* options = new QVBoxLayout;
    options->addWidget(m_intervalFrame);
    options->addWidget(m_check1);
    options->addWidget(m_frame5);
    options->addWidget(m_previewOnly);
    options->addWidget(m_keepCopies);
    options->addWidget(m_logFrame);
    options->addWidget(m_ruleFrame);
    options->addStretch(1);

    auto* commands = new QVBoxLayout;
    for (QPushButton* button : {m_command3, m_command4, m_command5})
        commands->addWidget(button);
    commands->addStretch(1);
    for (QPushButton* button : {m_deletedMail, m_command1, m_help, m_command2})
        commands->addWidget(button);

    auto* window = new QHBoxLayout(this);
    window->addLayout(options, 1);
    window->addLayout(commands);
    window->setSizeConstraint(QLayout::SetFixedSize);
}

// Shortcuts to the diagnostic windows.
void Form1::createShortcuts()
{
    auto* headerViewer = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), this);
    connect(headerViewer, &QShortcut::activated, this, [this] { m_controller.showHeaderViewer(); });
    auto* singleServer = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    connect(singleServer, &QShortcut::activated, this,
            [this] { m_controller.showSingleServerDialog(); });
}

void Form1::connectControls()
{
    connect(m_option1Group, &QButtonGroup::idClicked, &m_model, &Form1Model::setOption1);
    connect(m_option2Group, &QButtonGroup::idClicked, &m_model, &Form1Model::setOption2);
    const auto bindCheck = [this](QCheckBox* box, void (Form1Model::*setter)(qint16)) {
        connect(box, &QCheckBox::clicked, this,
                [this, box, setter] { (m_model.*setter)(checkBoxValue(box->checkState())); });
    };
    bindCheck(m_check1, &Form1Model::setCheck1);
    bindCheck(m_check2, &Form1Model::setCheck2);
    bindCheck(m_check3, &Form1Model::setCheck3);
    bindCheck(m_check4, &Form1Model::setCheck4);
    bindCheck(m_check5, &Form1Model::setCheck5);
    connect(m_previewOnly, &QCheckBox::toggled, &m_model, &Form1Model::setPreviewOnly);
    connect(m_keepCopies, &QCheckBox::toggled, &m_model, &Form1Model::setKeepCopies);
    connect(m_text1, &QLineEdit::textEdited, &m_model, &Form1Model::setText1);
    connect(m_text2, &QLineEdit::textEdited, &m_model, &Form1Model::setText2);

    RunController& run = m_controller;
    connect(m_command3, &QPushButton::clicked, this, [&run] { run.run(); });
    connect(m_command4, &QPushButton::clicked, this, [&run] { run.continueRun(); });
    connect(m_command5, &QPushButton::clicked, this, [&run] { run.stop(); });
    connect(m_command1, &QPushButton::clicked, this, [&run] { run.serverSettings(); });
    connect(m_help, &QPushButton::clicked, this, [&run] { run.help(); });
    connect(m_deletedMail, &QPushButton::clicked, this, [&run] { run.showDeletedMail(); });
    connect(m_command2, &QPushButton::clicked, this, [&run] { run.exit(); });
}

void Form1::showModel()
{
    // The controls' signals bound above come from the user only, never from these setters.
    for (int i = 0; i < 6; ++i) {
        m_option1[i]->setChecked(m_model.Option1() == i);
        m_option1[i]->setEnabled(m_model.option1Enabled());
    }
    for (int i = 0; i < 3; ++i) {
        m_option2[i]->setText(m_model.option2Caption(i));
        m_option2[i]->setChecked(m_model.Option2() == i);
        m_option2[i]->setVisible(m_model.option2Visible(i));
    }
    showCheckBoxValue(m_check1, m_model.Check1());
    showCheckBoxValue(m_check2, m_model.Check2());
    showCheckBoxValue(m_check3, m_model.Check3());
    showCheckBoxValue(m_check4, m_model.Check4());
    showCheckBoxValue(m_check5, m_model.Check5());
    m_previewOnly->setChecked(m_model.previewOnly());
    m_keepCopies->setChecked(m_model.keepCopies());
    showText(m_text1, m_model.Text1());
    showText(m_text2, m_model.Text2());
    m_frame5->setVisible(m_model.frame5Visible());
    m_text1->setVisible(m_model.text1Visible());
    m_text2->setVisible(m_model.text2Visible());

    setWindowTitle(m_model.caption());
    setWindowIconText(m_model.caption()); // a minimised window's name, also for screen readers
    m_command3->setEnabled(m_model.startCommandsEnabled());
    m_command1->setEnabled(m_model.startCommandsEnabled());
    m_command4->setVisible(m_model.runCommandsVisible());
    m_command5->setVisible(m_model.runCommandsVisible());
    showWindowState();
}

void Form1::showWindowState()
{
    if (m_model.topmost() != m_topmost) {
        m_topmost = m_model.topmost();
        setWindowFlag(Qt::WindowStaysOnTopHint, m_topmost); // hides the window
        if (m_shown)
            show();
    }
    if (m_model.mainWindowVisible() == m_shown)
        return;
    m_shown = m_model.mainWindowVisible();
    if (m_shown) {
        showNormal();
        raise();
        activateWindow();
    } else if (m_hideToNotificationArea) {
        hide();
    } else {
        showMinimized();
    }
}

void Form1::setHideToNotificationArea(bool hideToArea)
{
    m_hideToNotificationArea = hideToArea;
    if (hideToArea && !m_shown && isMinimized())
        hide();
}

void Form1::centreOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

// A window the user minimises or restores is out of view or back in view.
void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isVisible())
        return;
    m_shown = !isMinimized();
    m_model.setMainWindowVisible(m_shown);
}

// Closing the window through its frame ends the program as "終　了" does.
void Form1::closeEvent(QCloseEvent* event)
{
    if (m_controller.exiting()) {
        event->accept();
        return;
    }
    event->ignore();
    m_controller.exit();
}
